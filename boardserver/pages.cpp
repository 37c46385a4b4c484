// The EUC-JP pages of the board service. The markup around the data is exactly what the site
// plug-in searches for; the comments say which search each piece answers, and so which bytes a
// varied page may write differently.
#include "boardserver/pages.h"

#include <initializer_list>

#include "boardserver/corpus.h"
#include "boardserver/text.h"

namespace boardserver {

namespace {

/// The free choices of one page. They are drawn in the order the page is written, so a page's
/// bytes depend only on its variation seed; with variation off every choice is the plain form.
/// Each helper is used only where the comment at its call says which search leaves it free.
class Markup {
public:
    explicit Markup(const MarkupVariation &vary) : m_on(vary.on), m_random(vary.seed)
    {
        if (m_on)
            m_crlf = m_random.percent(50);
    }

    bool on() const { return m_on; }

    /// A line end where no search counts the bytes of one.
    std::string_view eol() const { return m_crlf ? "\r\n" : "\n"; }

    /// The first choice when variation is off, else any of them.
    std::string_view pick(std::initializer_list<std::string_view> choices)
    {
        if (!m_on)
            return *choices.begin();
        return choices.begin()[m_random.below(choices.size())];
    }

    /// Opens a tag that no parser searches for: its name in any letter case, the attributes
    /// after one blank or two, perhaps a blank before the ">".
    void open(std::string &out, std::string_view name, std::string_view attributes = {})
    {
        out += '<';
        appendName(out, name);
        if (!attributes.empty()) {
            out += pick({" ", "  "});
            out += attributes;
        }
        out += pick({"", " "});
        out += '>';
    }

    void close(std::string &out, std::string_view name)
    {
        out += "</";
        appendName(out, name);
        out += '>';
    }

    /// "<a ... href=TARGET>": every parser finds a link by "href" alone and ends its target at the
    /// next ">", dropping a quote before it, so an attribute may precede href but none may follow
    /// it. plainQuoted is how the server has always written this link.
    void link(std::string &out, std::string_view target, bool plainQuoted)
    {
        out += "<a";
        out += pick({"", " class=nk", " target=_top", " rel=\"nofollow\""});
        out += pick({" ", "  "});
        out += "href=";
        appendTarget(out, target, plainQuoted);
    }

    /// "<a href=TARGET>" with nothing else in the tag: the single-topic forms search for
    /// "<a href=" as a whole.
    void exactLink(std::string &out, std::string_view target, bool plainQuoted)
    {
        out += "<a href=";
        appendTarget(out, target, plainQuoted);
    }

    /// Perhaps a comment line. Only at the start of a line between elements, where no search
    /// runs through it: it holds a ">" and a blank.
    void comment(std::string &out)
    {
        if (!m_on || !m_random.percent(30))
            return;
        static constexpr char kHex[] = "0123456789abcdef";
        out += "<!-- ";
        for (int i = 0; i < 4; ++i)
            out += kHex[m_random.below(16)];
        out += " -->";
        out += eol();
    }

    /// Blanks ahead of a number that is read with leading blanks skipped.
    std::string_view numberLead() { return pick({"", " ", "  "}); }

private:
    void appendName(std::string &out, std::string_view name)
    {
        const auto form = m_on ? m_random.below(3) : 0;
        for (std::size_t i = 0; i < name.size(); ++i) {
            const char c = name[i];
            const bool upper = form == 1 || (form == 2 && i == 0);
            out += upper && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        }
    }

    void appendTarget(std::string &out, std::string_view target, bool plainQuoted)
    {
        const bool quoted = m_on ? m_random.percent(50) : plainQuoted;
        if (quoted)
            out += '"';
        out += target;
        if (quoted)
            out += '"';
        out += '>';
    }

    bool m_on;
    Random m_random;
    bool m_crlf = false;
};

void AppendHead(std::string &out, Markup &m, std::string_view title)
{
    // Nothing ahead of the body is searched, but a parser that looked for a marker from the
    // start of the page would trip over a doctype or a comment here.
    if (m.on() && m.pick({"", "doctype"}) == "doctype") {
        out += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">";
        out += m.eol();
    }
    m.open(out, "html");
    out += m.eol();
    m.open(out, "head");
    out += m.eol();
    m.open(out, "meta", "http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\"");
    out += m.eol();
    m.open(out, "title");
    out += title;
    m.close(out, "title");
    out += m.eol();
    m.close(out, "head");
    out += m.eol();
    m.comment(out);
    m.open(out, "body", m.pick({"bgcolor=#ffffff", "bgcolor=#ffffff text=#000000"}));
    out += m.eol();
}

void AppendTail(std::string &out, Markup &m)
{
    m.comment(out);
    m.close(out, "body");
    out += m.eol();
    m.close(out, "html");
    out += m.eol();
}

// Paths relative to the board server, in the form "/bbs?..." that the pages link with.
std::string TopicListPath(std::string_view boardId)
{
    std::string out = "/bbs?action=topics&board=";
    out += boardId;
    out += "&sid=";
    out += boardId;
    out += "&type=r";
    return out;
}

std::string MessagePath(std::string_view boardId, std::string_view tid, int mid)
{
    std::string out = "/bbs?action=m&board=";
    out += boardId;
    out += "&sid=";
    out += boardId;
    out += "&tid=";
    out += tid;
    out += "&mid=";
    out += std::to_string(mid);
    return out;
}

std::string SiteTitle(std::string_view suffix)
{
    std::string title = GetCorpus().page.siteTitle;
    if (!suffix.empty()) {
        title += " - ";
        title += suffix;
    }
    return title;
}

void AppendTopLink(std::string &out, Markup &m, const Endpoints &ep)
{
    // An absolute link whose text is not in <b>: every parser passes over it.
    m.link(out, ep.boardBase(), true);
    out += GetCorpus().page.boardTop;
    out += "</a>";
}

} // namespace

std::string CategoryUrl(const Category &category, const Endpoints &ep)
{
    return ep.boardBase() + category.path + "index.html";
}

std::string TopicListUrl(std::string_view boardId, const Endpoints &ep)
{
    return ep.boardBase() + TopicListPath(boardId).substr(1);
}

std::string MessageUrl(std::string_view boardId, std::string_view tid, int mid, const Endpoints &ep)
{
    return ep.boardBase() + MessagePath(boardId, tid, mid).substr(1);
}

std::vector<DirectoryLink> DirectoryLinks(const Dataset &data, const Category &category, const Endpoints &ep)
{
    std::vector<DirectoryLink> links;
    const auto &cats = data.categories();
    auto addCategory = [&](int index) {
        const Category &child = cats[static_cast<std::size_t>(index)];
        links.push_back({CategoryUrl(child, ep), child.name, false, child.listed, index});
    };
    if (category.level == 0) {
        for (int index : category.children)
            addCategory(index);
        return links;
    }
    for (int index : category.children)
        if (cats[static_cast<std::size_t>(index)].form != CategoryLinkForm::Bold)
            addCategory(index);
    for (int index : category.boards) {
        const Board &board = data.boards()[static_cast<std::size_t>(index)];
        links.push_back({TopicListUrl(board.id, ep), board.name, true, board.listed, index});
    }
    for (int index : category.children)
        if (cats[static_cast<std::size_t>(index)].form == CategoryLinkForm::Bold)
            addCategory(index);
    return links;
}

MarkupVariation VariationFor(std::uint64_t markupSeed, std::string_view pathAndQuery)
{
    return MarkupVariation{true, MixSeed(markupSeed, pathAndQuery)};
}

std::string BuildDirectoryPage(const Dataset &data, const Category &category, const Endpoints &ep,
                               const MarkupVariation &vary)
{
    const PageTexts &t = GetCorpus().page;
    const auto &cats = data.categories();
    Markup m(vary);
    std::string out;
    out.reserve(4096);
    AppendHead(out, m, category.level == 0 ? SiteTitle({}) : SiteTitle(category.name));

    if (category.level == 0) {
        out += "<center><font size=+2>";
        out += t.siteTitle;
        out += "</font></center>";
        out += m.eol();
        m.open(out, "table", "width=\"100%\" cellpadding=4");
        out += m.eol();
        int column = 0;
        for (int index : category.children) {
            const Category &child = cats[static_cast<std::size_t>(index)];
            if (column % 2 == 0) {
                m.comment(out);
                m.open(out, "tr");
            }
            // The root's form: a relative link whose text is a <strong> heading.
            out += "<td width=\"50%\">";
            m.link(out, "/" + child.path, false);
            out += "<strong>";
            out += child.name;
            out += "</strong></a><br>";
            out += m.eol();
            out += "<small>";
            // The first few subcategories as plain links: with no "&nbsp;|&nbsp;" row on this
            // page the plug-in passes over them.
            int shown = 0;
            for (int sub : child.children) {
                const Category &grand = cats[static_cast<std::size_t>(sub)];
                if (!grand.listed || shown == 3)
                    continue;
                if (shown++)
                    out += ", ";
                m.link(out, "/" + grand.path, false);
                out += grand.name;
                out += "</a>";
            }
            out += "</small></td>";
            if (column % 2 == 1) {
                m.close(out, "tr");
                out += m.eol();
            }
            ++column;
        }
        if (column % 2 == 1) {
            m.close(out, "tr");
            out += m.eol();
        }
        m.close(out, "table");
        out += m.eol();
        AppendTail(out, m);
        return out;
    }

    // Breadcrumbs: relative links ahead of the page's last "<td valign=top align=left>", which
    // the plug-in therefore passes over.
    AppendTopLink(out, m, ep);
    std::vector<int> chain;
    for (int p = category.parent; p > 0; p = cats[static_cast<std::size_t>(p)].parent)
        chain.insert(chain.begin(), p);
    for (int p : chain) {
        const Category &ancestor = cats[static_cast<std::size_t>(p)];
        out += " &gt; ";
        m.link(out, "/" + ancestor.path, false);
        out += ancestor.name;
        out += "</a>";
    }
    out += " &gt; ";
    out += category.name;
    out += m.eol();
    m.open(out, "hr");
    out += m.eol();
    m.open(out, "table", "width=\"100%\" cellpadding=4");
    m.open(out, "tr");
    out += "<td valign=top align=left>";
    out += m.eol();
    out += "<b>";
    out += category.name;
    out += "</b><br>";
    out += m.eol();

    const auto links = DirectoryLinks(data, category, ep);
    const std::string base = ep.boardBase();
    bool listOpen = false;
    bool relatedOpen = false;
    auto openList = [&] {
        if (listOpen)
            return;
        out += "</td>";
        m.close(out, "tr");
        m.close(out, "table");
        out += m.eol();
        m.open(out, "ul");
        out += m.eol();
        listOpen = true;
    };
    for (const DirectoryLink &link : links) {
        if (link.board) {
            const Board &board = data.boards()[static_cast<std::size_t>(link.index)];
            openList();
            m.comment(out);
            m.open(out, "li");
            m.link(out, TopicListPath(board.id), false);
            if (board.form == BoardLinkForm::IdThenName) {
                // The id ends in a digit; the name is taken from eight bytes after "</a>" up to
                // "</li>", with "-" the seventh of them: any two bytes go before it.
                out += board.id;
                out += "</a>";
                out += m.pick({"\n ", "\r\n", "  "});
                out += "- ";
                out += board.name;
            } else {
                out += board.name;
                out += "</a>";
            }
            out += "</li>";
            out += m.eol();
            continue;
        }
        const Category &child = cats[static_cast<std::size_t>(link.index)];
        if (child.form == CategoryLinkForm::Bold) {
            openList();
            if (!relatedOpen) {
                m.close(out, "ul");
                out += m.eol();
                out += "<p>";
                out += t.related;
                out += ": ";
                relatedOpen = true;
            }
            m.link(out, base + child.path, true);
            out += "<b>";
            out += child.name;
            out += "</b></a> ";
            continue;
        }
        // A row link: its name ends one byte before "</a>", so a byte that is dropped goes there.
        m.link(out, "/" + child.path, false);
        out += child.name;
        out += m.pick({" ", "\t"});
        out += "</a>&nbsp;|&nbsp;";
        out += m.eol();
        m.comment(out);
    }
    openList();
    if (relatedOpen) {
        out += "</p>";
    } else {
        m.close(out, "ul");
    }
    out += m.eol();
    AppendTail(out, m);
    return out;
}

std::string BuildTopicListPage(const Dataset &data, const Board &board, const std::vector<TopicSummary> &topics,
                               const Endpoints &ep, const MarkupVariation &vary)
{
    const PageTexts &t = GetCorpus().page;
    Markup m(vary);
    std::string out;
    out.reserve(512 + topics.size() * 240);
    AppendHead(out, m, SiteTitle(board.name));
    AppendTopLink(out, m, ep);
    const Category &category = data.categories()[static_cast<std::size_t>(board.category)];
    out += " &gt; ";
    m.link(out, "/" + category.path, false);
    out += category.name;
    out += "</a>";
    out += m.eol();
    m.open(out, "h2");
    out += board.name;
    m.close(out, "h2");
    out += m.eol();
    m.link(out, ep.postBase() + "bbs?action=r&sid=" + board.id + "&board=" + board.id, true);
    out += t.newTopic;
    out += "</a>";
    out += m.eol();
    m.open(out, "table", "width=\"100%\" border=0 cellspacing=1");
    out += m.eol();
    m.open(out, "tr");
    for (const std::string *label : {&t.topicLabel, &t.countLabel, &t.latestLabel}) {
        m.open(out, "th");
        out += *label;
        m.close(out, "th");
    }
    m.close(out, "tr");
    out += m.eol();
    for (const TopicSummary &topic : topics) {
        // The list form: a link with "first=1", then the count and the date in cells that end
        // with "nowrap>" (other attributes may come before it) and are read up to "</td>".
        m.comment(out);
        m.open(out, "tr");
        out += "<td valign=top width=97%>";
        m.link(out, MessagePath(board.id, topic.tid, 1) + "&first=1", true);
        out += topic.title;
        out += "</a></td><td";
        out += m.pick({" align=right", "  align=right", " align=right valign=top"});
        out += " nowrap>";
        out += m.numberLead();
        out += std::to_string(topic.highest);
        out += "</td><td";
        out += m.pick({" ", " align=left "});
        out += "nowrap>";
        out += FormatMinute(topic.lastMinute);
        out += "</td>";
        m.close(out, "tr");
        out += m.eol();
    }
    m.close(out, "table");
    out += m.eol();
    AppendTail(out, m);
    return out;
}

std::string BuildSingleTopicPageA(const Board &board, const TopicSummary &topic, const Endpoints &ep,
                                  const MarkupVariation &vary)
{
    const PageTexts &t = GetCorpus().page;
    Markup m(vary);
    std::string out;
    AppendHead(out, m, SiteTitle(board.name));
    AppendTopLink(out, m, ep);
    out += m.eol();
    // The title follows the first blank after the font tag and runs to the end of the line.
    out += "<font size=+1><b>";
    out += t.topicLabel;
    out += "</b> ";
    out += topic.title;
    out += m.eol();
    out += "</font>";
    out += m.eol();
    m.open(out, "table");
    m.open(out, "tr");
    out += "<td valign=top width=\"5%\"><font size=-1>";
    out += m.numberLead();
    out += std::to_string(topic.highest);
    out += "</font></td>";
    out += m.eol();
    out += "<td>";
    m.exactLink(out, MessagePath(board.id, topic.tid, 1), false);
    out += t.firstMessage;
    out += "</a></td>";
    out += m.eol();
    out += "<td nowrap><small>";
    // Date and time are read with every "&" and the five bytes after it as one blank.
    const std::string date = FormatMinute(topic.lastMinute);
    out += date.substr(0, 10);
    out += m.pick({"&nbsp;", "&#160;", " "});
    out += date.substr(11);
    out += "</small></td>";
    m.close(out, "tr");
    m.close(out, "table");
    out += m.eol();
    AppendTail(out, m);
    return out;
}

std::string BuildSingleTopicPageB(const Board &board, const TopicSummary &topic, const Endpoints &ep,
                                  const MarkupVariation &vary)
{
    const PageTexts &t = GetCorpus().page;
    Markup m(vary);
    std::string out;
    AppendHead(out, m, SiteTitle(board.name));
    AppendTopLink(out, m, ep);
    out += m.eol();
    out += "<font size=\"+1\"><b>";
    out += t.topicLabel;
    out += "</b> ";
    out += topic.title;
    out += m.eol();
    out += "</font>";
    out += m.eol();
    m.open(out, "table");
    m.open(out, "tr");
    out += "<td nowrap><small>";
    m.exactLink(out, MessagePath(board.id, topic.tid, 1), false);
    out += t.firstMessage;
    out += "</a></small></td>";
    out += m.eol();
    out += "<td valign=top align=right>";
    out += m.eol();
    // The count follows the first "/" on the line after the cell's tag, two bytes on.
    out += "<small>";
    out += t.messageLabel;
    out += " 1 / ";
    out += m.numberLead();
    out += std::to_string(topic.highest);
    out += "</small></td>";
    m.close(out, "tr");
    m.close(out, "table");
    out += m.eol();
    AppendTail(out, m);
    return out;
}

std::string BuildMessagePage(const MessageView &msg, const Endpoints &ep, const MarkupVariation &vary)
{
    const PageTexts &t = GetCorpus().page;
    Markup m(vary);
    std::string out;
    out.reserve(1024 + msg.text.size());
    AppendHead(out, m, SiteTitle(msg.boardName));
    AppendTopLink(out, m, ep);
    out += " &gt; ";
    m.link(out, TopicListUrl(msg.boardId, ep), true);
    out += msg.boardName;
    out += "</a>";
    out += m.eol();
    m.open(out, "table", "width=\"100%\" border=0 cellpadding=2 cellspacing=0");
    out += m.eol();
    // Title in <big><b>; the date after "t><small>" up to "<br>"; then ": number / highest".
    m.open(out, "tr", "bgcolor=#eeeeee");
    out += "<td><big><b>";
    out += msg.title;
    out += "</b></big></td><td align=right><small>";
    out += FormatMinute(msg.minute);
    out += "<br>";
    out += t.messageLabel;
    out += ": ";
    out += std::to_string(msg.number);
    out += " / ";
    out += std::to_string(msg.highest);
    out += "</small></td>";
    m.close(out, "tr");
    out += m.eol();
    m.comment(out);
    // The author follows the first ">" after the profile server's base URL.
    m.open(out, "tr");
    out += "<td colspan=2><small>";
    out += t.authorLabel;
    out += ": ";
    m.link(out, ep.profileBase() + msg.author, true);
    out += msg.author;
    out += "</a></small></td>";
    m.close(out, "tr");
    out += m.eol();
    m.comment(out);
    // The text runs from one byte after "<p>" to the line feed before "</td>": both bytes are
    // counted, so neither may become a CR LF.
    m.open(out, "tr");
    out += "<td colspan=2><p>";
    out += m.pick({"\n", " "});
    out += msg.text;
    out += "\n</td>";
    m.close(out, "tr");
    out += m.eol();
    m.comment(out);
    m.open(out, "tr");
    out += "<td colspan=2>";
    // The small print: a digit right after the first ">" nine bytes into it names the
    // message answered.
    if (msg.replyTo > 0) {
        out += "<small>";
        out += t.replyPrefix;
        out += " ";
        m.link(out, MessagePath(msg.boardId, msg.tid, msg.replyTo), true);
        out += std::to_string(msg.replyTo);
        out += "</a> ";
        out += t.replySuffix;
        out += "</small><br>";
        out += m.eol();
    }
    out += "<small>";
    m.link(out,
           ep.postBase() + "bbs?action=r&board=" + msg.boardId + "&sid=" + msg.boardId + "&tid=" + msg.tid +
               "&mid=" + std::to_string(msg.number),
           true);
    out += t.writeReply;
    out += "</a></small></td>";
    m.close(out, "tr");
    out += m.eol();
    m.close(out, "table");
    out += m.eol();
    m.comment(out);
    if (msg.number > 1) {
        m.link(out, MessagePath(msg.boardId, msg.tid, msg.number - 1), true);
        out += t.previous;
        out += "</a> ";
    }
    if (msg.number < msg.highest) {
        m.link(out, MessagePath(msg.boardId, msg.tid, msg.number + 1), true);
        out += t.next;
        out += "</a>";
    }
    out += m.eol();
    AppendTail(out, m);
    return out;
}

std::string BuildMessageErrorPage(const Endpoints &ep, const MarkupVariation &vary)
{
    const PageTexts &t = GetCorpus().page;
    Markup m(vary);
    std::string out;
    AppendHead(out, m, SiteTitle({}));
    AppendTopLink(out, m, ep);
    out += m.eol();
    m.comment(out);
    out += "<br><br><center><b>";
    out += t.notFound;
    out += "</b><br>";
    out += m.eol();
    out += t.notFoundDetail;
    out += "</center>";
    out += m.eol();
    AppendTail(out, m);
    return out;
}

std::string BuildNoBoardPage(const Endpoints &ep, const MarkupVariation &vary)
{
    const PageTexts &t = GetCorpus().page;
    Markup m(vary);
    std::string out;
    AppendHead(out, m, SiteTitle({}));
    AppendTopLink(out, m, ep);
    out += m.eol();
    m.comment(out);
    out += "<p>";
    out += t.noBoard;
    out += "</p>";
    out += m.eol();
    AppendTail(out, m);
    return out;
}

std::string BuildPostFormPage(const Board &board, const TopicSummary *topic, int mid,
                              const std::vector<std::string> &nicknames, const Endpoints &ep,
                              const MarkupVariation &vary)
{
    const PageTexts &t = GetCorpus().page;
    Markup m(vary);
    std::string out;
    AppendHead(out, m, SiteTitle(board.name));
    m.open(out, "h3");
    out += topic ? topic->title : t.newTopic;
    m.close(out, "h3");
    out += m.eol();
    m.open(out, "form", "method=get action=\"" + ep.postBase() + "bbs\"");
    out += m.eol();
    auto hidden = [&](std::string_view name, std::string_view value) {
        m.open(out, "input", "type=hidden name=" + std::string(name) + " value=" + std::string(value));
        out += m.eol();
    };
    hidden("action", "post");
    hidden("board", board.id);
    hidden("sid", board.id);
    if (topic) {
        hidden("tid", topic->tid);
        hidden("mid", std::to_string(mid));
    }
    out += t.nickname;
    out += ": ";
    m.open(out, "select", "name=identity");
    out += m.eol();
    // One option per line: the plug-in searches "option value" as it stands and takes
    // everything from the next ">" to the line feed, so attributes go only after the value and
    // the line ends with a bare LF.
    for (std::size_t i = 0; i < nicknames.size(); ++i) {
        const std::string value = "chat_pf_" + std::to_string(i + 1);
        const bool quoted = m.on() ? m.pick({"q", ""}) == "q" : true;
        out += "<option value=";
        out += quoted ? "\"" + value + "\"" : value;
        out += i == 0 ? " selected" : "";
        out += m.pick({"", " class=nick", " label=n"});
        out += ">";
        out += nicknames[i];
        out += "\n";
    }
    m.close(out, "select");
    out += "<br>";
    out += m.eol();
    out += t.title;
    out += ": ";
    std::string subject = "type=text name=Subject size=40 maxlength=40";
    if (topic) {
        subject += " value=\"Re: ";
        subject += topic->title;
        subject += "\"";
    }
    m.open(out, "input", subject);
    out += "<br>";
    out += m.eol();
    out += t.body;
    out += ":<br>";
    out += m.eol();
    m.open(out, "textarea", "name=posting rows=10 cols=60");
    m.close(out, "textarea");
    out += "<br>";
    out += m.eol();
    m.open(out, "input", "type=submit value=\"" + t.submit + "\"");
    out += m.eol();
    m.close(out, "form");
    out += m.eol();
    AppendTail(out, m);
    return out;
}

std::string BuildProfilePage(std::string_view name, const Endpoints &ep)
{
    const PageTexts &t = GetCorpus().page;
    std::string out;
    std::string heading(name);
    heading += t.profileOf;
    Markup plain(MarkupVariation{});
    AppendHead(out, plain, heading);
    out += "<h2>";
    out += heading;
    out += "</h2>\n";
    AppendTopLink(out, plain, ep);
    out += "\n";
    AppendTail(out, plain);
    return out;
}

std::string BuildNoticePage(std::string_view heading, std::string_view text)
{
    std::string out;
    Markup plain(MarkupVariation{});
    AppendHead(out, plain, SiteTitle(heading));
    out += "<h3>";
    out += heading;
    out += "</h3>\n<p>";
    out += text;
    out += "</p>\n";
    AppendTail(out, plain);
    return out;
}

std::string BuildStatusPage(int status, std::string_view reason)
{
    std::string code = std::to_string(status);
    std::string out = "<html>\n<head><title>";
    out += code;
    out += " ";
    out += reason;
    out += "</title></head>\n<body><h1>";
    out += code;
    out += " ";
    out += reason;
    out += "</h1></body>\n</html>\n";
    return out;
}

} // namespace boardserver
