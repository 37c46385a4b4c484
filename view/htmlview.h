// The embedded HTML view of a topic tab and of the post form's preview: a renderer for pages
// built in memory, which never navigates by itself and never fetches anything.
#pragma once

#include <QPoint>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class QTimer;
class QWebEngineView;

namespace view {

class ViewPage;

/// What lies under a point of the view.
struct HitTestResult {
    /// False when no element is there (outside the document, or no document).
    bool found = false;
    /// Upper case for HTML elements ("A", "B", "DD", …).
    QString tagName;
    /// The element's href: for links the address resolved against the page (as the engine
    /// serialises it, percent-encoded), for other elements the attribute as written; empty
    /// when the element has no href.
    std::optional<QString> href;
};

/// Shows one page at a time, given as Shift_JIS bytes. Every navigation the page would start is
/// cancelled: a clicked link, and a link opened in a new window (middle, Ctrl or Shift click,
/// target=_blank), are handed to the program by linkActivated instead. Holds no board logic.
///
/// Hidden views that were visible longest ago are discarded beyond a process-wide budget
/// (SetLiveHiddenViews): the page bytes stay, the document is rebuilt when the view is shown,
/// with its scroll position kept. A load into a discarded view is built when it is shown. When
/// the renderer dies, every view builds its page again (with a new loadCompleted).
///
/// Main thread only. Callbacks are never called after the view is destroyed.
class HtmlView : public QWidget {
    Q_OBJECT
public:
    explicit HtmlView(QWidget *parent = nullptr);
    ~HtmlView() override;

    /// The message number whose anchor "Res"+n the next load scrolls to. Set before load().
    void setScrollTarget(int number) { m_scrollTarget = number; }
    int scrollTarget() const { return m_scrollTarget; }

    /// Replaces the page by these bytes. When the page is in (and the view scrolled to the
    /// anchor of the scroll target, when the page has it), loadCompleted is emitted, once per
    /// load; a load replaced by a newer one before it finished emits nothing. Bytes equal to the
    /// page a visible view shows keep its document: only the scroll to the target is done.
    void load(std::string sjisBytes);

    /// Replaces the page by these bytes and leaves the document where the user has scrolled it,
    /// rather than at the scroll target: for a page shown again as it grows. Taken only by a
    /// visible view whose last page is in; false otherwise, and nothing changes. Completes with
    /// loadCompleted like load(); a load() meanwhile supersedes it. Bytes equal to the page in
    /// are taken without loading anything: true, and no loadCompleted follows.
    bool reloadKeepingScroll(std::string sjisBytes);

    /// The zoom of the page (1.0 is the skin's own size); kept across loads and discards.
    void setZoomFactor(double factor);
    double zoomFactor() const { return m_zoom; }

    /// Whether a load has been asked for and loadCompleted is still to come (also while a reload
    /// keeping the scroll still reads where the document is).
    bool isLoading() const { return m_loadPending || m_keepReading; }

    /// The vertical scroll position of the document in CSS pixels, asynchronously.
    void readScrollY(std::function<void(double)> callback);

    /// The element at a point given in the view's coordinates, asynchronously.
    void hitTest(QPoint position, std::function<void(const HitTestResult &)> callback);

    /// Runs our own script (never the page's) in the application world and passes its result.
    void runScript(const QString &script, std::function<void(const QVariant &)> callback = {});

    /// The link under the mouse as the engine last reported it ("" when none).
    QString hoveredLink() const { return m_hoveredLink; }

    /// The widget that receives the view's mouse and key events (the engine's render widget),
    /// for event filters such as the gesture recogniser. Null until the engine has created it.
    QWidget *inputWidget() const;

    /// False while the view is discarded (hidden, its document forgotten).
    bool isLive() const { return !m_dormant; }

    QWebEngineView *webView() const { return m_web; }

signals:
    /// The page asked for by the last load() is in and scrolled. ok is false when the engine
    /// could not show it.
    void loadCompleted(bool ok);
    /// A link the user clicked or asked to open in a new window; the view did not follow it.
    /// The URL is percent-encoded (ASCII).
    void linkActivated(const QString &url);
    /// The mouse moved onto a link (its URL, percent-encoded) or off it ("").
    void linkHovered(const QString &url);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    friend class LiveViews;
    friend class ViewPage;

    void handOverNavigation(const QUrl &url);
    void handOverNewWindow(const QUrl &requested);
    void onLoadingChanged(bool finished, bool ok);
    /// Scrolls to the target and, when the document in is the one asked for, completes the load.
    /// quiet: called because the engine said nothing for a while; the document must be complete.
    void confirmLoad(bool ok, bool quiet);
    void retryLoad();
    void onRendererGone(bool abnormal, int exitCode);
    void loadPage(std::string sjisBytes, std::optional<double> keepScrollY, QString fragment);
    /// Whether these bytes are the page in, with nothing under way that could replace it.
    bool showsPage(const std::string &sjisBytes) const;
    void startLoad();
    void discard();
    void wake();

    QWebEngineView *m_web = nullptr;
    double m_zoom = 1.0;
    ViewPage *m_page = nullptr;
    const quint64 m_id;
    QUrl m_url;
    int m_scrollTarget = 0;
    std::optional<double> m_keepScrollY; // the position the pending load goes back to
    QString m_keepFragment;               // an anchor near it, so the engine starts there
    quint64 m_loadSerial = 0;             // load() calls so far
    bool m_keepReading = false;           // reading the position for reloadKeepingScroll
    bool m_loadPending = false;   // a load() whose loadCompleted is still to come
    bool m_pageIn = false;        // the page at m_url is in: its load completed well
    bool m_documentKept = false;  // the pending load keeps the document in (same bytes)
    bool m_engineLoading = false; // the engine is busy with a navigation
    QUrl m_startedUrl;            // what the last navigation we started loads
    int m_retries = 0;            // navigations started again for this load
    QTimer *m_watchdog = nullptr; // runs while a load is pending and the engine is quiet
    bool m_dormant = false;       // hidden and without a document
    bool m_discarding = false;    // reading the scroll position before discarding
    bool m_restoring = false;     // rebuilding the document after a discard
    double m_savedScrollY = 0;
    quint64 m_lastVisible = 0; // when the view was last visible, on a process-wide clock
    QString m_hoveredLink;
    QUrl m_newWindowUrl;
    bool m_newWindowQueued = false;
};

} // namespace view
