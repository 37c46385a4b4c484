// The HTML view: loading from memory, the scroll to the message anchor, hand-over of links,
// hit testing, and the discarding of background views.
#include "view/htmlview.h"

#include "view/detail.h"
#include "view/viewpage.h"
#include "view/webengine.h"

#include <QAction>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <algorithm>
#include <cassert>
#include <vector>

Q_DECLARE_LOGGING_CATEGORY(lcView)

namespace view {

// Every view of the process, and the clock that orders them by when they were last visible.
// Hidden views beyond the budget lose their document; the most recently visible ones keep it,
// so switching back and forth between a few tabs stays instant.
class LiveViews {
public:
    static void add(HtmlView *view) { views().push_back(view); }
    static void remove(HtmlView *view) { std::erase(views(), view); }
    static quint64 tick() { return ++clock(); }

    /// Whether a hidden view would be among the ones allowed to keep a document.
    static bool mayStayLive(const HtmlView *view)
    {
        const int budget = LiveHiddenViews();
        if (budget < 0)
            return true;
        // A view that was never on screen waits until it is: nobody has seen its page yet.
        if (view->m_lastVisible == 0)
            return false;
        int newer = 0;
        for (const HtmlView *other : views()) {
            if (other != view && holdsPage(other) && !other->isVisible() && other->m_lastVisible > view->m_lastVisible)
                ++newer;
        }
        return newer < budget;
    }

    /// Rebalances once control returns to the event loop: show and hide events come in bursts.
    static void schedule()
    {
        if (scheduled())
            return;
        scheduled() = true;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [] {
                scheduled() = false;
                rebalance();
            },
            Qt::QueuedConnection);
    }

    static void rebalance()
    {
        if (LiveHiddenViews() < 0)
            return;
        // Copied: discarding does not change the list, but a callback might destroy a view.
        const std::vector<HtmlView *> snapshot = views();
        for (HtmlView *view : snapshot) {
            if (view->isVisible() || view->m_dormant || !holdsPage(view) || mayStayLive(view))
                continue;
            if (view->m_loadPending || view->m_engineLoading || view->m_discarding || view->m_restoring)
                continue; // rebalanced again when that load is over
            view->discard();
        }
    }

private:
    static bool holdsPage(const HtmlView *view) { return !view->m_url.isEmpty(); }
    static std::vector<HtmlView *> &views()
    {
        static std::vector<HtmlView *> list;
        return list;
    }
    static quint64 &clock()
    {
        static quint64 value = 0;
        return value;
    }
    static bool &scheduled()
    {
        static bool value = false;
        return value;
    }
};

void detail::RebalanceLiveViews() { LiveViews::schedule(); }

namespace {

quint64 g_nextViewId = 0;

/// How long a pending load may go without a word from the engine before the view looks at what
/// is in: far beyond a page of thousands of messages on a busy machine.
constexpr int kQuietLoadMs = 5000;
/// Times a page that did not come in is asked for again before the load is given up as failed.
constexpr int kMaxRetries = 3;

QString scrollToAnchorScript(int number, bool topWhenMissing)
{
    // The anchors collection holds the <a name=…> elements; the skin names each message
    // "Res" + its number. A target that is not on the page leaves the view where it is: at the
    // top of a new document, and put there for a document kept (as a new one would be).
    // It answers which document is in and whether it is complete.
    return QStringLiteral("(function(){var a=document.anchors.namedItem('Res%1');"
                          "if(a)a.scrollIntoView(true);%2return [location.href,document.readyState];})()")
        .arg(number)
        .arg(topWhenMissing ? QStringLiteral("else window.scrollTo(0,0);") : QString());
}

QString keepScrollScript(double y)
{
    // Same answer as the anchor script: which document is in and whether it is complete.
    return QStringLiteral("(function(){window.scrollTo(0,%1);return [location.href,document.readyState];})()").arg(y);
}

/// The vertical position and the first message anchor at or below the top of the view, for a
/// page about to be replaced by a longer version of itself.
constexpr const char *kScrollPlaceScript =
    "(function(){var y=window.scrollY,n='';var a=document.anchors;"
    "for(var i=0;i<a.length;i++){var r=a[i].getBoundingClientRect();"
    "if(r.top>=0&&/^Res[0-9]+$/.test(a[i].name)){n=a[i].name;break;}}return [y,n];})()";

QString hitTestScript(double x, double y)
{
    return QStringLiteral("(function(){var e=document.elementFromPoint(%1,%2);if(!e)return null;"
                          "var h=e.getAttribute('href');"
                          "if(h!==null&&typeof e.href==='string')h=e.href;"
                          "return {tag:e.tagName,href:h};})()")
        .arg(x)
        .arg(y);
}

} // namespace

HtmlView::HtmlView(QWidget *parent) : QWidget(parent), m_id(++g_nextViewId)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_web = new QWebEngineView(this);
    m_page = new ViewPage(this, SharedProfile());
    m_page->setParent(m_web);
    m_web->setPage(m_page);
    layout->addWidget(m_web);
    setFocusProxy(m_web);

    // Context menu entries that would navigate, save or inspect the page are of no use here.
    for (QWebEnginePage::WebAction action :
         {QWebEnginePage::Back, QWebEnginePage::Forward, QWebEnginePage::Reload, QWebEnginePage::ViewSource,
          QWebEnginePage::SavePage, QWebEnginePage::DownloadLinkToDisk, QWebEnginePage::DownloadImageToDisk,
          QWebEnginePage::DownloadMediaToDisk, QWebEnginePage::InspectElement})
        m_page->action(action)->setVisible(false);

    connect(m_page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        const bool finished = info.status() != QWebEngineLoadingInfo::LoadStartedStatus;
        // The engine may take a new document at its own zoom: ours is set again on each.
        if (m_page->zoomFactor() != m_zoom)
            m_page->setZoomFactor(m_zoom);
        onLoadingChanged(finished, info.status() == QWebEngineLoadingInfo::LoadSucceededStatus);
    });
    // A load that is still coming along is not stuck.
    connect(m_page, &QWebEnginePage::loadProgress, this, [this] {
        if (m_loadPending && !m_dormant)
            m_watchdog->start();
    });
    m_watchdog = new QTimer(this);
    m_watchdog->setSingleShot(true);
    m_watchdog->setInterval(kQuietLoadMs);
    connect(m_watchdog, &QTimer::timeout, this, [this] {
        if (m_loadPending && !m_dormant)
            confirmLoad(true, true);
    });
    connect(m_page, &QWebEnginePage::linkHovered, this, [this](const QString &url) {
        m_hoveredLink = url.isEmpty() ? QString() : QUrl(url).toString(QUrl::FullyEncoded);
        emit linkHovered(m_hoveredLink);
    });
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                onRendererGone(status != QWebEnginePage::NormalTerminationStatus, exitCode);
            });
    connect(m_page, &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest &request) { handOverNewWindow(request.requestedUrl()); });
    LiveViews::add(this);
}

HtmlView::~HtmlView()
{
    LiveViews::remove(this);
    detail::WithdrawPage(m_id);
}

bool HtmlView::reloadKeepingScroll(std::string sjisBytes)
{
    if (m_loadPending || m_engineLoading || m_dormant || m_discarding || m_restoring || m_keepReading ||
        !isVisible() || m_url.isEmpty())
        return false;
    // The same page again would cost the engine a whole new document (on a machine with few
    // cores, time taken from the downloads that feed it) to show nothing new.
    if (showsPage(sjisBytes))
        return true;
    m_keepReading = true;
    QPointer<HtmlView> self(this);
    const quint64 serial = m_loadSerial;
    m_page->runJavaScript(
        QLatin1String(kScrollPlaceScript), QWebEngineScript::ApplicationWorld,
        [self, serial, bytes = std::move(sjisBytes)](const QVariant &value) mutable {
            if (!self)
                return;
            self->m_keepReading = false;
            // A page asked for meanwhile is newer than this one.
            if (self->m_loadSerial != serial || self->m_dormant)
                return;
            const QVariantList place = value.toList();
            const double y = place.size() == 2 ? place[0].toDouble() : 0;
            const QString anchor = place.size() == 2 ? place[1].toString() : QString();
            self->loadPage(std::move(bytes), y, y > 0 ? anchor : QString());
        });
    return true;
}

void HtmlView::load(std::string sjisBytes)
{
    if (showsPage(sjisBytes)) {
        // The document in is this page: only the scroll to the target is new. Building it again
        // would show the same a tenth of a second later (the end of a download whose messages
        // in view came long before).
        ++m_loadSerial;
        m_keepScrollY.reset();
        m_keepFragment.clear();
        m_documentKept = true;
        m_loadPending = true;
        m_retries = 0;
        m_watchdog->start();
        confirmLoad(true, false);
        return;
    }
    loadPage(std::move(sjisBytes), std::nullopt, QString());
}

bool HtmlView::showsPage(const std::string &sjisBytes) const
{
    if (!m_pageIn || m_loadPending || m_engineLoading || m_dormant || m_discarding || m_restoring || m_keepReading ||
        !isVisible())
        return false;
    const std::optional<QByteArray> shown = detail::FindPage(m_url);
    return shown && QByteArrayView(*shown) == QByteArrayView(sjisBytes.data(), static_cast<qsizetype>(sjisBytes.size()));
}

void HtmlView::loadPage(std::string sjisBytes, std::optional<double> keepScrollY, QString fragment)
{
    ++m_loadSerial;
    m_pageIn = false;
    m_documentKept = false;
    m_keepScrollY = keepScrollY;
    m_keepFragment = std::move(fragment);
    m_url = detail::PublishPage(m_id, QByteArray::fromStdString(sjisBytes));
    m_loadPending = true;
    m_retries = 0;
    if (m_restoring) {
        // The engine's rebuild of the old document may never report its end (it can run before
        // the view hears it was shown): the new page does not wait for it. Should the two fold
        // into one, the document check asks for the new page again.
        m_restoring = false;
        m_engineLoading = false;
    }
    if (m_dormant) {
        m_page->setOwnUrl(m_url); // the engine's rebuild of the old document is refused
        return;                   // built when the view is shown
    }
    if (!isVisible() && !LiveViews::mayStayLive(this)) {
        // A background view beyond the budget: its old document goes now, the new one is
        // built when the view is shown.
        if (!m_page->url().isEmpty())
            m_page->setLifecycleState(QWebEnginePage::LifecycleState::Discarded);
        m_page->setOwnUrl(m_url);
        m_dormant = true;
        return;
    }
    startLoad();
}

void HtmlView::startLoad()
{
    // One navigation at a time: the engine may fold a load started during another into that one
    // and report only the first, so the newest page follows when the current one is over.
    if (m_engineLoading) {
        if (!m_watchdog->isActive())
            m_watchdog->start(); // in case the end of the one in flight is never reported
        return;
    }
    m_engineLoading = true;
    m_startedUrl = m_url;
    // Set only now: the navigation in flight until now stays allowed to finish.
    m_page->setOwnUrl(m_url);
    m_watchdog->start();
    if (m_keepFragment.isEmpty()) {
        m_page->load(m_url);
    } else {
        // The engine lays the page out at the anchor from its first paint; the exact position
        // follows once the page is in.
        QUrl near = m_url;
        near.setFragment(m_keepFragment);
        m_page->load(near);
    }
}

void HtmlView::onLoadingChanged(bool finished, bool ok)
{
    // Whatever navigation the engine reports on, its start or end is what tells whether the
    // engine is busy; which document is in is asked of the document itself (confirmLoad).
    if (!finished) {
        m_engineLoading = true;
        return;
    }
    m_engineLoading = false;
    if (m_restoring) {
        m_restoring = false;
        m_page->runJavaScript(QStringLiteral("window.scrollTo(0,%1)").arg(m_savedScrollY),
                              QWebEngineScript::ApplicationWorld, [](const QVariant &) {});
    } else if (m_loadPending && !m_dormant) {
        if (m_startedUrl != m_url) {
            startLoad(); // a newer page came while this one loaded
            return;
        }
        confirmLoad(ok, false);
        return;
    }
    LiveViews::schedule();
}

void HtmlView::confirmLoad(bool ok, bool quiet)
{
    QPointer<HtmlView> self(this);
    const QUrl wanted = m_url;
    m_page->runJavaScript(
        m_keepScrollY ? keepScrollScript(*m_keepScrollY) : scrollToAnchorScript(m_scrollTarget, m_documentKept),
        QWebEngineScript::ApplicationWorld,
        [self, wanted, ok, quiet](const QVariant &value) {
            if (!self || self->m_url != wanted || !self->m_loadPending || self->m_dormant)
                return;
            const QVariantList state = value.toList();
            const bool ours = state.size() == 2 && QUrl(state[0].toString()).adjusted(QUrl::RemoveFragment) == wanted;
            const bool complete = state.size() == 2 && state[1].toString() == QLatin1String("complete");
            if (ours && (!quiet || complete)) {
                self->m_loadPending = false;
                self->m_pageIn = ok;
                self->m_watchdog->stop();
                LiveViews::schedule();
                emit self->loadCompleted(ok);
            } else if (quiet && ours) {
                self->m_watchdog->start(); // still being built
            } else if (quiet || !self->m_engineLoading) {
                // Another document is in and the engine has gone quiet, or its report of the end
                // was lost: the page is asked for again.
                self->retryLoad();
            }
        });
}

void HtmlView::retryLoad()
{
    if (++m_retries > kMaxRetries) {
        qCWarning(lcView) << "the page did not come in after" << kMaxRetries << "attempts:" << m_url;
        m_loadPending = false;
        m_watchdog->stop();
        LiveViews::schedule();
        emit loadCompleted(false);
        return;
    }
    m_engineLoading = false;
    startLoad();
}

void HtmlView::onRendererGone(bool abnormal, int exitCode)
{
    if (!abnormal || m_url.isEmpty())
        return;
    // One renderer holds every tab: when it dies, each view builds its page again (the visible
    // ones now, the others when shown), rather than staying blank.
    qCWarning(lcView) << "renderer ended with" << exitCode << "- rebuilding the page";
    m_loadPending = true;
    m_pageIn = false;
    m_engineLoading = false;
    m_discarding = false;
    m_restoring = false;
    if (isVisible()) {
        m_dormant = false;
        startLoad();
    } else {
        m_dormant = true;
    }
}

void HtmlView::discard()
{
    m_discarding = true;
    QPointer<HtmlView> self(this);
    const QUrl current = m_url;
    m_page->runJavaScript(
        QStringLiteral("window.scrollY"), QWebEngineScript::ApplicationWorld, [self, current](const QVariant &y) {
            if (!self)
                return;
            self->m_discarding = false;
            // Things may have moved on while the position was read.
            if (self->isVisible() || self->m_url != current || self->m_dormant || self->m_loadPending ||
                self->m_engineLoading || LiveViews::mayStayLive(self))
                return;
            self->m_page->setLifecycleState(QWebEnginePage::LifecycleState::Discarded);
            if (self->m_page->lifecycleState() != QWebEnginePage::LifecycleState::Discarded)
                return;
            self->m_savedScrollY = y.toDouble();
            self->m_dormant = true;
        });
}

void HtmlView::wake()
{
    if (!m_dormant)
        return;
    m_dormant = false;
    // The engine's own view may have woken the page already: it is shown before this widget
    // hears of it.
    if (m_page->lifecycleState() == QWebEnginePage::LifecycleState::Discarded)
        m_page->setLifecycleState(QWebEnginePage::LifecycleState::Active);
    if (m_loadPending) {
        // A newer page arrived while the view was away; the engine's rebuild of the old one is
        // refused as a navigation to a page that is no longer ours.
        m_engineLoading = false;
        startLoad();
        return;
    }
    // The engine reloads the page it forgot from our page store; the scroll position is put back
    // once it is in.
    m_restoring = true;
    m_engineLoading = true;
}

void HtmlView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_lastVisible = LiveViews::tick();
    wake();
}

void HtmlView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_lastVisible = LiveViews::tick();
    LiveViews::schedule();
}

void HtmlView::readScrollY(std::function<void(double)> callback)
{
    QPointer<HtmlView> self(this);
    m_page->runJavaScript(QStringLiteral("window.scrollY"), QWebEngineScript::ApplicationWorld,
                          [self, callback = std::move(callback)](const QVariant &y) {
                              if (self && callback)
                                  callback(y.toDouble());
                          });
}

void HtmlView::hitTest(QPoint position, std::function<void(const HitTestResult &)> callback)
{
    // The document measures in CSS pixels, the widget in device-independent ones.
    const qreal zoom = m_page->zoomFactor() > 0 ? m_page->zoomFactor() : 1.0;
    QPointer<HtmlView> self(this);
    m_page->runJavaScript(hitTestScript(position.x() / zoom, position.y() / zoom), QWebEngineScript::ApplicationWorld,
                          [self, callback = std::move(callback)](const QVariant &value) {
                              if (!self || !callback)
                                  return;
                              HitTestResult result;
                              const QVariantMap map = value.toMap();
                              if (!map.isEmpty()) {
                                  result.found = true;
                                  result.tagName = map.value(QStringLiteral("tag")).toString();
                                  const QVariant href = map.value(QStringLiteral("href"));
                                  if (href.isValid() && !href.isNull())
                                      result.href = href.toString();
                              }
                              callback(result);
                          });
}

void HtmlView::runScript(const QString &script, std::function<void(const QVariant &)> callback)
{
    QPointer<HtmlView> self(this);
    m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                          [self, callback = std::move(callback)](const QVariant &value) {
                              if (self && callback)
                                  callback(value);
                          });
}

void HtmlView::setZoomFactor(double factor)
{
    m_zoom = factor;
    m_page->setZoomFactor(factor);
}

QWidget *HtmlView::inputWidget() const { return m_web->focusProxy(); }

void HtmlView::handOverNavigation(const QUrl &url)
{
    // Queued: the program's answer may well be a new load into this view, which must not run
    // inside the engine's navigation call.
    const QString text = url.toString(QUrl::FullyEncoded);
    QMetaObject::invokeMethod(this, [this, text] { emit linkActivated(text); }, Qt::QueuedConnection);
}

void HtmlView::handOverNewWindow(const QUrl &requested)
{
    // The engine may announce one new window twice (the request signal and createWindow); the
    // program hears of it once. The hovered link is what the user pointed at; the requested
    // URL stands in when the request came from the keyboard.
    if (!requested.isEmpty())
        m_newWindowUrl = requested;
    if (m_newWindowQueued)
        return;
    m_newWindowQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_newWindowQueued = false;
            const QString url = m_hoveredLink.isEmpty() ? m_newWindowUrl.toString(QUrl::FullyEncoded) : m_hoveredLink;
            m_newWindowUrl.clear();
            if (!url.isEmpty())
                emit linkActivated(url);
        },
        Qt::QueuedConnection);
}

} // namespace view
