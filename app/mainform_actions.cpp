// Menus, tool bars and pop-up menus, and the handlers of the commands the window owns itself:
// the pane commands, the tab-closing family and the file commands.
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <initializer_list>

#include "app/mainform.h"
#include "help/aboutbox.h"
#include "help/help.h"
#include "help/helpwindow.h"
#include "net/pipeline.h"
#include "ui/images.h"
#include "ui/panes.h"
#include "ui/statusbar.h"
#include "ui/tablist.h"

namespace {

/// Fills a menu or tool bar from action names; "-" is a separator.
template <typename Target>
void fill(Target *target, ui::ActionList &actions, std::initializer_list<const char *> names)
{
    for (const char *name : names) {
        if (name[0] == '-' && name[1] == '\0') {
            target->addSeparator();
            continue;
        }
        QAction *action = actions.action(QString::fromLatin1(name));
        Q_ASSERT_X(action, "fill", name);
        if (action)
            target->addAction(action);
    }
}

/// A menu item of a pop-up menu that is not an action of the list; disabled until a command
/// gives it behaviour.
QAction *plainItem(QMenu *menu, const char *caption, const char *objectName)
{
    QAction *item = menu->addAction(QString::fromUtf8(caption));
    item->setObjectName(QString::fromLatin1(objectName));
    item->setEnabled(false);
    return item;
}

} // namespace

void TMainForm::buildMenus()
{
    ui::ActionList &a = *m_actions;
    auto makeMenu = [this](const char *caption, const char *objectName) {
        auto *menu = new QMenu(QString::fromUtf8(caption), this);
        menu->setObjectName(QString::fromLatin1(objectName));
        connect(menu, &QMenu::aboutToShow, this, [this] { m_actions->updateAll(); });
        m_menus.push_back(menu);
        return menu;
    };

    QMenu *file = makeMenu("ファイル(&F)", "FileMenu");
    fill(file, a, {"FileOnline", "FileLogin", "-", "FileExit1"});
    QMenu *category = makeMenu("カテゴリ一覧(&C)", "CategoryMenu");
    fill(category, a, {"PopCtgActiveOpen", "PopCtgNewOpen", "CtgLocalActiveOpen", "CtgLocalNewOpen", "-",
                       "CtgBrowserOpen", "-", "PopCtgUrlCopy", "CtgTitleUrlCopy", "-", "CtgSearch", "CtgSearchNext",
                       "-", "CtgUpdate", "CtgUpdateStop"});
    QMenu *topicList = makeMenu("スレッド一覧(&L)", "TopicListMenu");
    fill(topicList, a, {"PopThrLstActiveOpen", "PopThrLstNewOpen", "ThrLstLocalActiveOpen", "ThrLstLocalNewOpen", "-",
                        "ThrLstBrowserOpen", "ThrLstOpenCtg", "-"});
    QMenu *dlCount = topicList->addMenu(a.action(QStringLiteral("ThrLstDlCount"))->text());
    dlCount->setObjectName(QStringLiteral("DlCountMenu"));
    fill(topicList, a, {"ThrLstDlNew", "-", "ThrLstReload", "ThrLstExtra", "ThrLstWrite", "-", "PopThrLstUrlCopy",
                        "ThrLstTitleUrlCopy", "-", "ThrLstConversion", "-", "ThrLstActiveClose",
                        "ThrLstNoneActiveClose", "ThrLstAllClose", "ThrLstLeftClose", "ThrLstRightClose", "-",
                        "ThrLstAddFavorite", "ThrLstDelFavorite", "ThrLstFavoriteTab"});
    // `T1Click`: commands from the menu bar act on the active tab.
    connect(topicList, &QMenu::aboutToShow, this, [this] { m_tabTarget = -1; });
    QMenu *topic = makeMenu("スレッド(&M)", "TopicMenu");
    fill(topic, a, {"ThrMsgNext", "ThrMsgPrev", "ThrReload", "ThrStop", "-", "ThrBrowserOpen", "ThrOpenThrLst", "-",
                    "ThrDlRes", "ThrResExtra", "-", "ThrRes", "-", "ThrUrlCopy", "ThrTitleUrlCopy", "-",
                    "ThrActiveClose", "ThrNoneActiveClose", "ThrAllClose", "ThrLeftClose", "ThrRightClose", "-",
                    "ThrFavorite", "ThrDelete"});
    // `T2Click`: the active tab and the topic as a whole.
    connect(topic, &QMenu::aboutToShow, this, [this] {
        m_tabTarget = -1;
        m_targetMessage = -1;
    });
    QMenu *view = makeMenu("表示(&V)", "ViewMenu");
    fill(view, a, {"WindowCtg", "WindowThrLst", "WindowThr", "WindowChangePane", "-", "ViewZoomIn", "ViewZoomOut",
                   "ViewZoomReset", "-", "ViewFindInTopic"});
    QMenu *tool = makeMenu("ツール(&T)", "ToolMenu");
    fill(tool, a, {"ToolSetting", "-", "ToolMsgFilter", "ToolConversion", "-", "ToolSearch"});
    QMenu *help = makeMenu("ヘルプ(&H)", "HelpMenu");
    fill(help, a, {"HelpOpen", "-", "HelpYahoo", "HelpHomepage", "-", "HelpVersion"});
    for (QMenu *m : {file, category, topicList, topic, view, tool, help})
        m_menuBar->addMenu(m);
    // Actions with shortcuts work wherever the focus is in the window.
    for (const QString &name : a.names())
        addAction(a.action(name));

    fill(m_mainBand, a, {"FileOnline", "FileLogin", "-", "WindowCtg", "WindowThrLst", "WindowThr",
                         "WindowChangePane", "-", "ToolSetting"});

    fill(m_categoryPane->toolBar(), a, {"CtgBrowserOpen", "-", "CtgUpdate", "CtgUpdateStop", "-", "CtgSearch", "-"});
    m_categoryPane->toolBar()->setObjectName(QStringLiteral("CtgToolBar"));
    m_categoryPane->addCloseButton(m_images[ui::image::Close]);
    fill(m_topicListPane->toolBar(), a, {"ThrLstBrowserOpen", "ThrLstOpenCtg", "-", "ThrLstReload", "ThrLstExtra",
                                         "ThrLstWrite", "-", "ThrLstAddFavorite", "ThrLstFavoriteTab", "-",
                                         "ThrLstActiveClose", "ThrLstAllClose", "-"});
    m_topicListPane->toolBar()->setObjectName(QStringLiteral("ThrLstToolBar"));
    m_topicListPane->addCloseButton(m_images[ui::image::Close]);

    QToolBar *viewBar = m_topicPane->toolBar();
    fill(viewBar, a, {"ThrBrowserOpen", "ThrOpenThrLst", "-", "ThrMsgPrev", "ThrMsgNext", "ThrReload", "ThrStop", "-",
                      "ThrRes", "ThrDlRes", "ThrResExtra", "-", "ThrFavorite"});
    auto *markButton = new QToolButton(viewBar);
    markButton->setObjectName(QStringLiteral("MarkToolButton"));
    markButton->setDefaultAction(a.action(QStringLiteral("ThrMark")));
    auto *markMenu = new QMenu(markButton);
    markMenu->setObjectName(QStringLiteral("MarkPopupMenu"));
    markButton->setMenu(markMenu);
    markButton->setPopupMode(QToolButton::MenuButtonPopup);
    viewBar->addWidget(markButton);
    auto *logDelButton = new QToolButton(viewBar);
    logDelButton->setObjectName(QStringLiteral("LogDelToolButton"));
    logDelButton->setIcon(m_images[ui::image::Delete]);
    logDelButton->setToolTip(QString::fromUtf8("スレッドのログを削除"));
    auto *logDelMenu = new QMenu(logDelButton);
    logDelMenu->setObjectName(QStringLiteral("LogDelPopupMenu"));
    fill(logDelMenu, a, {"ThrDelete"});
    logDelButton->setMenu(logDelMenu);
    logDelButton->setPopupMode(QToolButton::InstantPopup);
    viewBar->addWidget(logDelButton);
    viewBar->addSeparator();
    fill(viewBar, a, {"ThrActiveClose", "ThrAllClose", "-"});
    m_topicPane->addCloseButton(m_images[ui::image::Close]);

    // Pop-up menus of the trees, lists and strips.
    QMenu *ctgPopup = makeMenu("", "CtgPopupMenu");
    fill(ctgPopup, a, {"PopCtgActiveOpen", "PopCtgNewOpen", "CtgLocalActiveOpen", "CtgLocalNewOpen", "-",
                       "CtgBrowserOpen", "-", "PopCtgUrlCopy", "CtgTitleUrlCopy", "-", "CtgAddFavorite",
                       "CtgCreateFolder", "CtgDelFavorite"});
    QMenu *listPopup = makeMenu("", "ThrLstPopupMenu");
    fill(listPopup, a, {"PopThrLstActiveOpen", "PopThrLstNewOpen", "ThrLstLocalActiveOpen", "ThrLstLocalNewOpen", "-",
                        "ThrLstBrowserOpen", "ThrLstOpenCtg", "-"});
    QMenu *listDlCount = listPopup->addMenu(a.action(QStringLiteral("ThrLstDlCount"))->text());
    listDlCount->setObjectName(QStringLiteral("PopDlCountMenu"));
    fill(listPopup, a, {"ThrLstDlNew", "-", "ThrLstWrite", "-", "PopThrLstUrlCopy", "ThrLstTitleUrlCopy", "-",
                        "ThrLstAddFavorite", "ThrLstDelFavorite", "-", "PopThrLstDelete", "-", "ThrLstConversion"});
    QMenu *topTabPopup = makeMenu("", "TopTabPopupMenu");
    fill(topTabPopup, a, {"ThrLstActiveClose", "ThrLstNoneActiveClose", "ThrLstAllClose", "ThrLstLeftClose",
                          "ThrLstRightClose", "-", "ThrLstOpenCtg"});
    QMenu *bottomTabPopup = makeMenu("", "BottomTabPopupMenu");
    fill(bottomTabPopup, a, {"ThrActiveClose", "ThrNoneActiveClose", "ThrAllClose", "ThrLeftClose", "ThrRightClose",
                             "-", "ThrDlRes", "-", "ThrOpenThrLst"});
    QMenu *resPopup = makeMenu("", "ResPopupMenu");
    fill(resPopup, a, {"PopRes", "PopResQuo", "-", "ThrUrlCopy", "ThrTitleUrlCopy", "-", "PopResDel", "-", "AddNGName",
                       "AddNGTitle", "-", "PopMark"});

    QMenu *urlPopup = makeMenu("", "UrlPopupMenu");
    plainItem(urlPopup, "アクティブタブで開く(&O)", "UrlActiveOpen");
    plainItem(urlPopup, "新しいタブで開く(&N)", "UrlNewOpen");
    plainItem(urlPopup, "アクティブタブでローカルから開く(&S)", "UrlLocalActiveOpen");
    plainItem(urlPopup, "新しいタブでローカルから開く(&F)", "UrlLocalNewOpen");
    plainItem(urlPopup, "ブラウザで開く(&B)", "UrlBrowserOpen");
    m_urlButton->setMenu(urlPopup);

    wireTabStrip(*m_topicListPane->strip(), "ThrLstActiveClose", "ThrLstReload", topTabPopup);
    wireTabStrip(*m_topicPane->strip(), "ThrActiveClose", "ThrReload", bottomTabPopup);
}

void TMainForm::wireTabStrip(ui::TabStrip &strip, const char *closeAction, const char *reloadAction, QMenu *popup)
{
    ui::TabStripBar *bar = strip.strip();
    QString close = QString::fromLatin1(closeAction);
    QString reload = QString::fromLatin1(reloadAction);
    connect(bar, &ui::TabStripBar::middlePressed, this, [this, close](int index) {
        if (!m_settings.tab.middle)
            return;
        m_tabTarget = index;
        if (index >= 0)
            m_actions->run(close);
    });
    connect(bar, &ui::TabStripBar::leftDoubleClicked, this, [this, reload] {
        if (m_settings.tab.reload)
            m_actions->run(reload);
    });
    bar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(bar, &QWidget::customContextMenuRequested, this, [this, bar, popup](const QPoint &pos) {
        m_tabTarget = bar->tabAt(pos);
        m_actions->updateAll();
        popup->exec(bar->mapToGlobal(pos));
        // A chosen command has run by now; whatever it was, or if none was chosen, the target
        // must not outlive the menu (a later Ctrl+W would close that tab, even on the other strip).
        m_tabTarget = -1;
    });
}

void TMainForm::closeTabAt(bool topicListStrip, int index)
{
    if (topicListStrip) {
        m_topicListPane->closeTab(index);
        return;
    }
    // A download still running for the topic is not cancelled, but what it merged is kept.
    if (ui::TopicPage *page = m_topicPane->pages().at(index))
        store::FlushTopic(*page, *this);
    m_topicPane->closeTab(index);
}

void TMainForm::closeTabs(bool topicListStrip, int which)
{
    ui::TabStrip &strip = topicListStrip ? *m_topicListPane->strip() : *m_topicPane->strip();
    int count = strip.count();
    int reference = ui::ReferenceTab(m_tabTarget, strip.currentIndex(), count);
    m_tabTarget = -1;
    if (reference < 0)
        return;
    QWidget *keep = strip.widget(reference);
    switch (which) {
    case 0:
        closeTabAt(topicListStrip, reference);
        break;
    case 1:
        for (int i = 0; i < strip.count();)
            if (strip.widget(i) == keep)
                ++i;
            else
                closeTabAt(topicListStrip, i);
        break;
    case 2:
        while (strip.count() > 0)
            closeTabAt(topicListStrip, 0);
        break;
    case 3:
        while (strip.count() > 0 && strip.widget(0) != keep)
            closeTabAt(topicListStrip, 0);
        break;
    case 4:
        while (strip.count() > 0 && strip.widget(strip.count() - 1) != keep)
            closeTabAt(topicListStrip, strip.count() - 1);
        strip.setCurrentIndex(strip.count() - 1);
        break;
    default:
        break;
    }
}

void TMainForm::wireActions()
{
    ui::ActionList &a = *m_actions;
    a.setExecute(QStringLiteral("FileOnline"), [] {}); // the checked state is the online mode
    a.setExecute(QStringLiteral("FileExit1"), [this] { close(); });
    a.setExecute(QStringLiteral("FileLogin"), [this] {
        // The click toggled the check; it shows the login state, which only notice 10 changes.
        m_actions->action(QStringLiteral("FileLogin"))->setChecked(m_pipeline->loggedIn());
        FileLoginExecute();
    });
    // The checked state is the login state, which only notice 10 changes.
    a.setUpdate(QStringLiteral("FileLogin"), [this](QAction &act) {
        act.setEnabled(true);
        act.setChecked(m_pipeline->loggedIn());
    });
    // Without help the help command does nothing; it stays enabled, as the menu shows it.
    a.setExecute(QStringLiteral("HelpOpen"), [this] {
        if (m_help)
            m_help->openDefault(this);
    });
    a.setExecute(QStringLiteral("HelpVersion"), [this] {
        help::TAboutBox box(QStringLiteral(NK_VERSION), this);
        box.exec();
    });

    // Pane commands.
    a.setExecute(QStringLiteral("WindowCtg"), [this] {
        m_categoryPane->setVisible(m_categoryPane->isHidden());
    });
    a.setUpdate(QStringLiteral("WindowCtg"), [this](QAction &act) {
        act.setEnabled(true);
        act.setChecked(!m_categoryPane->isHidden());
    });
    a.setExecute(QStringLiteral("WindowThrLst"), [this] { m_arranger->toggle(ui::RightPane::TopicList); });
    a.setUpdate(QStringLiteral("WindowThrLst"), [this](QAction &act) {
        act.setEnabled(true);
        act.setChecked(!m_topicListPane->isHidden());
    });
    a.setExecute(QStringLiteral("WindowThr"), [this] { m_arranger->toggle(ui::RightPane::Topic); });
    a.setUpdate(QStringLiteral("WindowThr"), [this](QAction &act) {
        act.setEnabled(true);
        act.setChecked(!m_topicPane->isHidden());
    });
    a.setExecute(QStringLiteral("WindowChangePane"), [this] { m_arranger->switchArrangement(); });
    a.setUpdate(QStringLiteral("WindowChangePane"), [this](QAction &act) {
        act.setEnabled(true);
        act.setChecked(m_arranger->typeVisible());
    });
    connect(m_categoryPane, &ui::PaneFrame::closeRequested, this, [this] { m_actions->run("WindowCtg"); });
    connect(m_topicListPane, &ui::PaneFrame::closeRequested, this, [this] { m_actions->run("WindowThrLst"); });
    connect(m_topicPane, &ui::PaneFrame::closeRequested, this, [this] { m_actions->run("WindowThr"); });

    // The tab-closing family of both strips.
    const char *listNames[] = {"ThrLstActiveClose", "ThrLstNoneActiveClose", "ThrLstAllClose", "ThrLstLeftClose",
                               "ThrLstRightClose"};
    const char *topicNames[] = {"ThrActiveClose", "ThrNoneActiveClose", "ThrAllClose", "ThrLeftClose",
                                "ThrRightClose"};
    for (int which = 0; which < 5; ++which) {
        for (bool listStrip : {true, false}) {
            QString name = QString::fromLatin1(listStrip ? listNames[which] : topicNames[which]);
            a.setExecute(name, [this, listStrip, which] { closeTabs(listStrip, which); });
            a.setUpdate(name, [this, listStrip, which](QAction &act) {
                ui::TabStrip &strip = listStrip ? *m_topicListPane->strip() : *m_topicPane->strip();
                ui::CloseCommandState s = ui::CloseCommandsEnabled(m_tabTarget, strip.currentIndex(), strip.count());
                bool states[] = {s.active, s.noneActive, s.all, s.left, s.right};
                act.setEnabled(states[which]);
            });
        }
    }

    connect(m_topicListPane, &ui::TopicListPane::listUrlShown, m_urlEdit, &QLineEdit::setText);
}
