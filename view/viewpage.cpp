// Navigation policy of the view's engine page.
#include "view/viewpage.h"

#include "view/htmlview.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcView)

namespace view {

ViewPage::ViewPage(HtmlView *view, QWebEngineProfile *profile) : QWebEnginePage(profile, view), m_view(view) {}

bool ViewPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (!isMainFrame) {
        // Frames in board text are left to themselves: they can show inline content but
        // fetch nothing (the request guard), and they are never handed to the program.
        const QString scheme = url.scheme();
        return scheme == QLatin1String("about") || scheme == QLatin1String("data");
    }
    // Our own page: the load the view started, its rebuild after a discard, a reload, and a
    // jump to an anchor inside it.
    if (url.adjusted(QUrl::RemoveFragment) == m_ownUrl)
        return true;
    // Only what the user clicked goes to the program. Redirects, refreshes, form posts and
    // history moves that board text could start on its own are dropped.
    if (type == NavigationTypeLinkClicked && url.scheme() != QLatin1String("about"))
        m_view->handOverNavigation(url);
    else
        qCDebug(lcView) << "navigation dropped" << type << url.toString(QUrl::RemoveQuery);
    return false;
}

QWebEnginePage *ViewPage::createWindow(WebWindowType)
{
    m_view->handOverNewWindow(QUrl());
    return nullptr;
}

void ViewPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message, int line,
                                        const QString &)
{
    qCDebug(lcView) << "console:" << line << message;
}

} // namespace view
