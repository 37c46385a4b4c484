// The HTML view under a real display: Shift_JIS from memory, the anchor scroll, links handed to
// the program, no network, no page scripts, hit testing and the discarding of background views.
#include "view/htmlview.h"
#include "view/webengine.h"

#include "qtbridge/sjis.h"
#include "tests/view/viewtesting.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <csignal>
#include <memory>

namespace {

using qtbridge::Sjis;
using view::HtmlView;

constexpr int kLoadTimeoutMs = 20000;

// A top-level window holding views, one shown at a time, as the tabs of a pane hold them.
class ViewWindow {
public:
    ViewWindow()
    {
        m_stack.resize(800, 600);
        m_stack.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_stack));
    }

    HtmlView *addView()
    {
        auto *v = new HtmlView;
        m_stack.addWidget(v);
        return v;
    }

    void show(HtmlView *v) { m_stack.setCurrentWidget(v); }

private:
    QStackedWidget m_stack;
};

// Loads and waits for loadCompleted; returns its ok.
bool loadAndWait(HtmlView &v, const std::string &page, int scrollTarget = 0)
{
    QSignalSpy done(&v, &HtmlView::loadCompleted);
    v.setScrollTarget(scrollTarget);
    v.load(page);
    if (!viewtest::WaitUntil([&] { return !done.isEmpty(); }, kLoadTimeoutMs))
        return false;
    return done.takeFirst().at(0).toBool();
}

QVariant eval(HtmlView &v, const QString &script)
{
    QVariant result;
    bool done = false;
    v.runScript(script, [&](const QVariant &value) {
        result = value;
        done = true;
    });
    EXPECT_TRUE(viewtest::WaitUntil([&] { return done; }, kLoadTimeoutMs)) << script.toStdString();
    return result;
}

double scrollY(HtmlView &v)
{
    double y = -1;
    bool done = false;
    v.readScrollY([&](double value) {
        y = value;
        done = true;
    });
    EXPECT_TRUE(viewtest::WaitUntil([&] { return done; }, kLoadTimeoutMs));
    return y;
}

std::string bodyTextSjis(HtmlView &v)
{
    return qtbridge::ToSjis(eval(v, QStringLiteral("document.body.innerText")).toString());
}

// Centre of the element with this id, in the view's coordinates.
QPoint centreOf(HtmlView &v, const QString &id)
{
    const QVariantList r =
        eval(v, QStringLiteral("(function(){var b=document.getElementById('%1').getBoundingClientRect();"
                               "return [b.left+b.width/2,b.top+b.height/2];})()")
                    .arg(id))
            .toList();
    if (r.size() != 2)
        return {};
    return QPoint(int(r[0].toDouble()), int(r[1].toDouble()));
}

view::HitTestResult hitTest(HtmlView &v, QPoint at)
{
    view::HitTestResult result;
    bool done = false;
    v.hitTest(at, [&](const view::HitTestResult &r) {
        result = r;
        done = true;
    });
    EXPECT_TRUE(viewtest::WaitUntil([&] { return done; }, kLoadTimeoutMs));
    return result;
}

std::string page(const std::string &body)
{
    return "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\"></head><body>" +
           body + "</body></html>";
}

// The URL of the next hand-over (one that came already counts), "" after a timeout.
QString nextHandOver(QSignalSpy &spy)
{
    if (spy.isEmpty() && !viewtest::WaitUntil([&] { return !spy.isEmpty(); }, 5000))
        return {};
    return spy.takeFirst().at(0).toString();
}

// Lets the engine run (and fetch, if it were going to) for a while.
void settle(int ms) { viewtest::Settle(ms); }

// --- Loading ---------------------------------------------------------------------------------

TEST(HtmlViewLoad, ShowsShiftJisTextFromMemory)
{
    ViewWindow window;
    HtmlView *v = window.addView();
    // Trail bytes 0x5C (表, ソ) and the NEC row 13 are where a wrong decoder shows itself.
    const std::string text = Sjis("表示のソフト①～掲示板");
    ASSERT_TRUE(loadAndWait(*v, page("<p>" + text + "</p>")));
    EXPECT_EQ(bodyTextSjis(*v), text);

    // Without a meta tag the reply's own charset decides.
    const std::string other = Sjis("予定表・ポイント");
    ASSERT_TRUE(loadAndWait(*v, "<html><body>" + other + "</body></html>"));
    EXPECT_EQ(bodyTextSjis(*v), other);
}

TEST(HtmlViewLoad, PageLargerThanTwoMegabytesLoads)
{
    ViewWindow window;
    HtmlView *v = window.addView();
    const std::string big = viewtest::SamplePage(1000, 1, 40);
    ASSERT_GT(big.size(), 2u * 1024 * 1024);
    ASSERT_TRUE(loadAndWait(*v, big, 1000));
    EXPECT_EQ(eval(*v, QStringLiteral("document.anchors.length")).toInt(), 1000);
    EXPECT_TRUE(eval(*v, QStringLiteral("document.anchors.namedItem('Res1000')!==null")).toBool());
    EXPECT_GT(scrollY(*v), 0);
}

TEST(HtmlViewLoad, NewPageReplacesOldAndOnlyTheLastLoadCompletes)
{
    ViewWindow window;
    HtmlView *v = window.addView();
    QSignalSpy done(v, &HtmlView::loadCompleted);
    v->load(page(Sjis("一つ目")));
    v->load(page(Sjis("二つ目")));
    ASSERT_TRUE(viewtest::WaitUntil([&] { return !done.isEmpty(); }, kLoadTimeoutMs));
    settle(300);
    EXPECT_EQ(done.count(), 1);
    EXPECT_FALSE(v->isLoading());
    EXPECT_EQ(bodyTextSjis(*v), Sjis("二つ目"));
}

TEST(HtmlViewLoad, APageReplacedAtAnyStageOfItsLoadStillCompletes)
{
    // A topic tab renders when its download starts and again when it ends, often while the
    // first page is still being built: the second load must come in whatever stage the first
    // had reached.
    ViewWindow window;
    HtmlView *v = window.addView();
    QSignalSpy engine(v->webView()->page(), &QWebEnginePage::loadingChanged);
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(i);
        QSignalSpy done(v, &HtmlView::loadCompleted);
        engine.clear();
        v->load(viewtest::SamplePage(200 + i));
        ASSERT_TRUE(viewtest::WaitUntil([&] { return !engine.isEmpty(); }, kLoadTimeoutMs));
        settle(i % 4 * 4);
        const std::string last = Sjis("差し替え") + std::to_string(i);
        v->setScrollTarget(0);
        v->load(page(last));
        ASSERT_TRUE(viewtest::WaitUntil([&] { return !done.isEmpty(); }, kLoadTimeoutMs));
        EXPECT_TRUE(done.takeFirst().at(0).toBool());
        EXPECT_FALSE(v->isLoading());
        EXPECT_EQ(bodyTextSjis(*v), last);
        EXPECT_TRUE(done.isEmpty()) << "the replaced load completed too";
    }
}

// --- Scrolling to the message anchor ---------------------------------------------------------

TEST(HtmlViewScroll, ScrollsTheTargetAnchorToTheTopAfterEveryLoad)
{
    ViewWindow window;
    HtmlView *v = window.addView();
    const std::string topic = viewtest::SamplePage(200);
    const QString anchorTop = QStringLiteral("document.anchors.namedItem('Res%1').getBoundingClientRect().top");

    ASSERT_TRUE(loadAndWait(*v, topic, 57));
    EXPECT_GT(scrollY(*v), 0);
    EXPECT_NEAR(eval(*v, anchorTop.arg(57)).toDouble(), 0.0, 1.0);

    // The same bytes again with another target: the new load scrolls anew.
    ASSERT_TRUE(loadAndWait(*v, topic, 120));
    EXPECT_NEAR(eval(*v, anchorTop.arg(120)).toDouble(), 0.0, 1.0);

    // A target that is not on the page leaves the new page at the top.
    ASSERT_TRUE(loadAndWait(*v, topic, 999));
    EXPECT_EQ(scrollY(*v), 0);
}

TEST(HtmlViewScroll, AGrowingPageShownAgainStaysWhereTheUserScrolledIt)
{
    ViewWindow window;
    HtmlView *v = window.addView();
    ASSERT_TRUE(loadAndWait(*v, viewtest::SamplePage(100), 90));
    eval(*v, QStringLiteral("window.scrollTo(0,333)"));
    ASSERT_EQ(scrollY(*v), 333);

    // The longer page keeps the position, not the scroll target.
    QSignalSpy done(v, &HtmlView::loadCompleted);
    ASSERT_TRUE(v->reloadKeepingScroll(viewtest::SamplePage(150)));
    ASSERT_TRUE(viewtest::WaitUntil([&] { return !done.isEmpty(); }, kLoadTimeoutMs));
    EXPECT_TRUE(done.takeFirst().at(0).toBool());
    EXPECT_EQ(eval(*v, QStringLiteral("document.anchors.length")).toInt(), 150);
    EXPECT_EQ(scrollY(*v), 333);

    // Not taken while a page is still coming in.
    v->setScrollTarget(20);
    v->load(viewtest::SamplePage(160));
    EXPECT_FALSE(v->reloadKeepingScroll(viewtest::SamplePage(170)));
    ASSERT_TRUE(viewtest::WaitUntil([&] { return !done.isEmpty(); }, kLoadTimeoutMs));
    done.clear();

    // An ordinary load asked for while the position is read wins, with its own target.
    ASSERT_TRUE(v->reloadKeepingScroll(viewtest::SamplePage(180)));
    v->setScrollTarget(40);
    v->load(viewtest::SamplePage(190));
    ASSERT_TRUE(viewtest::WaitUntil([&] { return !done.isEmpty(); }, kLoadTimeoutMs));
    settle(300);
    EXPECT_EQ(done.size(), 1);
    EXPECT_EQ(eval(*v, QStringLiteral("document.anchors.length")).toInt(), 190);
    EXPECT_NEAR(eval(*v, QStringLiteral("document.anchors.namedItem('Res40').getBoundingClientRect().top"))
                    .toDouble(),
                0.0, 1.0);
}

TEST(HtmlViewScroll, TheSamePageShownAgainIsNotLoadedAgain)
{
    ViewWindow window;
    HtmlView *v = window.addView();
    ASSERT_TRUE(loadAndWait(*v, viewtest::SamplePage(100), 1));
    eval(*v, QStringLiteral("window.nkMarker = 7"));

    QSignalSpy done(v, &HtmlView::loadCompleted);
    ASSERT_TRUE(v->reloadKeepingScroll(viewtest::SamplePage(100)));
    EXPECT_FALSE(v->isLoading());
    EXPECT_EQ(eval(*v, QStringLiteral("window.nkMarker")).toInt(), 7) << "the document was built again";

    // Nothing was begun: a changed page is taken at once (a reload in progress would refuse it),
    // and it is the only one to complete.
    ASSERT_TRUE(v->reloadKeepingScroll(viewtest::SamplePage(120)));
    ASSERT_TRUE(viewtest::WaitUntil([&] { return !done.isEmpty(); }, kLoadTimeoutMs));
    EXPECT_EQ(done.size(), 1);
    EXPECT_EQ(eval(*v, QStringLiteral("document.anchors.length")).toInt(), 120);
    EXPECT_FALSE(eval(*v, QStringLiteral("'nkMarker' in window")).toBool());
}

TEST(HtmlViewScroll, TheSamePageLoadedAgainKeepsItsDocumentAndScrollsToTheNewTarget)
{
    ViewWindow window;
    HtmlView *v = window.addView();
    const std::string topic = viewtest::SamplePage(200);
    ASSERT_TRUE(loadAndWait(*v, topic, 57));
    eval(*v, QStringLiteral("window.nkMarker = 7"));

    ASSERT_TRUE(loadAndWait(*v, topic, 120));
    EXPECT_EQ(eval(*v, QStringLiteral("window.nkMarker")).toInt(), 7) << "the document was built again";
    EXPECT_NEAR(eval(*v, QStringLiteral("document.anchors.namedItem('Res120').getBoundingClientRect().top"))
                    .toDouble(),
                0.0, 1.0);
    // As at the top of a new document when the target is not on the page.
    ASSERT_TRUE(loadAndWait(*v, topic, 999));
    EXPECT_EQ(scrollY(*v), 0);

    // Other bytes are a new document.
    ASSERT_TRUE(loadAndWait(*v, viewtest::SamplePage(201), 1));
    EXPECT_FALSE(eval(*v, QStringLiteral("'nkMarker' in window")).toBool());
}

TEST(HtmlViewScroll, AThousandMessagePageScrollsToItsTargetAndHitTestsThere)
{
    ViewWindow window;
    HtmlView *v = window.addView();
    const std::string topic = viewtest::SamplePage(1000);
    const QString anchorTop = QStringLiteral("document.anchors.namedItem('Res%1').getBoundingClientRect().top");
    ASSERT_TRUE(loadAndWait(*v, topic, 900));
    // The target comes to the top, its number link under the mouse where it shows.
    EXPECT_NEAR(eval(*v, anchorTop.arg(900)).toDouble(), 0.0, 1.0);
    const QVariantList r = eval(*v, QStringLiteral("(function(){var b=document.anchors.namedItem('Res900')"
                                                   ".getBoundingClientRect();return [b.left+2,b.top+b.height/2];})()"))
                               .toList();
    ASSERT_EQ(r.size(), 2);
    view::HitTestResult number = hitTest(*v, QPoint(int(r[0].toDouble()), int(r[1].toDouble())));
    EXPECT_EQ(number.tagName, QStringLiteral("A"));
    ASSERT_TRUE(number.href.has_value());
    EXPECT_EQ(*number.href, QStringLiteral("pop:900"));
    // A message far above, reached by its in-page anchor, comes to the top as well.
    eval(*v, QStringLiteral("document.anchors.namedItem('Res12').scrollIntoView(true)"));
    EXPECT_NEAR(eval(*v, anchorTop.arg(12)).toDouble(), 0.0, 1.0);
}

TEST(HtmlViewLoad, APageWithADocumentTypeKeepsItsStandardsMode)
{
    ViewWindow window;
    HtmlView *v = window.addView();
    ASSERT_TRUE(loadAndWait(*v, "<!DOCTYPE html>\r\n" + page("<dl><dt>1<dd>text</dl>")));
    EXPECT_EQ(eval(*v, QStringLiteral("document.compatMode")).toString(), QStringLiteral("CSS1Compat"));
    EXPECT_EQ(eval(*v, QStringLiteral("document.doctype?document.doctype.name:''")).toString(), QStringLiteral("html"));
    ASSERT_TRUE(loadAndWait(*v, page("<dl><dt>1<dd>text</dl>")));
    EXPECT_EQ(eval(*v, QStringLiteral("document.compatMode")).toString(), QStringLiteral("BackCompat"))
        << "a page without one is read as the skins are written";
}

// --- Navigation ------------------------------------------------------------------------------

struct LinkPage {
    std::string bytes;
    static constexpr char kTopicLink[] = "http://messages.yahoo.co.jp/bbs?action=m&board=1&sid=1&tid=abc&mid=3";
};

std::string linksPage()
{
    return page(std::string("<p style='font-size:40px'>") + "<a id=topic href=\"" + LinkPage::kTopicLink +
                "\">topic</a><br><a id=pop href=\"pop:5\">5</a><br>"
                "<a id=blank target=_blank href=\"http://example.invalid/new\">blank</a><br>"
                "<a id=inpage href=\"#Res9\">in page</a><br>"
                "<span id=plain>plain</span></p><div style='height:3000px'></div><a name=Res9>nine</a>");
}

TEST(HtmlViewNavigation, ClickedLinkIsHandedToTheProgramAndNotFollowed)
{
    ViewWindow window;
    HtmlView *v = window.addView();
    ASSERT_TRUE(loadAndWait(*v, linksPage()));
    ASSERT_NE(v->inputWidget(), nullptr);
    const QUrl before = v->webView()->page()->url();
    QSignalSpy activated(v, &HtmlView::linkActivated);

    QTest::mouseClick(v->inputWidget(), Qt::LeftButton, {}, centreOf(*v, "topic"));
    EXPECT_EQ(nextHandOver(activated), QString::fromLatin1(LinkPage::kTopicLink));

    QTest::mouseClick(v->inputWidget(), Qt::LeftButton, {}, centreOf(*v, "pop"));
    EXPECT_EQ(nextHandOver(activated), QStringLiteral("pop:5"));

    settle(300);
    EXPECT_EQ(v->webView()->page()->url(), before);
    EXPECT_TRUE(eval(*v, QStringLiteral("document.getElementById('topic')!==null")).toBool());
}

TEST(HtmlViewNavigation, LinkClickedByScriptIsHandedOverToo)
{
    ViewWindow window;
    HtmlView *v = window.addView();
    ASSERT_TRUE(loadAndWait(*v, linksPage()));
    QSignalSpy activated(v, &HtmlView::linkActivated);
    eval(*v, QStringLiteral("document.getElementById('topic').click()"));
    EXPECT_EQ(nextHandOver(activated), QString::fromLatin1(LinkPage::kTopicLink));
    EXPECT_TRUE(eval(*v, QStringLiteral("document.getElementById('topic')!==null")).toBool());
}

TEST(HtmlViewNavigation, NewWindowRequestsAreCancelledAndHandOverTheHoveredLink)
{
    ViewWindow window;
    HtmlView *v = window.addView();
    ASSERT_TRUE(loadAndWait(*v, linksPage()));
    QSignalSpy activated(v, &HtmlView::linkActivated);
    QSignalSpy hovered(v, &HtmlView::linkHovered);

    const QPoint topic = centreOf(*v, "topic");
    QTest::mouseMove(v->inputWidget(), topic);
    ASSERT_TRUE(viewtest::WaitUntil([&] { return v->hoveredLink() == QLatin1String(LinkPage::kTopicLink); }, 5000));
    EXPECT_GE(hovered.count(), 1);
    QTest::mouseClick(v->inputWidget(), Qt::MiddleButton, {}, topic);
    EXPECT_EQ(nextHandOver(activated), QString::fromLatin1(LinkPage::kTopicLink));

    QTest::mouseClick(v->inputWidget(), Qt::LeftButton, Qt::ControlModifier, topic);
    EXPECT_EQ(nextHandOver(activated), QString::fromLatin1(LinkPage::kTopicLink));

    const QPoint blank = centreOf(*v, "blank");
    QTest::mouseMove(v->inputWidget(), blank);
    ASSERT_TRUE(viewtest::WaitUntil([&] { return v->hoveredLink().endsWith(QLatin1String("/new")); }, 5000));
    QTest::mouseClick(v->inputWidget(), Qt::LeftButton, {}, blank);
    EXPECT_EQ(nextHandOver(activated), QStringLiteral("http://example.invalid/new"));

    settle(300);
    EXPECT_EQ(activated.count(), 0); // one hand-over per request
    EXPECT_TRUE(eval(*v, QStringLiteral("document.getElementById('topic')!==null")).toBool());
}

TEST(HtmlViewNavigation, InPageAnchorLinkScrollsWithoutHandOver)
{
    ViewWindow window;
    HtmlView *v = window.addView();
    ASSERT_TRUE(loadAndWait(*v, linksPage()));
    QSignalSpy activated(v, &HtmlView::linkActivated);
    QTest::mouseClick(v->inputWidget(), Qt::LeftButton, {}, centreOf(*v, "inpage"));
    EXPECT_TRUE(viewtest::WaitUntil([&] { return scrollY(*v) > 0; }, 5000));
    EXPECT_EQ(activated.count(), 0);
}

// --- Hit testing -----------------------------------------------------------------------------

TEST(HtmlViewHitTest, GivesTagNameAndHrefOfTheElementAtAPoint)
{
    ViewWindow window;
    HtmlView *v = window.addView();
    ASSERT_TRUE(loadAndWait(*v, linksPage()));

    view::HitTestResult link = hitTest(*v, centreOf(*v, "topic"));
    EXPECT_TRUE(link.found);
    EXPECT_EQ(link.tagName, QStringLiteral("A"));
    ASSERT_TRUE(link.href.has_value());
    EXPECT_EQ(*link.href, QString::fromLatin1(LinkPage::kTopicLink));

    view::HitTestResult pop = hitTest(*v, centreOf(*v, "pop"));
    ASSERT_TRUE(pop.href.has_value());
    EXPECT_EQ(*pop.href, QStringLiteral("pop:5"));

    view::HitTestResult plain = hitTest(*v, centreOf(*v, "plain"));
    EXPECT_TRUE(plain.found);
    EXPECT_EQ(plain.tagName, QStringLiteral("SPAN"));
    EXPECT_FALSE(plain.href.has_value());

    EXPECT_FALSE(hitTest(*v, QPoint(-50, -50)).found);
}

// --- Nothing leaves the machine, nothing of the page runs ------------------------------------

class LoopbackListener {
public:
    LoopbackListener()
    {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection()) {
                ++m_accepted;
                s->close();
                s->deleteLater();
            }
        });
    }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort()); }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }
    int accepted() const { return m_accepted; }
    void reset() { m_accepted = 0; }

private:
    QTcpServer m_server;
    int m_accepted = 0;
};

TEST(HtmlViewIsolation, PageReferencesLoadNothingFromTheNetwork)
{
    LoopbackListener listener;
    {
        // The listener counts what reaches it.
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, quint16(listener.base().section(':', 2).section('/', 0, 0).toUInt()));
        ASSERT_TRUE(probe.waitForConnected(2000));
        ASSERT_TRUE(viewtest::WaitUntil([&] { return listener.accepted() == 1; }, 2000));
        listener.reset();
    }
    const std::string u = listener.base().toStdString();
    const std::string h = listener.host().toStdString();
    const std::string body =
        "<link rel=stylesheet href='" + u + "css'><link rel=icon href='" + u + "icon'>"
        "<link rel=preconnect href='" + u + "'><link rel=dns-prefetch href='//" + h + "'>"
        "<link rel=prefetch href='" + u + "prefetch'><link rel=preload as=image href='" + u + "preload'>"
        "<link rel=prerender href='" + u + "prerender'>"
        "<style>@import url('" + u + "import'); p{background:url('" + u + "bg')}"
        "@font-face{font-family:x;src:url('" + u + "font')} p{font-family:x}</style>"
        "<img src='" + u + "img'><img srcset='" + u + "srcset 2x'><input type=image src='" + u + "input'>"
        "<iframe src='" + u + "frame'></iframe><script src='" + u + "script'></script>"
        "<object data='" + u + "object'></object><embed src='" + u + "embed'>"
        "<video poster='" + u + "poster' src='" + u + "video' autoplay></video><audio src='" + u + "audio' autoplay></audio>"
        "<table background='" + u + "table'><tr><td>x</td></tr></table>"
        "<a id=ping href='#x' ping='" + u + "ping'>ping</a>"
        "<form id=f action='" + u + "form'><input name=q value=1></form>"
        "<meta http-equiv=refresh content='0;url=" + u + "refresh'>"
        "<p>text</p>";

    ViewWindow window;
    HtmlView *v = window.addView();
    QSignalSpy activated(v, &HtmlView::linkActivated);
    ASSERT_TRUE(loadAndWait(*v, page(body)));
    settle(2000);
    EXPECT_EQ(listener.accepted(), 0);

    // Neither a refresh nor a submitted form leaves the page or reaches the program.
    eval(*v, QStringLiteral("document.getElementById('ping').click();document.getElementById('f').submit()"));
    settle(1000);
    EXPECT_EQ(listener.accepted(), 0);
    EXPECT_EQ(activated.count(), 0);
    EXPECT_TRUE(eval(*v, QStringLiteral("document.getElementById('f')!==null")).toBool());
}

TEST(HtmlViewIsolation, PageScriptsDoNotRun)
{
    ViewWindow window;
    HtmlView *v = window.addView();
    const std::string body = "<p id=p>static</p>"
                             "<script>document.getElementById('p').textContent='script';</script>"
                             "<img src='data:,' onerror=\"document.body.setAttribute('data-ran','onerror')\">"
                             "<svg onload=\"document.body.setAttribute('data-ran','svg')\"></svg>"
                             "<a id=js href=\"javascript:document.body.setAttribute('data-ran','href')\">js</a>";
    ASSERT_TRUE(loadAndWait(*v, "<html><body onload=\"document.body.setAttribute('data-ran','onload')\">" + body +
                                    "</body></html>"));
    eval(*v, QStringLiteral("document.getElementById('js').click()"));
    settle(500);
    EXPECT_EQ(eval(*v, QStringLiteral("document.getElementById('p').textContent")).toString(), QStringLiteral("static"));
    EXPECT_TRUE(eval(*v, QStringLiteral("document.body.getAttribute('data-ran')")).isNull());
    // Our own world's variables are not the page's either way.
    EXPECT_TRUE(eval(*v, QStringLiteral("typeof window.nkProbe==='undefined'")).toBool());
}

// --- Many tabs -------------------------------------------------------------------------------

TEST(HtmlViewTabs, AllViewsShareOneRenderer)
{
    ViewWindow window;
    HtmlView *a = window.addView();
    HtmlView *b = window.addView();
    ASSERT_TRUE(loadAndWait(*a, page("a")));
    window.show(b);
    ASSERT_TRUE(loadAndWait(*b, page("b")));
    const qint64 pa = a->webView()->page()->renderProcessPid();
    EXPECT_GT(pa, 0);
    EXPECT_EQ(b->webView()->page()->renderProcessPid(), pa);
}

TEST(HtmlViewTabs, ViewsBuildTheirPagesAgainWhenTheRendererDies)
{
    ViewWindow window;
    HtmlView *front = window.addView();
    HtmlView *back = window.addView();
    window.show(back);
    ASSERT_TRUE(loadAndWait(*back, page(Sjis("裏"))));
    window.show(front);
    ASSERT_TRUE(loadAndWait(*front, page(Sjis("表"))));
    const qint64 renderer = front->webView()->page()->renderProcessPid();
    ASSERT_GT(renderer, 0);

    QSignalSpy completed(front, &HtmlView::loadCompleted);
    ASSERT_EQ(::kill(pid_t(renderer), SIGKILL), 0);
    ASSERT_TRUE(viewtest::WaitUntil([&] { return !completed.isEmpty(); }, kLoadTimeoutMs));
    EXPECT_EQ(bodyTextSjis(*front), Sjis("表"));
    EXPECT_NE(front->webView()->page()->renderProcessPid(), renderer);

    QSignalSpy backCompleted(back, &HtmlView::loadCompleted);
    window.show(back);
    ASSERT_TRUE(viewtest::WaitUntil([&] { return !backCompleted.isEmpty(); }, kLoadTimeoutMs));
    EXPECT_EQ(bodyTextSjis(*back), Sjis("裏"));
}

class HtmlViewDiscard : public ::testing::Test {
protected:
    void SetUp() override { view::SetLiveHiddenViews(1); }
    void TearDown() override { view::SetLiveHiddenViews(3); }
};

TEST_F(HtmlViewDiscard, HiddenViewsBeyondTheBudgetAreDiscardedAndComeBackWhereTheyWere)
{
    ViewWindow window;
    HtmlView *a = window.addView();
    HtmlView *b = window.addView();
    HtmlView *c = window.addView();
    const std::string topic = viewtest::SamplePage(120);
    ASSERT_TRUE(loadAndWait(*a, topic, 57));
    const double aY = scrollY(*a);
    ASSERT_GT(aY, 0);
    window.show(b);
    ASSERT_TRUE(loadAndWait(*b, topic, 30));
    settle(300);
    EXPECT_TRUE(a->isLive()); // the one most recently visible hidden view keeps its document
    window.show(c);
    ASSERT_TRUE(loadAndWait(*c, topic, 10));
    ASSERT_TRUE(viewtest::WaitUntil([&] { return !a->isLive(); }, 5000));
    EXPECT_TRUE(b->isLive());
    EXPECT_EQ(a->webView()->page()->lifecycleState(), QWebEnginePage::LifecycleState::Discarded);

    // Shown again: rebuilt from the stored bytes, at the same position, with no new load.
    QSignalSpy completed(a, &HtmlView::loadCompleted);
    window.show(a);
    EXPECT_TRUE(a->isLive());
    ASSERT_TRUE(viewtest::WaitUntil([&] { return scrollY(*a) == aY; }, 10000));
    EXPECT_EQ(completed.count(), 0);
    EXPECT_EQ(eval(*a, QStringLiteral("document.anchors.length")).toInt(), 120);
}

TEST_F(HtmlViewDiscard, LoadIntoADiscardedViewIsBuiltWhenShown)
{
    ViewWindow window;
    HtmlView *a = window.addView();
    HtmlView *b = window.addView();
    HtmlView *c = window.addView();
    ASSERT_TRUE(loadAndWait(*a, page("old")));
    window.show(b);
    ASSERT_TRUE(loadAndWait(*b, page("b")));
    window.show(c);
    ASSERT_TRUE(loadAndWait(*c, page("c")));
    ASSERT_TRUE(viewtest::WaitUntil([&] { return !a->isLive(); }, 5000));

    QSignalSpy completed(a, &HtmlView::loadCompleted);
    a->setScrollTarget(80);
    a->load(viewtest::SamplePage(100));
    settle(300);
    EXPECT_EQ(completed.count(), 0);
    EXPECT_TRUE(a->isLoading());

    window.show(a);
    ASSERT_TRUE(viewtest::WaitUntil([&] { return !completed.isEmpty(); }, kLoadTimeoutMs));
    EXPECT_TRUE(completed.takeFirst().at(0).toBool());
    EXPECT_EQ(eval(*a, QStringLiteral("document.anchors.length")).toInt(), 100);
    EXPECT_NEAR(eval(*a, QStringLiteral("document.anchors.namedItem('Res80').getBoundingClientRect().top")).toDouble(),
                0.0, 1.0);
}

TEST_F(HtmlViewDiscard, APageLoadedWhileADiscardedViewIsRebuiltWins)
{
    // Switching to a discarded tab whose topic has just finished downloading: the rebuild of the
    // old document and the new page meet.
    ViewWindow window;
    HtmlView *a = window.addView();
    HtmlView *b = window.addView();
    HtmlView *c = window.addView();
    ASSERT_TRUE(loadAndWait(*a, viewtest::SamplePage(300)));
    window.show(b);
    ASSERT_TRUE(loadAndWait(*b, page("b")));
    window.show(c);
    ASSERT_TRUE(loadAndWait(*c, page("c")));
    ASSERT_TRUE(viewtest::WaitUntil([&] { return !a->isLive(); }, 5000));

    QSignalSpy completed(a, &HtmlView::loadCompleted);
    window.show(a);
    a->setScrollTarget(0);
    a->load(page(Sjis("新しい版")));
    ASSERT_TRUE(viewtest::WaitUntil([&] { return !completed.isEmpty(); }, kLoadTimeoutMs));
    EXPECT_TRUE(completed.takeFirst().at(0).toBool());
    EXPECT_EQ(bodyTextSjis(*a), Sjis("新しい版"));
    settle(300);
    EXPECT_TRUE(completed.isEmpty());
    EXPECT_EQ(bodyTextSjis(*a), Sjis("新しい版")) << "the rebuilt old document came in over the new page";
}

TEST_F(HtmlViewDiscard, ViewNeverShownLoadsWhenFirstShown)
{
    ViewWindow window;
    HtmlView *front = window.addView();
    HtmlView *background = window.addView();
    ASSERT_TRUE(loadAndWait(*front, page("front")));
    QSignalSpy completed(background, &HtmlView::loadCompleted);
    background->load(page(Sjis("裏のタブ")));
    settle(300);
    EXPECT_EQ(completed.count(), 0);
    window.show(background);
    ASSERT_TRUE(viewtest::WaitUntil([&] { return !completed.isEmpty(); }, kLoadTimeoutMs));
    EXPECT_EQ(bodyTextSjis(*background), Sjis("裏のタブ"));
}

} // namespace

int main(int argc, char **argv)
{
    view::PrepareProcess();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
