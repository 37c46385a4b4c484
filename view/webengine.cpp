// The web engine set-up shared by every view: the page scheme and its handler, the request
// guard, the profile and its settings.
#include "view/webengine.h"

#include "view/detail.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QThread>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>

#include <cassert>
#include <cstdlib>
#include <unordered_map>

Q_LOGGING_CATEGORY(lcView, "nekomado.view", QtWarningMsg)

namespace view {
namespace {

constexpr char kPageHost[] = "page";
// Schemes of links that mean something only to the program (the skin's "pop:" number links).
// Registered so that a click on one is a navigation the view can cancel and hand over, not an
// unknown protocol the engine drops.
constexpr const char *kLinkOnlySchemes[] = {"pop"};
// The page bytes are Shift_JIS whatever the page's own meta tag says: the engine decodes by
// this header first.
constexpr char kPageContentType[] = "text/html; charset=Shift_JIS";

struct StoredPage {
    QUrl url;
    QByteArray bytes;
};

// Touched only on the main thread: the views publish there, and the engine calls scheme
// handlers there.
std::unordered_map<quint64, StoredPage> &pageTable()
{
    static std::unordered_map<quint64, StoredPage> table;
    return table;
}

quint64 g_pageSerial = 0;
int g_liveHiddenViews = 3;
QWebEngineProfile *g_profile = nullptr;

[[maybe_unused]] bool onMainThread()
{
    return QCoreApplication::instance() == nullptr ||
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

bool isPageUrl(const QUrl &url)
{
    return url.scheme() == QLatin1String(kPageScheme) && url.host() == QLatin1String(kPageHost);
}

// Path "/<view id>/<serial>"; the view id selects the table entry.
std::optional<quint64> viewIdOf(const QUrl &url)
{
    if (!isPageUrl(url))
        return std::nullopt;
    const QStringList parts = url.path().split(u'/', Qt::SkipEmptyParts);
    if (parts.size() != 2)
        return std::nullopt;
    bool ok = false;
    const quint64 id = parts[0].toULongLong(&ok);
    if (!ok)
        return std::nullopt;
    return id;
}

class PageSchemeHandler : public QWebEngineUrlSchemeHandler {
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    void requestStarted(QWebEngineUrlRequestJob *job) override
    {
        if (job->requestMethod() != "GET") {
            job->fail(QWebEngineUrlRequestJob::RequestDenied);
            return;
        }
        std::optional<QByteArray> bytes = detail::FindPage(job->requestUrl());
        if (!bytes) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        // The buffer holds a copy, so a page replaced while the engine still reads this one
        // stays whole.
        auto *buffer = new QBuffer(job);
        buffer->setData(*bytes);
        buffer->open(QIODevice::ReadOnly);
        job->reply(kPageContentType, buffer);
    }
};

class RefusingSchemeHandler : public QWebEngineUrlSchemeHandler {
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    void requestStarted(QWebEngineUrlRequestJob *job) override { job->fail(QWebEngineUrlRequestJob::RequestDenied); }
};

// Board text is never trusted: whatever a page refers to, only our own page URLs (as the main
// frame), data: and about:blank are loaded. Everything else is blocked before it is requested.
class RequestGuard : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        const QUrl url = info.requestUrl();
        const QString scheme = url.scheme();
        if (scheme == QLatin1String(kPageScheme) &&
            info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame)
            return;
        if (scheme == QLatin1String("data"))
            return;
        if (scheme == QLatin1String("about") && url.path() == QLatin1String("blank"))
            return;
        qCDebug(lcView) << "blocked" << info.resourceType() << url.toString(QUrl::RemoveQuery);
        info.block(true);
    }
};

QString japaneseSansSerif()
{
    static const char *const kCandidates[] = {"Noto Sans CJK JP", "Noto Sans JP", "IPAexGothic", "IPAPGothic",
                                              "VL PGothic", "TakaoPGothic"};
    const QStringList families = QFontDatabase::families();
    for (const char *candidate : kCandidates) {
        if (families.contains(QLatin1String(candidate), Qt::CaseInsensitive))
            return QLatin1String(candidate);
    }
    return QStringLiteral("sans-serif");
}

void applySettings(QWebEngineSettings *s)
{
    using S = QWebEngineSettings;
    // Page scripts stay off; our own scripts run in the application world regardless.
    s->setAttribute(S::JavascriptEnabled, false);
    s->setAttribute(S::JavascriptCanOpenWindows, false);
    s->setAttribute(S::JavascriptCanAccessClipboard, false);
    s->setAttribute(S::JavascriptCanPaste, false);
    s->setAttribute(S::AllowWindowActivationFromJavaScript, false);
    // Nothing leaves the machine, not even a DNS look-up, a favicon, an audit ping or a plug-in.
    s->setAttribute(S::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(S::LocalContentCanAccessFileUrls, false);
    s->setAttribute(S::AllowRunningInsecureContent, false);
    s->setAttribute(S::DnsPrefetchEnabled, false);
    s->setAttribute(S::HyperlinkAuditingEnabled, false);
    s->setAttribute(S::AutoLoadIconsForPage, false);
    s->setAttribute(S::TouchIconsEnabled, false);
    s->setAttribute(S::PluginsEnabled, false);
    s->setAttribute(S::PdfViewerEnabled, false);
    s->setAttribute(S::WebGLEnabled, false);
    s->setAttribute(S::ScreenCaptureEnabled, false);
    s->setAttribute(S::WebRTCPublicInterfacesOnly, true);
    s->setAttribute(S::LocalStorageEnabled, false);
    s->setAttribute(S::XSSAuditingEnabled, true);
    s->setAttribute(S::FullScreenSupportEnabled, false);
    // A URL dropped on a view would navigate it; a background load must not take the focus.
    s->setAttribute(S::NavigateOnDropEnabled, false);
    s->setAttribute(S::FocusOnNavigationEnabled, false);
    s->setAttribute(S::ErrorPageEnabled, false);
    s->setUnknownUrlSchemePolicy(S::DisallowUnknownUrlSchemes);
    // The engine's default face is a serif.
    const QString family = japaneseSansSerif();
    s->setFontFamily(S::StandardFont, family);
    s->setFontFamily(S::SansSerifFont, family);
    s->setDefaultTextEncoding(QStringLiteral("Shift_JIS"));
}

} // namespace

namespace detail {

QUrl PublishPage(quint64 viewId, QByteArray bytes)
{
    assert(onMainThread() && "pages are published on the main thread");
    QUrl url;
    url.setScheme(QLatin1String(kPageScheme));
    url.setHost(QLatin1String(kPageHost));
    url.setPath(QStringLiteral("/%1/%2").arg(viewId).arg(++g_pageSerial));
    pageTable()[viewId] = StoredPage{url, std::move(bytes)};
    return url;
}

void WithdrawPage(quint64 viewId)
{
    assert(onMainThread() && "pages are withdrawn on the main thread");
    pageTable().erase(viewId);
}

std::optional<QByteArray> FindPage(const QUrl &url)
{
    assert(onMainThread() && "pages are looked up on the main thread");
    const std::optional<quint64> id = viewIdOf(url);
    if (!id)
        return std::nullopt;
    const auto it = pageTable().find(*id);
    if (it == pageTable().end() || it->second.url != url.adjusted(QUrl::RemoveFragment))
        return std::nullopt;
    return it->second.bytes;
}

bool IsPageUrl(const QUrl &url) { return isPageUrl(url); }

} // namespace detail

void RegisterSchemes()
{
    static bool registered = false;
    if (registered)
        return;
    assert(QCoreApplication::instance() == nullptr && "RegisterSchemes must run before the QApplication exists");
    QWebEngineUrlScheme scheme(kPageScheme);
    // Host syntax: all pages share one origin and one renderer. With path syntax every load
    // would start a renderer of its own.
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // Local: the engine applies LocalContentCanAccessRemoteUrls (off) to our pages. Secure: plain
    // http content inside them counts as mixed content and is refused as well.
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalScheme);
    QWebEngineUrlScheme::registerScheme(scheme);
    for (const char *name : kLinkOnlySchemes) {
        QWebEngineUrlScheme linkScheme(name);
        linkScheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
        linkScheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::NoAccessAllowed);
        QWebEngineUrlScheme::registerScheme(linkScheme);
    }
    registered = true;
}

void AddChromiumFlags()
{
    assert(QCoreApplication::instance() == nullptr && "AddChromiumFlags must run before the QApplication exists");
    // Every view would otherwise get a renderer process of its own (about 100 MB each).
    static const char *const kFlags[] = {"--process-per-site"};
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    const QList<QByteArray> present = flags.split(' ');
    for (const char *flag : kFlags) {
        if (present.contains(QByteArray(flag)))
            continue;
        if (!flags.isEmpty())
            flags += ' ';
        flags += flag;
    }
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}

void PrepareProcess()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    RegisterSchemes();
    AddChromiumFlags();
}

QWebEngineProfile *SharedProfile()
{
    assert(QCoreApplication::instance() != nullptr && "the shared profile needs the application");
    assert(onMainThread() && "the shared profile is used on the main thread");
    if (g_profile)
        return g_profile;
    // No storage name: off the record, nothing is written to disk.
    auto *profile = new QWebEngineProfile(QCoreApplication::instance());
    profile->setHttpCacheType(QWebEngineProfile::NoCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    profile->setSpellCheckEnabled(false);
    profile->installUrlSchemeHandler(kPageScheme, new PageSchemeHandler(profile));
    for (const char *name : kLinkOnlySchemes)
        profile->installUrlSchemeHandler(name, new RefusingSchemeHandler(profile));
    profile->setUrlRequestInterceptor(new RequestGuard(profile));
    QObject::connect(profile, &QWebEngineProfile::downloadRequested, profile,
                     [](QWebEngineDownloadRequest *download) { download->cancel(); });
    applySettings(profile->settings());
    QObject::connect(profile, &QObject::destroyed, [] { g_profile = nullptr; });
    g_profile = profile;
    return g_profile;
}

void SetLiveHiddenViews(int count)
{
    g_liveHiddenViews = count;
    detail::RebalanceLiveViews();
}

int LiveHiddenViews() { return g_liveHiddenViews; }

} // namespace view
