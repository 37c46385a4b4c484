// The main window's construction, layout, start-up and shutdown.
#include "app/mainform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>
#include <cstring>

#include "base/programdir.h"
#include "base/textfile.h"
#include "help/help.h"
#include "help/helpwindow.h"
#include "net/pipeline.h"
#include "plugin_api/exports.h"
#include "view/htmlview.h"
#include "qtbridge/oneline.h"
#include "qtbridge/sjis.h"
#include "ui/images.h"
#include "ui/panes.h"
#include "ui/rightpanes.h"
#include "ui/statusbar.h"

namespace {

constexpr int kDesignClientWidth = 753;
constexpr int kDesignClientHeight = 474;
constexpr int kDesignLeftWidth = 185;
constexpr int kDesignTopHeight = 169;

} // namespace

TMainForm::TMainForm(std::string programDir, MessageFn showMessage, BrowserFactory makeBrowser,
                     ThreadStarter startThread, QWidget *parent)
    : QMainWindow(parent), m_programDir(std::move(programDir)), m_showMessage(std::move(showMessage)),
      m_makeBrowser(std::move(makeBrowser)), m_settings(settings::DefaultSettings(m_programDir)),
      m_categoryResults(plugin_api::kMaxCategoryRecords)
{
    // Workers hand their notices to this queue and wait; the window handles them on its own
    // thread, woken by a queued call. That call handles everything queued until it runs, so a
    // burst of notices needs only one.
    m_notices = std::make_shared<net::NoticeQueue>([this] {
        if (m_noticeCallQueued.exchange(true))
            return;
        QMetaObject::invokeMethod(
            this,
            [this] {
                // Cleared first: a notice queued from here on is handled now or queues a call.
                m_noticeCallQueued = false;
                m_notices->processPending(*this);
            },
            Qt::QueuedConnection);
    });
    net::PipelineOptions options;
    m_startThread = startThread;
    options.startThread = std::move(startThread);
    m_pipeline = std::make_unique<net::Pipeline>(m_notices, options);
    if (!m_makeBrowser)
        m_makeBrowser = [](QWidget *owner) { return new view::HtmlView(owner); };
    if (!m_showMessage) {
        m_showMessage = [this](const QString &caption, const QString &text) {
            // Over the window the user works in: a post form dialog stays above the main window.
            QWidget *active = QApplication::activeWindow();
            QMessageBox::warning(active ? active : this, caption, text);
        };
    }
    // The window's own values until the settings are read.
    m_settings.network.threadMax = 10;
    setObjectName(QStringLiteral("MainForm"));
    m_images = ui::image::MakeImageList();
    m_actions = std::make_unique<ui::ActionList>(this);
    m_actions->create(ui::MainActionSpecs(), m_images);
    buildLayout();
    buildMenus();
    wireActions();
    wireBoards();
    wireTopics();
    wireGestures();
    wireSettingDialog();
    wireKeys();
    wireConvert();
    wireSearch();
    wirePost();
    wireNg();
    wireFavorites();
    wireDesktop();
    wireMarks();
    wireAddressBox();
    qApp->installEventFilter(this);

    // Update handlers run before menus open and on a short idle timer.
    auto *idle = new QTimer(this);
    connect(idle, &QTimer::timeout, this, [this] {
        m_actions->updateAll();
        updateProgress();
    });
    idle->start(250);
}

TMainForm::~TMainForm()
{
    qApp->removeEventFilter(this);
    FormDestroy();
}

void TMainForm::buildLayout()
{
    setWindowTitle(QStringLiteral("Nekomado"));
    resize(kDesignClientWidth, kDesignClientHeight);
    QFont font = ui::FontFromSetting(settings::FontSetting{});
    setFont(font);

    // Top bar: the menu band, the address band and the main tool band.
    m_menuBand = new QToolBar(QStringLiteral("MenuToolBar"), this);
    m_menuBand->setObjectName(QStringLiteral("MenuToolBar"));
    m_menuBar = new QMenuBar(m_menuBand);
    m_menuBar->setNativeMenuBar(false);
    m_menuBand->addWidget(m_menuBar);

    m_urlBand = new QToolBar(QStringLiteral("UrlPanel"), this);
    m_urlBand->setObjectName(QStringLiteral("UrlPanel"));
    m_urlEdit = new QLineEdit(m_urlBand);
    m_urlEdit->setObjectName(QStringLiteral("UrlEdit"));
    m_urlEdit->setValidator(new qtbridge::OneLineValidator(m_urlEdit));
    m_urlEdit->setMinimumWidth(200);
    m_urlEdit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_urlBand->addWidget(m_urlEdit);
    m_urlButton = new QToolButton(m_urlBand);
    m_urlButton->setObjectName(QStringLiteral("UrlToolButton"));
    m_urlButton->setToolTip(QString::fromUtf8("移動"));
    m_urlButton->setIcon(m_images[ui::image::Next]);
    m_urlButton->setPopupMode(QToolButton::InstantPopup);
    m_urlBand->addWidget(m_urlButton);

    m_mainBand = new QToolBar(QStringLiteral("MainToolBar"), this);
    m_mainBand->setObjectName(QStringLiteral("MainToolBar"));
    for (QToolBar *band : {m_menuBand, m_urlBand, m_mainBand}) {
        band->setIconSize(QSize(16, 16));
        band->setMinimumHeight(22);
        addToolBar(Qt::TopToolBarArea, band);
    }

    m_categoryPane = new ui::CategoryPane(m_images, this);
    m_topicListPane = new ui::TopicListPane(m_images, m_settings.columnWidths, this);
    m_topicPane = new ui::TopicPane(m_images, m_makeBrowser, this);

    m_rightSplitter = new QSplitter(Qt::Vertical);
    m_rightSplitter->setObjectName(QStringLiteral("RightPanel"));
    m_rightSplitter->addWidget(m_topicListPane);
    m_rightSplitter->addWidget(m_topicPane);
    m_rightSplitter->setStretchFactor(0, 0);
    m_rightSplitter->setStretchFactor(1, 1);
    m_rightSplitter->setChildrenCollapsible(false);
    m_rightSplitter->setHandleWidth(2);

    m_lrSplitter = new QSplitter(Qt::Horizontal);
    m_lrSplitter->setObjectName(QStringLiteral("LRSplitter"));
    m_lrSplitter->addWidget(m_categoryPane);
    m_lrSplitter->addWidget(m_rightSplitter);
    m_lrSplitter->setStretchFactor(0, 0);
    m_lrSplitter->setStretchFactor(1, 1);
    m_lrSplitter->setChildrenCollapsible(false);
    m_lrSplitter->setHandleWidth(2);
    m_lrSplitter->setSizes({kDesignLeftWidth, kDesignClientWidth - kDesignLeftWidth});
    setCentralWidget(m_lrSplitter);

    m_paneHost = std::make_unique<ui::SplitterPaneHost>(*m_rightSplitter, *m_topicListPane, *m_topicPane);
    m_arranger = std::make_unique<ui::PaneArranger>(*m_paneHost);
    m_paneHost->layOut(false, kDesignTopHeight);

    m_statusBar = new ui::MainStatusBar(this);
    setStatusBar(m_statusBar);
}

QMenu *TMainForm::menu(const QString &objectName) const
{
    for (QMenu *m : m_menus)
        if (m->objectName() == objectName)
            return m;
    return nullptr;
}

void TMainForm::ShowStatus(int panel, const QString &text)
{
    m_statusBar->setPanelText(panel, text);
}

bool TMainForm::FormCreate()
{
    m_created = true;
    bool close = false;
    setWindowTitle(QStringLiteral("Nekomado"));
    // Sockets need no start-up on this platform.
    if (!m_pipeline->start()) {
        m_showMessage(QString::fromUtf8("スレッドエラー"), QString::fromUtf8("管理スレッドの始動に失敗しました。"));
        close = true;
    }
    m_statusBar->progressBar()->setMaximum(m_settings.network.threadMax);

    m_help = std::make_unique<help::Help>(QString::fromStdString(m_programDir));
    if (!m_help->available())
        m_showMessage(QString(), QString::fromUtf8("HHCTRL.OCXが見つかりません。"));

    LoadSettings(false);
    // What a crash left half-written is never read, but would otherwise stay for good. Files
    // written within the last minute are kept: a second window on this folder may be busy.
    constexpr int kStaleTemporarySeconds = 60;
    base::RemoveStaleTemporaries(m_programDir, kStaleTemporarySeconds);
    if (!m_settings.path.log.starts_with(m_programDir))
        base::RemoveStaleTemporaries(m_settings.path.log, kStaleTemporarySeconds);

    m_plugin = plugin_api::LoadPlugin(m_settings.path.plugin, reinterpret_cast<std::intptr_t>(this));
    if (!m_plugin) {
        m_showMessage(QString::fromUtf8("プラグインエラー"), QString::fromUtf8("プラグインのロードに失敗しました。"));
        close = true;
    }
    m_pipeline->setPlugin(m_plugin);
    if (m_plugin) {
        if (auto info = plugin_api::FindExport<PluginInfoFn>(m_plugin, plugin_api::kPluginInfoName)) {
            PluginInfo record{};
            info(&record);
            m_boardServer.assign(record.baseUrl, strnlen(record.baseUrl, sizeof record.baseUrl));
        }
    }

    LoadCategoryFiles();
    LoadFavoritesList();

    ApplyDisplaySettings(true);

    if (m_settings.tab.restoration)
        RestoreOpenTabs();
    if (m_settings.tab.thrlstFavorite && favoritesTab() < 0)
        ThrLstFavoriteTabExecute();
    CreateFavoritesTree();

    if (m_settings.login.start && !close)
        FileLoginExecute();

    desktopStarted();

    // The band layout is restored once the window is idle, after it has been laid out.
    QTimer::singleShot(0, this, [this] {
        if (!m_secondPhaseDone && !m_destroyed) {
            m_secondPhaseDone = true;
            LoadSettings(true);
        }
    });
    return !close;
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    FormDestroy();
    event->accept();
}

void TMainForm::FormDestroy()
{
    if (m_destroyed || !m_created)
        return;
    m_destroyed = true;
    SaveCategoryFiles();
    SaveFavoritesList();
    if (m_settings.tab.restoration)
        SaveOpenTabs();
    SaveSettings();
    // Closing the channel answers every worker still waiting in a notice; the waiting requests
    // are freed unsent.
    m_pipeline->shutdown();
    // What the topic tabs merged but did not write yet (a fetch still running) is kept.
    flushTopicTabs();
    // Pages go before the panes that show them: rows release their entries with their views.
    while (m_topicListPane->pages().size() > 0)
        m_topicListPane->closeTab(0);
    while (m_topicPane->pages().size() > 0)
        m_topicPane->closeTab(0);
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Wheel || m_destroyed)
        return QMainWindow::eventFilter(watched, event);
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != this || !m_settings.tab.wheel)
        return QMainWindow::eventFilter(watched, event);
    auto *wheel = static_cast<QWheelEvent *>(event);
    QWidget *under = QApplication::widgetAt(wheel->globalPosition().toPoint());
    if (!under)
        under = widget;
    // The HTML view scrolls itself; every other turn is the window's.
    for (int i = 0; i < m_topicPane->pages().size(); ++i) {
        QWidget *browser = m_topicPane->pages()[i].browser;
        if (browser && (under == browser || browser->isAncestorOf(under)))
            return QMainWindow::eventFilter(watched, event);
    }
    for (ui::PaneFrame *pane : std::initializer_list<ui::PaneFrame *>{m_categoryPane, m_topicListPane, m_topicPane}) {
        ui::TabStrip *strip = pane->strip();
        ui::TabStripBar *bar = strip->strip();
        const bool rowEnd = under == strip && strip->inTabRow(strip->mapFromGlobal(wheel->globalPosition().toPoint()));
        if (under == bar || bar->isAncestorOf(under) || rowEnd) {
            pane->strip()->wheelSwitch(wheel->angleDelta().y());
            break;
        }
    }
    return true;
}
