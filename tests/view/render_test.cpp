// Building topic pages: the page frame, the range of lines, template choice, tags, NG, and what
// board text may not do to the page.
#include <algorithm>
#include <gtest/gtest.h>
#include <random>

#include "base/textfile.h"
#include "pagetesting.h"
#include "view/render.h"
#include "view/texttransform.h"

using namespace pagetest;

namespace {

class BuildPage : public ::testing::Test {
protected:
    BuildPage()
    {
        m_skin.header = "<H>\r\n";
        m_skin.footer = "<F>\r\n";
        const std::string tags =
            "<NUMBER/>|<RESNUMBER/>|<MSGCOUNT/>|<RESURL/>|<DATE/>|<NAME/>|<TITLE/>|<MESSAGE/>]\r\n";
        m_skin.res = "[R " + tags;
        m_skin.newRes = "[N " + tags;
        m_options.boardBase = kBase;
        m_options.ng = &m_ng;
    }
    std::string Build(const store::TopicState &tab) const
    {
        return view::BuildTopicPage(m_skin, tab.lines, tab, m_options);
    }

    view::Skin m_skin;
    view::PageOptions m_options;
    settings::NgLists m_ng;
};

TEST_F(BuildPage, EmptyLogOrAStartPastTheEndGivesHeaderAndFooterOnly)
{
    EXPECT_EQ(Build(Tab()), "<H>\r\n<F>\r\n");
    EXPECT_EQ(Build(Tab(Lines(1, 5), 5)), "<H>\r\n<F>\r\n");
    EXPECT_EQ(Build(Tab(Lines(1, 5), 500)), "<H>\r\n<F>\r\n");
}

TEST_F(BuildPage, TwoHundredFiftyLinesFromTwoHundredShowLinesTwoHundredToTheEnd)
{
    const std::string page = Build(Tab(Lines(1, 250), 200));
    EXPECT_EQ(Count(page, "[R "), 50);
    EXPECT_NE(page.find("[R 201|200|"), std::string::npos) << "line 200 holds message 201";
    EXPECT_NE(page.find("[R 250|"), std::string::npos);
    EXPECT_EQ(page.find("[R 200|"), std::string::npos);

    m_options.msgview = 100;
    EXPECT_EQ(Count(Build(Tab(Lines(1, 250), 0)), "[R "), 100) << "at most msgview messages";
    EXPECT_EQ(Count(Build(Tab(Lines(1, 250), -3)), "[R "), 100) << "a negative start reads as 0";
}

TEST_F(BuildPage, EveryTagFilledFromTheLineAndTheTab)
{
    store::TopicState tab = Tab({Line(12, "7", "alice", "Re: x", "hello")});
    EXPECT_EQ(Build(tab),
              std::string("<H>\r\n[R 12|7|250|") + kLinkBase + "7|2004/01/02 03:04|alice|Re: x|hello]\r\n<F>\r\n");
}

TEST_F(BuildPage, ReplyZeroKeepsTheResNumberTagAndLinksToMidZero)
{
    const std::string page = Build(Tab({Line(3, "0")}));
    EXPECT_NE(page.find(std::string("|<RESNUMBER/>|250|") + kLinkBase + "0|"), std::string::npos) << page;
}

TEST_F(BuildPage, ReplyDoubleZeroChoosesTheReplyLessTemplateButFillsTheNumber)
{
    m_skin.res2 = "[R2 <NUMBER/>|<RESNUMBER/>]\r\n";
    EXPECT_NE(Build(Tab({Line(3, "00")})).find("[R2 3|00]"), std::string::npos);
    EXPECT_NE(Build(Tab({Line(3, "0")})).find("[R2 3|<RESNUMBER/>]"), std::string::npos);
    EXPECT_NE(Build(Tab({Line(3, "2")})).find("[R 3|2|"), std::string::npos);
    m_skin.res2.clear();
    EXPECT_NE(Build(Tab({Line(3, "0")})).find("[R 3|"), std::string::npos) << "an empty Res2 falls back to Res";
}

TEST_F(BuildPage, NewNumbersUseTheNewTemplates)
{
    store::TopicState tab = Tab({Line(1, "0"), Line(2, "1"), Line(3, "0")});
    tab.newNumbers = {"2", "3"};
    std::string page = Build(tab);
    EXPECT_NE(page.find("[R 1|"), std::string::npos);
    EXPECT_NE(page.find("[N 2|"), std::string::npos);
    EXPECT_NE(page.find("[N 3|"), std::string::npos);
    m_skin.newRes2 = "[N2 <NUMBER/>]\r\n";
    page = Build(tab);
    EXPECT_NE(page.find("[N 2|"), std::string::npos);
    EXPECT_NE(page.find("[N2 3]"), std::string::npos);
}

TEST_F(BuildPage, NgNameTitleOrWordHidesNameTitleAndMessage)
{
    m_ng.names.add("ALICE");
    m_ng.titles.add("Spam");
    m_ng.words.add("secret");
    m_ng.words.add("");
    const store::TopicState tab = Tab({Line(1, "0", "alice", "t", "b"), Line(2, "0", "bob", "spam", "b"),
                                       Line(3, "0", "bob", "t", "a secret"), Line(4, "0", "bob", "about spam", "ok")});
    const std::string page = Build(tab);
    EXPECT_NE(page.find("[R 1|<RESNUMBER/>|250|" + std::string(kLinkBase) + "0|2004/01/02 03:04|-NG-|-NG-|-NG-]"),
              std::string::npos);
    EXPECT_NE(page.find("|-NG-|-NG-|-NG-]\r\n[R 3"), std::string::npos) << "title equal ignoring case";
    EXPECT_NE(page.find("[R 3|<RESNUMBER/>|250|" + std::string(kLinkBase) + "0|2004/01/02 03:04|-NG-|-NG-|-NG-]"),
              std::string::npos);
    EXPECT_NE(page.find("|bob|about spam|ok]"), std::string::npos) << "a title merely containing an NG title shows";
}

TEST_F(BuildPage, ReferencesInTheMessageLinkToTheTopicsMessages)
{
    const std::string page = Build(Tab({Line(5, "4", "a", "t", "&gt;&gt;4 yes")}));
    EXPECT_NE(page.find(std::string("<a href=\"") + kLinkBase + "4\">&gt;&gt;4</a> yes]"), std::string::npos);
}

TEST_F(BuildPage, BoardTextCannotOpenTagsOrLeaveAttributes)
{
    m_skin.res = "<a href=\"p/<NAME/>\"><NAME/></a><b><TITLE/></b><DATE/><NUMBER/>|<MESSAGE/>\r\n";
    const store::TopicState tab =
        Tab({Line(1, "0", "x\"><script>", "<TITLE/><i>", "<script>alert(1)</script><NAME/>")});
    const std::string page = Build(tab);
    EXPECT_EQ(page.find("<script"), std::string::npos) << page;
    EXPECT_EQ(page.find("<i>"), std::string::npos);
    EXPECT_NE(page.find("<a href=\"p/x&quot;&gt;&lt;script&gt;\">"), std::string::npos) << page;
    EXPECT_NE(page.find("<b>&lt;TITLE/&gt;&lt;i&gt;</b>"), std::string::npos) << "a tag inside a title stays text";
    EXPECT_NE(page.find("|&lt;script>alert(1)&lt;/script>&lt;NAME/>"), std::string::npos) << page;
}

TEST(SafeMessageHtml, KeepsBreaksWebLinksAndEntitiesOnly)
{
    EXPECT_EQ(view::SafeMessageHtml("a<br>b<BR>c<br/>d &amp; &gt;&gt;1 >>2"), "a<br>b<BR>c<br/>d &amp; &gt;&gt;1 >>2");
    EXPECT_EQ(view::SafeMessageHtml("<a href=\"http://x.jp/?a=1&amp;b=2\" target=_blank>x</a>"),
              "<a href=\"http://x.jp/?a=1&amp;b=2\">x</a>");
    EXPECT_EQ(view::SafeMessageHtml("<A HREF='https://x.jp/'>x</A>"), "<a href=\"https://x.jp/\">x</a>");
    EXPECT_EQ(view::SafeMessageHtml("<a href=http://x.jp/>x</a>"), "<a href=\"http://x.jp/\">x</a>");
}

TEST(SafeMessageHtml, OtherMarkupShowsAsText)
{
    EXPECT_EQ(view::SafeMessageHtml("<a href=\"javascript:x()\">x</a>"), "&lt;a href=\"javascript:x()\">x&lt;/a>");
    EXPECT_EQ(view::SafeMessageHtml("<a name=\"Res3\">spoof</a>"), "&lt;a name=\"Res3\">spoof&lt;/a>");
    EXPECT_EQ(view::SafeMessageHtml("<a href=\"pop:3\">del</a>"), "&lt;a href=\"pop:3\">del&lt;/a>");
    EXPECT_EQ(view::SafeMessageHtml("<!-- <style>body{display:none}</style> <base href=x>"),
              "&lt;!-- &lt;style>body{display:none}&lt;/style> &lt;base href=x>");
    EXPECT_EQ(view::SafeMessageHtml("<a href=\"http://x"), "&lt;a href=\"http://x") << "a tag without its end";
    EXPECT_EQ(view::SafeMessageHtml("</a>"), "&lt;/a>") << "no anchor to close";
    EXPECT_EQ(view::SafeMessageHtml("<br"), "&lt;br");
}

TEST(SafeMessageHtml, KeptAddressesCannotEndTheirAttributeOrCarryReplyMarkers)
{
    EXPECT_EQ(view::SafeMessageHtml("<a href='http://x/\"onmouseover=\"a'>x</a>"),
              "<a href=\"http://x/%22onmouseover=%22a\">x</a>");
    EXPECT_EQ(view::SafeMessageHtml("<a href=\"http://x/&gt;&gt;12>>3\">x</a>"),
              "<a href=\"http://x/%3E%3E12%3E%3E3\">x</a>");
    EXPECT_EQ(view::SafeMessageHtml("<a href=http://x/>open"), "<a href=\"http://x/\">open</a>") << "closed at the end";
    const std::string linked =
        view::LinkReferences(view::SafeMessageHtml("<a href=\"http://x/&gt;&gt;12\">x</a>"), "B");
    EXPECT_EQ(linked.find("B12"), std::string::npos) << "no reply link inside the address";
    EXPECT_EQ(view::SafeMessageHtml("<br>>5 <a href=http://x/>>6</a>>7"),
              "<br>&gt;5 <a href=\"http://x/\">&gt;6</a>&gt;7") << "no tag end can pair with a following '>'";
}

// Every "<" the page gets from a message must start one of the kept forms.
bool OnlyKeptMarkup(const std::string &html, std::string &why)
{
    static const char *kFixed[] = {"<br>", "<BR>", "<br/>", "<br />", "</a>"};
    for (std::size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at + 1)) {
        const std::string_view rest = std::string_view(html).substr(at);
        if (std::any_of(std::begin(kFixed), std::end(kFixed), [&](const char *f) { return rest.starts_with(f); }))
            continue;
        if (rest.starts_with("<a href=\"")) {
            const std::size_t end = rest.find("\">");
            const std::size_t bad = rest.find_first_of("\"<>'", 9);
            if (end != std::string_view::npos && bad == end)
                continue;
        }
        why = std::string(rest.substr(0, 40));
        return false;
    }
    return true;
}

TEST(SafeMessageHtml, RandomBoardTextYieldsOnlyKeptMarkup)
{
    static const char *kPieces[] = {"<", ">", "a", " ", "href", "=", "\"", "'", "http://x/", "https://", "<br>",
                                    "</a>", "<a ", "<A HREF=", "&gt;", "&lt;", "&quot;", "&amp;", ">>", "1", "\x82",
                                    "\x9f", "javascript:", "\t", "\n", "<br", "/", "<a href=\"http://y/", "<!--"};
    std::mt19937 random(12345);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const int pieces = static_cast<int>(random() % 24);
        for (int i = 0; i < pieces; ++i)
            text += kPieces[random() % std::size(kPieces)];
        const std::string html = view::LinkReferences(view::SafeMessageHtml(text), kLinkBase);
        std::string why;
        ASSERT_TRUE(OnlyKeptMarkup(html, why)) << "input: " << text << "\noutput: " << html << "\nat: " << why;
        ASSERT_EQ(pagetest::Count(html, "<a "), pagetest::Count(html, "</a>")) << text;
    }
}

TEST(MessageLinkBase, BoardAndTopicOfTheTabsUrlWithAttributeBreakersEncoded)
{
    EXPECT_EQ(view::MessageLinkBase(kBase, kTopicUrl), kLinkBase);
    EXPECT_EQ(view::MessageLinkBase(kBase, "http://h/bbs?action=m&board=a\"b&tid=<t>"),
              std::string(kBase) + "bbs?action=m&board=a%22b&sid=a%22b&tid=%3Ct%3E&mid=");
    EXPECT_EQ(view::MessageLinkBase(kBase, "nothing"), std::string(kBase) + "bbs?action=m&board=&sid=&tid=&mid=");
}

class RenderWithSkin : public TempDir {
protected:
    view::RenderSettings Settings(const std::string &skinDir) const
    {
        view::RenderSettings s;
        s.skinDir = skinDir;
        s.programDir = m_dir + "/program/";
        s.profileBase = "http://profiles.example.jp/";
        s.boardBase = kBase;
        return s;
    }
    void WriteSkin(const std::string &dir, bool withNewRes)
    {
        base::MakeDirs(dir);
        base::WriteFileAtomic(dir + "/Header.html", "head\nline2"); // LF only, no final break
        base::WriteFileAtomic(dir + "/Res.html", "R<NUMBER/>\r\n");
        if (withNewRes)
            base::WriteFileAtomic(dir + "/NewRes.html", "N<NUMBER/>\r\n");
        base::WriteFileAtomic(dir + "/Footer.html", "foot\r\n");
    }
};

TEST_F(RenderWithSkin, TemplatesAreReadAsLinesJoinedWithCrLf)
{
    WriteSkin(m_dir + "/mine", true);
    base::WriteFileAtomic(m_dir + "/mine/Res2.html", "");
    const view::RenderedPage page = view::RenderTopicPage(Tab({Line(1)}), {Line(1)}, Settings(m_dir + "/mine"));
    ASSERT_TRUE(page.ok);
    EXPECT_FALSE(page.skinDirChanged);
    EXPECT_EQ(page.html, "head\r\nline2\r\nR1\r\nfoot\r\n");
}

TEST_F(RenderWithSkin, MissingRequiredTemplateSwitchesToTheProgramsDefaultSkin)
{
    WriteSkin(m_dir + "/mine", false);
    const std::string programSkin = m_dir + "/program/skin";
    WriteSkin(programSkin, true);
    base::WriteFileAtomic(programSkin + "/Res.html", "edited\r\n");
    const view::RenderedPage page = view::RenderTopicPage(Tab({Line(1)}), {Line(1)}, Settings(m_dir + "/mine"));
    ASSERT_TRUE(page.ok);
    EXPECT_TRUE(page.skinDirChanged);
    EXPECT_EQ(page.skinDir, programSkin);
    EXPECT_NE(page.html.find("name=\"Res1\" href=\"pop:1\""), std::string::npos);
    EXPECT_NE(page.html.find("href=\"http://profiles.example.jp/name\""), std::string::npos);
    EXPECT_NE(base::ReadFile(programSkin + "/Res.html").value_or("edited"), "edited\r\n")
        << "the edited copy is replaced";
    EXPECT_EQ(base::ReadFile(m_dir + "/mine/Res.html").value_or(""), "R<NUMBER/>\r\n")
        << "the user's skin is left alone";
}

TEST_F(RenderWithSkin, ADarkDesktopShowsTheDefaultSkinDarkAndAUsersSkinAsItIs)
{
    const std::string programSkin = m_dir + "/program/skin";
    ASSERT_TRUE(view::WriteDefaultSkin(programSkin, "http://profiles.example.jp/"));
    view::RenderSettings s = Settings(programSkin);
    s.dark = true;
    view::RenderedPage page = view::RenderTopicPage(Tab({Line(1)}), {Line(1)}, s);
    ASSERT_TRUE(page.ok);
    EXPECT_EQ(page.html.rfind(view::DefaultDarkHeader(), 0), 0u);
    EXPECT_NE(page.html.find("background-color"), std::string::npos);
    EXPECT_EQ(base::ReadFile(programSkin + "/Header.html").value_or(""), view::DefaultHeader())
        << "the file is never changed: the dark header is used in its place";

    s.dark = false;
    page = view::RenderTopicPage(Tab({Line(1)}), {Line(1)}, s);
    EXPECT_EQ(page.html.rfind(view::DefaultHeader(), 0), 0u);

    // One changed byte makes it the user's skin.
    ASSERT_TRUE(base::WriteFileAtomic(programSkin + "/Header.html", view::DefaultHeader() + "<!-- mine -->\r\n"));
    s.dark = true;
    page = view::RenderTopicPage(Tab({Line(1)}), {Line(1)}, s);
    EXPECT_EQ(page.html.find("background-color"), std::string::npos);
    EXPECT_NE(page.html.find("<!-- mine -->"), std::string::npos);
}

TEST_F(RenderWithSkin, DefaultSkinThatCannotBeWrittenStopsTheRender)
{
    base::WriteFileAtomic(m_dir + "/program", "a file where the program directory should be");
    const view::RenderedPage page = view::RenderTopicPage(Tab({Line(1)}), {Line(1)}, Settings(m_dir + "/none"));
    EXPECT_FALSE(page.ok);
    EXPECT_FALSE(page.error.empty());
    EXPECT_TRUE(page.html.empty());
}

TEST_F(RenderWithSkin, EnsureSkinNeedsOnlyTheFourRequiredFiles)
{
    WriteSkin(m_dir + "/mine", true);
    EXPECT_EQ(view::EnsureSkin(m_dir + "/mine", m_dir + "/program/", "http://p/"), view::SkinStatus::Present);
    EXPECT_FALSE(base::FileExists(m_dir + "/program/skin/Res.html"));
    EXPECT_EQ(view::EnsureSkin("", m_dir + "/program/", "http://p/"), view::SkinStatus::DefaultWritten);
    for (const char *name : {"Header.html", "Res.html", "NewRes.html", "Footer.html"})
        EXPECT_TRUE(base::FileExists(m_dir + "/program/skin/" + name)) << name;
    EXPECT_FALSE(base::FileExists(m_dir + "/program/skin/Res2.html")) << "the default skin has no optional files";
    EXPECT_EQ(base::ReadFile(m_dir + "/program/skin/Footer.html").value_or(""), "</dl></font></body>\r\n");
    EXPECT_EQ(base::ReadFile(m_dir + "/program/skin/Header.html").value_or(""),
              "<html lang=ja><head>\r\n"
              "<style type=\"text/css\">body {word-break : break-all;}</style>\r\n"
              "</head><body>\r\n"
              "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\r\n"
              "<font face=\"\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e\"><dl>\r\n");
    EXPECT_EQ(base::ReadFile(m_dir + "/program/skin/NewRes.html").value_or(""),
              "<dt><b><a name=\"Res<NUMBER/>\" href=\"pop:<NUMBER/>\"><NUMBER/></a></b> \x93\x8a\x8d\x65\x8e\xd2\x81\x46"
              "<b><a href=\"http://p/<NAME/>\"><NAME/></a></b> \x93\x8a\x8d\x65\x93\xfa\x8e\x9e\x81\x46<DATE/><dd>"
              "<a href=\"<RESURL/>\"><RESNUMBER/></a> <b><TITLE/></b></b><br><br><MESSAGE/><br><br>\r\n");
    // Res.html is the same line with the number link not bold.
    EXPECT_EQ(base::ReadFile(m_dir + "/program/skin/Res.html").value_or(""),
              "<dt><a name=\"Res<NUMBER/>\" href=\"pop:<NUMBER/>\"><NUMBER/></a> \x93\x8a\x8d\x65\x8e\xd2\x81\x46"
              "<b><a href=\"http://p/<NAME/>\"><NAME/></a></b> \x93\x8a\x8d\x65\x93\xfa\x8e\x9e\x81\x46<DATE/><dd>"
              "<a href=\"<RESURL/>\"><RESNUMBER/></a> <b><TITLE/></b></b><br><br><MESSAGE/><br><br>\r\n");
}

// The default skin's page for a few messages, against a stored copy. Set NK_UPDATE_GOLDEN=1 to
// rewrite the copy after an intended change of the skin.
TEST_F(RenderWithSkin, DefaultSkinPageMatchesTheGoldenPage)
{
    store::TopicState tab = Tab({Line(1, "0", "alice", "\x93\xfa\x96\x7b", "hello<br>&gt;&gt;1 &amp; world"),
                                 Line(2, "1", "bob", "Re: \x93\xfa\x96\x7b", ">>1 thanks"),
                                 Line(3, "0", "carol", "new", "new message")});
    tab.newNumbers = {"3"};
    const view::RenderedPage page = view::RenderTopicPage(tab, tab.lines, Settings(m_dir + "/none"));
    ASSERT_TRUE(page.ok);
    const std::string golden = std::string(NK_TEST_DATA_DIR) + "/view/default_skin_page.html";
    if (std::getenv("NK_UPDATE_GOLDEN")) {
        ASSERT_TRUE(base::WriteFileAtomic(golden, page.html));
    }
    EXPECT_EQ(page.html, base::ReadFile(golden).value_or("(missing)"));
}

} // namespace
