// The engine page behind an HtmlView: it lets through only the view's own page and hands
// every other navigation and every new window to the view. Internal to the view library.
#pragma once

#include <QUrl>
#include <QWebEnginePage>

namespace view {

class HtmlView;

class ViewPage : public QWebEnginePage {
    Q_OBJECT
public:
    ViewPage(HtmlView *view, QWebEngineProfile *profile);

    /// The URL of the page the view means to show; the only main-frame navigation allowed.
    void setOwnUrl(const QUrl &url) { m_ownUrl = url; }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int line,
                                  const QString &source) override;

private:
    HtmlView *m_view;
    QUrl m_ownUrl;
};

} // namespace view
