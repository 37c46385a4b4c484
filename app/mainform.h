// The main window: owns the pipeline, the plug-in, the panes, the settings and the NG lists,
// and hands every command to the pane or store that does the work.
#pragma once

#include <QMainWindow>
#include <QPersistentModelIndex>
#include <QPointer>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/notice.h"
#include "plugin_api/loader.h"
#include "plugin_api/records.h"
#include "settings/inifile.h"
#include "settings/mousegesture.h"
#include "settings/nglists.h"
#include "settings/settings.h"
#include "store/categorycrawl.h"
#include "store/favorites.h"
#include "store/logsummary.h"
#include "store/openurl.h"
#include "store/topicfetch.h"
#include "store/topicstate.h"
#include "view/rendernav.h"
#include "ui/actionlist.h"
#include "ui/panelayout.h"

class QKeyEvent;
class QLabel;
class QUrl;
class QLineEdit;
class QMenu;
class QMenuBar;
class QSplitter;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace help {
class Help;
}
namespace post {
class TPostFormDlg;
}
namespace search {
class TSearchDlg;
struct LogSource;
enum class SearchScope;
} // namespace search
namespace view {
class HtmlView;
struct HitTestResult;
} // namespace view
namespace net {
class Pipeline;
class NoticeQueue;
struct StatusChange;
} // namespace net
namespace ui {
class FindBar;
class GestureFilter;
class CategoryPane;
class TopicListPane;
class TopicPane;
class MainStatusBar;
class SplitterPaneHost;
struct TopicListPage;
struct TopicPage;
class TabStrip;
class TopicItem;
} // namespace ui

class TMainForm : public QMainWindow, private net::NoticeHandler, private store::TopicHost {
    Q_OBJECT
public:
    /// Shows a modal message; tests replace it to see the messages without blocking.
    using MessageFn = std::function<void(const QString &caption, const QString &text)>;
    /// Makes the HTML view of a topic tab.
    using BrowserFactory = std::function<QWidget *(QWidget *parent)>;
    /// Starts a detached worker thread; false when it cannot be created. Tests refuse threads.
    using ThreadStarter = std::function<bool(std::function<void()> work)>;

    /// programDir ends with "/": the settings, the logs and the plug-in live there.
    explicit TMainForm(std::string programDir, MessageFn showMessage = {}, BrowserFactory makeBrowser = {},
                       ThreadStarter startThread = {}, QWidget *parent = nullptr);
    ~TMainForm() override;

    /// `FormCreate`: the start-up sequence. False when a failure closed the window: it is then
    /// not to be shown, and destroying it runs the shutdown as usual.
    bool FormCreate();

    /// Writes text into a status panel (0 messages, 1 network state, 3 counts).
    void ShowStatus(int panel, const QString &text);

    const settings::Settings &settings() const { return m_settings; }
    settings::NgLists &ngLists() { return m_ngLists; }
    ui::ActionList &actions() { return *m_actions; }
    ui::CategoryPane &categoryPane() { return *m_categoryPane; }
    ui::TopicListPane &topicListPane() { return *m_topicListPane; }
    ui::TopicPane &topicPane() { return *m_topicPane; }
    ui::MainStatusBar &statusPanels() { return *m_statusBar; }
    ui::PaneArranger &arranger() { return *m_arranger; }
    plugin_api::PluginHandle plugin() const { return m_plugin; }
    help::Help &help() { return *m_help; }
    net::Pipeline &pipeline() { return *m_pipeline; }
    const std::string &programDir() const { return m_programDir; }
    QMenu *menu(const QString &objectName) const;
    int tabTarget() const { return m_tabTarget; }
    void setTabTarget(int index) { m_tabTarget = index; }

    /// `ApplyDisplaySettings`.
    void ApplyDisplaySettings(bool atStartup);

    /// `OpenUrl`: the one way to open a board, a topic or the external browser.
    void OpenUrl(const std::string &url, int start, int end, store::OpenMode mode, bool local);
    /// The board server's base URL, from the plug-in.
    const std::string &boardServer() const { return m_boardServer; }
    /// The queue the workers' notices wait in: its times tell what the main thread costs them.
    net::NoticeQueue &notices() { return *m_notices; }
    /// Hands a URL to the system's handler (the fallback of the external browser); false when
    /// that failed. Tests replace it so that nothing is started.
    using SystemUrlOpener = std::function<bool(const QUrl &url)>;
    void setSystemUrlOpener(SystemUrlOpener open) { m_openSystemUrl = std::move(open); }

    /// The site's category tab, or -1.
    int siteCategoryTab() const;
    /// The favorites tree's tab, or -1.
    int favoritesCategoryTab() const;

    // Gestures, the settings dialog and the desktop keys.
    /// `GesturePlace`: the place mark of the last right-button press (Shift_JIS).
    const std::string &gesturePlace() const { return m_gesturePlace; }
    ui::FindBar *findBar() const { return m_findBar; }

    // Favorites.
    /// `ThrLstFavoriteTab`: activates the favorites tab (":Favorite"), creating it from the logs
    /// when there is none. Restoring a ":Favorite" tab opens it through this.
    void ThrLstFavoriteTabExecute();
    /// The favorites tab's index in the topic-list pane, or -1.
    int favoritesTab() const;
    /// The favorites tree's index in the category pane, or -1.
    int favoritesTreeTab() const;
    const store::FavoriteTopics &favorites() const { return m_favorites; }

protected:
    void closeEvent(QCloseEvent *event) override;
    /// `HandleNotice`: every notice of the workers, on the main thread, one at a time.
    int handleNotice(net::NoticeCode code, const void *payload) override;
    void handleStatus(net::StatusEvent event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    void buildMenus();
    void wireActions();
    void wireTabStrip(ui::TabStrip &strip, const char *closeAction, const char *reloadAction, QMenu *popup);

    /// `LoadSettings`: the file, then the window's part of it.
    void LoadSettings(bool full);
    /// `SaveSettings`: the window's state into the model, then the file and the NG files.
    void SaveSettings();
    void applyFormSettings(bool full);
    void applyStatus(const net::StatusChange &change);
    /// `ShowStatus`: the kind word and a message, for a plug-in's work; without one it clears.
    void showSiteStatus(void *site, std::string_view kind, std::string_view message);

    // Boards: the category trees, the crawl, opening topic lists and their merge.
    void wireBoards();
    void LoadCategoryFiles();
    void SaveCategoryFiles();
    void CreateFavoritesTree();
    void OpenTopicListOnline(const std::string &listUrl, const std::string &boardName, bool reuse);
    void OpenTopicListLocal(const std::string &listUrl, const std::string &boardName, bool reuse);
    void OpenExternal(const std::string &url);
    /// Finds the board's tab or makes one (reusing the active tab when asked), and prepares it
    /// for a new list: caption, site, list URL, board directory, rows cleared, batch begun.
    ui::TopicListPage &prepareTopicListTab(const std::string &listUrl, const std::string &boardName, bool reuse);
    int mergeTopicList(const net::PageResult &result);
    void addParsedCategories(const net::CategoryResult &result);
    void CtgUpdateExecute();
    void CtgUpdateStopExecute();
    /// Notice 16: a category request ended; the crawl may be complete.
    void categoryWorkerEnded();
    void ctgSearch(bool ask);
    void categoryNodeExpanded(QTreeWidgetItem *item);
    void runClickSetting(int setting, bool categoryTree);
    void rebuildDlCountMenu(QMenu *menu);
    void ThrLstOpenCtgExecute();
    void ThrLstExtraExecute();

    // Topics: opening, the download, rendering, links and pop-ups.
    bool enqueueMessage(const std::string &url, const std::string &key) override;
    std::optional<std::string> resolveBoardDir(const std::string &listUrl) override;
    store::FetchOptions fetchOptions() const;
    void wireTopics();
    ui::TopicPage &topicTabFor(const std::string &pageKey, bool reuse, const std::string &caption);
    void bringTopicPaneForward();
    void OpenTopicOnline(const std::string &pageKey, int start, int end, bool reuse);
    void OpenTopicLocal(const std::string &pageKey, bool reuse, int target);
    /// keepScroll: the view stays where the user has scrolled it (false when it could not take
    /// the page now).
    bool renderTopic(ui::TopicPage &tab, bool keepScroll = false);
    void updateFinishedRows(const ui::TopicPage &tab, int fetched);
    void finishTopic(ui::TopicPage &tab, const store::FinishOutcome &finish);
    int mergeMessage(const net::PageResult &result);
    // Mends of the download and of names from outside.
    /// A message request whose re-fetch could not be queued: counted as given up.
    void messageGivenUp(const FetchRequest &request);
    void applyMerge(ui::TopicPage &tab, const store::MessageMergeOutcome &merged);
    /// Shows why and returns true when pageKey's topic id is not one.
    bool refuseBadTopicId(const std::string &pageKey);
    void ThrStopExecute();
    void ThrResExtraExecute();
    /// Writes what every topic tab merged but has not written yet.
    void flushTopicTabs();
    void connectBrowser(ui::TopicPage &page);
    /// `OpenLink`: a link the view did not follow.
    void OpenLink(const std::string &url);
    void linkHovered(const std::optional<std::string> &href, bool isLink);
    /// `FileLogin`: a logout when logged in, otherwise a login with [login] id and pass.
    void FileLoginExecute();
    void collectFormSettings();

    // Gestures, the settings dialog, the help and site commands and the desktop keys.
    void wireGestures();
    void gMouseGesture1MouseGestureNotifyMove(const settings::TMouseGestureArray &gesture);
    void gMouseGesture1MouseGestureExecute(const settings::TMouseGestureArray &gesture);
    /// The place mark for a right-button press on under.
    std::string gesturePlaceAt(QWidget *under, QPoint global);
    void wireSettingDialog();
    void ToolSettingExecute();
    void wireKeys();

    /// None: the bars are the program's own and stay; Qt's menu over them offers, in English, to
    /// hide the menu bar with no way back but a restart.
    QMenu *createPopupMenu() override { return nullptr; }

    /// Before a key reaches the shortcuts or a press reaches a button: the commands' states now.
    void refreshBeforeInput(QObject *watched, QEvent *event);
    /// Whether key, offered to watched as a shortcut, is a command's key that a line edit of
    /// this window would take for its own editing.
    bool commandKeyInBox(QObject *watched, const QKeyEvent *key) const;
    /// The strip the focus is in (the topic strip when the focus is elsewhere).
    ui::TabStrip *focusedStrip() const;
    void findInTopic(const QString &text, bool backward);
    ui::GestureFilter *m_gestureFilter = nullptr; ///< `gMouseGesture1`
    std::string m_gesturePlace;
    ui::FindBar *m_findBar = nullptr;

    // Progress while downloads run (mainform_liveupdates.cpp): status panels 1 and 3, the
    // progress bar and the counts in the captions of downloading topic tabs change with every
    // notice; they are shown in batches, at most every kLiveUpdateMs, so that the window paints
    // a few times a second rather than once per message.
    /// Shows panel 0 of change now and the rest with the next batch.
    void deferStatus(const net::StatusChange &change);
    /// Refreshes tab's caption from its fetch with the next batch.
    void deferFetchCaption(const ui::TopicPage &tab);
    /// Sets the caption of a fetch's end now; no refresh of the batch follows it.
    void setFinalCaption(const ui::TopicPage &tab, const std::string &caption);
    /// Shows what waits for the next batch now.
    void applyLiveUpdates();
    void scheduleLiveUpdates();
    /// The active topic tab is shown again with what has arrived, about once a second while it
    /// downloads, where the user has scrolled it (the renders at a fetch's start and end stay).
    void scheduleLiveRender();
    void liveRender();

    // The search through the stored logs (mainform_search.cpp).
public:
    /// The log search window, once `ToolSearch` has opened it.
    search::TSearchDlg *searchDialog() const;

private:
    void wireSearch();
    void ToolSearchExecute();
    /// The logs of a scope: every board directory, the current board, the current topic.
    std::optional<std::vector<search::LogSource>> searchSources(search::SearchScope scope, QString &why);
    /// Opens the topic of a result from its log at number, the match marked in the page.
    void openSearchResult(const search::LogSource &source, int number, const QString &matchText);
    QPointer<search::TSearchDlg> m_searchDlg;

    // The log conversion tool (mainform_convert.cpp).
    void wireConvert();
    /// Opens the conversion dialog modally, with datPath in its log field when not empty; the
    /// dialog's per-file count and overwrite box become [conversion] when it closes.
    void openConversion(const std::string &datPath);
    /// The row `ThrLstConversion` acts on: the selected row of the active list tab, or null.
    ui::TopicItem *selectedConversionRow() const;
    /// The selected row's topic log: its board's log directory and the row's log file name;
    /// nullopt when no row is selected or the directory cannot be resolved.
    std::optional<std::string> selectedRowLogPath();
    // Posting: the post form dialogs, their requests and the answers (notices 11 to 14).
    void wirePost();
    /// Reply (`ThrRes`, `PopRes`, `PopResQuo`) to the target message, or to the topic.
    void replyExecute(bool quote);
    void ThrLstWriteExecute();
    /// Steps shared by both: a dialog per form URL, its form page requested.
    void openPostDialog(const std::string &formUrl, const std::string &caption, const std::string &title,
                        const std::string &memo, bool isReply);
    /// The open dialog for formUrl (also when url is the form URL as the request completed it).
    post::TPostFormDlg *findPostDialog(const std::string &url);
    void sendPost(post::TPostFormDlg &dialog);
    void postFormParsed(const net::PageResult &result);
    void postFormEmpty(const net::PageResult &result);
    void postAnswered(const net::PageResult &result);
    /// Notice 3 given up for a post form or a post.
    void postRequestLost(const FetchRequest &request);

    // NG lists, message deletion and the message menu.
    void wireNg();
    /// Writes the three NG files; a failure is shown.
    void saveNgFiles();
    /// The NG lists changed: the files are written and every topic tab is rendered again.
    void ngListsChanged();
    void ToolMsgFilterExecute();
    /// `AddNGName` (title false) and `AddNGTitle` (title true) on the target message.
    void addNgFromTarget(bool title);
    void PopResDelExecute();
    /// `ResPopupMenuPopup`: the target message from the message tree's node under the pointer.
    void ResPopupMenuPopup();
    /// The right-click menu of a topic tab's view.
    void connectViewMenu(ui::TopicPage &page);
    void showViewMenu(view::HtmlView &browser, const view::HitTestResult &hit, const QPoint &at);

    // Favorites: the favorite topics, their tab, the favorites tree; every edit is saved at once.
    void wireFavorites();
    void LoadFavoritesList();
    void SaveFavoritesList();
    void ThrLstAddFavoriteExecute();
    void ThrLstDelFavoriteExecute();
    void ThrFavoriteExecute();
    /// `ThrLstReload` on the favorites tab: each favorite's board once.
    void reloadFavoritesTab();
    void RefreshFavoriteBoard(const std::string &listUrl);
    void CtgAddFavoriteExecute();
    void CtgDelFavoriteExecute();
    void CtgCreateFolderExecute();
    void saveFavoritesTree();
    // The desktop around the reader: zoom, the mode in the status bar, dark skin, first start.
    void wireDesktop();
    /// At the end of the start-up: the zoom applied, the mode shown, the first directory fetched.
    void desktopStarted();
    void placeFirstWindow();
    void showOnlineMode();
    void setZoom(int percent);
    void zoomBrowser(ui::TopicPage &page);
    QFont popupFont() const;
    bool darkDesktop() const;
    // The address box, the external browser's failures and the progress bar.
    void wireAddressBox();
    /// The address box's Enter and drop-down items: its text to OpenUrl, or a status message
    /// when the text is no address.
    void openAddress(store::OpenMode mode, bool local);
    /// The progress bar's range and position for the active topic's fetch or the running count.
    void updateProgress();

    /// `FormDestroy`: the shutdown, once.
    void FormDestroy();

    // Read marks, tab restoration, log deletion and the reply tree (mainform_marks.cpp).
public:
    /// Asks a Yes/No question; tests replace it to answer without a dialog.
    using ConfirmFn = std::function<bool(const QString &caption, const QString &text)>;
    void setConfirm(ConfirmFn confirm) { m_confirm = std::move(confirm); }
    /// The message the message menu acts on; -1 when none.
    int targetMessage() const { return m_targetMessage; }
    void setTargetMessage(int number) { m_targetMessage = number; }
    /// `DeleteTopicLog`: 0 when the board dir cannot be resolved, else 1.
    int DeleteTopicLog(plugin_api::PluginHandle site, const std::string &topicUrl, const std::string &logName,
                       const std::string &title);

private:
    struct MarksState;
    void wireMarks();
    void RestoreOpenTabs();
    void SaveOpenTabs();
    void PopMarkExecute();
    void MarkPopupMenuPopup(QMenu *menu);
    void ThrLstTreeOpenExecute();
    void BuildReplyTree(QTreeWidget *tree, const std::string &logPath);
    /// False while a message tree's menu is open over a node of a topic other than tab's.
    bool menuNamesTopic(const ui::TopicPage &tab) const;
    void ThrListTreeChange(QTreeWidget *tree, QTreeWidgetItem *node);
    /// The board dir of listUrl, remembered once resolved (update handlers ask often).
    std::optional<std::string> knownBoardDir(const std::string &listUrl);
    ThreadStarter m_startThread;
    ConfirmFn m_confirm;
    std::shared_ptr<MarksState> m_marks;

    /// The tab-closing family for one strip; which = 0 active, 1 all but, 2 all, 3 left, 4 right.
    void closeTabs(bool topicListStrip, int which);
    void closeTabAt(bool topicListStrip, int index);

    const std::string m_programDir;
    MessageFn m_showMessage;
    BrowserFactory m_makeBrowser;

    settings::IniFile m_ini;
    settings::Settings m_settings;
    settings::NgLists m_ngLists;

    // The NG lists' regular expressions, compiled again whenever their entries change
    // (mainform_answers.cpp).
    const settings::NgPatterns &ngPatterns();
    settings::NgPatterns m_ngPatterns;
    std::array<std::vector<std::string>, 3> m_ngPatternSource;
    bool m_ngPatternsCompiled = false;

    plugin_api::PluginHandle m_plugin = nullptr;
    std::vector<CategoryRecord> m_categoryResults; ///< the category result buffer
    std::vector<QIcon> m_images;                   ///< `ImageList1`
    std::unique_ptr<help::Help> m_help;
    std::shared_ptr<net::NoticeQueue> m_notices;
    std::atomic<bool> m_noticeCallQueued{false}; ///< a call of processPending is queued, not begun
    std::unique_ptr<net::Pipeline> m_pipeline;

    std::unique_ptr<ui::ActionList> m_actions;
    ui::CategoryPane *m_categoryPane = nullptr;
    ui::TopicListPane *m_topicListPane = nullptr;
    ui::TopicPane *m_topicPane = nullptr;
    ui::MainStatusBar *m_statusBar = nullptr;
    QSplitter *m_lrSplitter = nullptr;
    QSplitter *m_rightSplitter = nullptr;
    std::unique_ptr<ui::SplitterPaneHost> m_paneHost;
    std::unique_ptr<ui::PaneArranger> m_arranger;

    QToolBar *m_menuBand = nullptr;
    QToolBar *m_urlBand = nullptr;
    QToolBar *m_mainBand = nullptr;
    QMenuBar *m_menuBar = nullptr;
    QLineEdit *m_urlEdit = nullptr;
    QToolButton *m_urlButton = nullptr;
    std::vector<QMenu *> m_menus;

    std::string m_boardServer;
    store::CategoryCrawl m_crawl;
    store::LogSummaryCache m_logCache;
    store::FavoriteTopics m_favorites; ///< the favorites list, written at each change
    bool m_sortDescending = false; ///< `SortDescending`, shared by every list
    std::string m_searchText;      ///< `SearchText`, Shift_JIS
    QPersistentModelIndex m_lastExpanded; ///< `LastExpandedNode`
    view::HoverState m_hover;
    QLabel *m_popup = nullptr; ///< the message pop-up

    // Progress waiting for the next batch (deferStatus, deferFetchCaption).
    QTimer *m_liveTimer = nullptr;
    std::optional<std::string> m_livePanel1, m_livePanel3; ///< Shift_JIS texts
    std::optional<int> m_liveProgress;
    std::vector<std::pair<plugin_api::PluginHandle, std::string>> m_liveCaptions; ///< site and page key
    // The topic page as last rendered (scheduleLiveRender): whose it is and how many messages of
    // its fetch it showed.
    QTimer *m_liveRenderTimer = nullptr;
    std::pair<plugin_api::PluginHandle, std::string> m_renderedTopic;
    int m_renderedAdded = 0;

    QPointer<view::HtmlView> m_viewMenuBrowser; ///< the view whose own menu was opened last
    QTreeWidget *m_lastExpandedTree = nullptr;

    /// `OpenPostDialogs`: the post form dialogs created and not yet closed; closing deletes them.
    std::vector<QPointer<post::TPostFormDlg>> m_openPostDialogs;
    SystemUrlOpener m_openSystemUrl;
    int m_runningCount = 0; ///< the general queue's running requests, as last reported

    int m_tabTarget = -1;      ///< `TabTarget`
    bool m_skinErrorShown = false; ///< the skin could not be read or written, and the user was told
    int m_targetMessage = -1;  ///< the message the message menu acts on
    bool m_created = false;    ///< FormCreate ran
    bool m_destroyed = false;  ///< FormDestroy ran
    bool m_secondPhaseDone = false;
};
