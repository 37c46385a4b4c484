// The NG lists, the deletion of a message and the message menu in the window: the message
// filter dialog, the additions from the message menu, the enabling rule of the menu, and the
// right-click menu of the topic view.
#include "app/mainform.h"
#include "help/help.h"
#include "help/helpwindow.h"
#include "qtbridge/sjis.h"
#include "store/messagedelete.h"
#include "ui/panes.h"
#include "view/htmlview.h"
#include "view/msgfilter.h"
#include "view/msgfilterdlg.h"
#include "view/rendernav.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWebEngineView>

void TMainForm::saveNgFiles()
{
    // Written at once rather than at exit: a list the user has just edited must survive a crash,
    // and the second settings load after start-up reads the files again.
    if (!settings::SaveNgLists(m_programDir, m_ngLists))
        m_showMessage(QString::fromUtf8("メッセージフィルタ"),
                      QString::fromUtf8("NGファイルの書き込みに失敗しました。"));
}

void TMainForm::ngListsChanged()
{
    saveNgFiles();
    // Each page is shown again where its reader left it, not at the message it was opened at.
    for (int i = 0; i < m_topicPane->pages().size(); ++i)
        if (!renderTopic(m_topicPane->pages()[i], true))
            renderTopic(m_topicPane->pages()[i]);
}

void TMainForm::ToolMsgFilterExecute()
{
    view::TMsgFilterDlg dialog(m_ngLists, this);
    dialog.setChain(m_settings.view.ngChain);
    connect(&dialog, &view::TMsgFilterDlg::helpRequested, this, [this, &dialog] {
        if (m_help)
            m_help->openKeyword(&dialog, QString::fromUtf8("メッセージフィルタ"));
    });
    if (dialog.exec() != QDialog::Accepted)
        return;
    settings::NgLists edited = dialog.lists();
    const bool changed = edited.names.items() != m_ngLists.names.items() ||
                         edited.titles.items() != m_ngLists.titles.items() ||
                         edited.words.items() != m_ngLists.words.items() ||
                         edited.nameRegex.items() != m_ngLists.nameRegex.items() ||
                         edited.titleRegex.items() != m_ngLists.titleRegex.items() ||
                         edited.wordRegex.items() != m_ngLists.wordRegex.items() ||
                         dialog.chain() != m_settings.view.ngChain;
    m_ngLists = std::move(edited);
    if (dialog.chain() != m_settings.view.ngChain) {
        m_settings.view.ngChain = dialog.chain();
        SaveSettings();
    }
    // Unchanged lists are still written, but no tab is rendered again for them.
    if (changed)
        ngListsChanged();
    else
        saveNgFiles();
}

void TMainForm::addNgFromTarget(bool title)
{
    ui::TopicPage *tab = m_topicPane->activePage();
    if (!tab || m_targetMessage == -1)
        return;
    if (view::AddFromMessage(tab->lines, m_targetMessage, title ? view::NgTab::Titles : view::NgTab::Names,
                             m_ngLists) == view::NgAddResult::Added)
        ngListsChanged();
}

void TMainForm::PopResDelExecute()
{
    ui::TopicPage *tab = m_topicPane->activePage();
    if (!tab || !tab->site)
        return;
    store::MessageDeleteOutcome outcome =
        store::DeleteMessage(*tab, m_targetMessage, m_settings.general.msgview, *this);
    switch (outcome.result) {
    case store::MessageDeleteResult::WriteFailed:
        m_showMessage(QString(), QString::fromUtf8("ログの書き込みに失敗しました。"));
        renderTopic(*tab);
        break;
    case store::MessageDeleteResult::Deleted:
        renderTopic(*tab);
        break;
    case store::MessageDeleteResult::NoTarget:
    case store::MessageDeleteResult::NotFound:
    case store::MessageDeleteResult::NoLog:
        break;
    }
}

void TMainForm::ResPopupMenuPopup()
{
    // In a message tree, the node under the pointer names the message.
    ui::TopicListPage *list = m_topicListPane->activePage();
    if (!list || list->isList())
        return;
    auto *tree = qobject_cast<QTreeWidget *>(list->view.data());
    if (!tree)
        return;
    // Rows scrolled out of sight still answer itemAt below the viewport: only a visible node counts.
    const QPoint at = tree->viewport()->mapFromGlobal(QCursor::pos());
    if (!tree->isVisible() || !tree->viewport()->rect().contains(at))
        return;
    if (QTreeWidgetItem *node = tree->itemAt(at))
        m_targetMessage = view::TreeNodeTarget(qtbridge::ToSjis(node->text(0)));
}

void TMainForm::connectViewMenu(ui::TopicPage &page)
{
    auto *browser = qobject_cast<view::HtmlView *>(page.browser.data());
    if (!browser)
        return;
    QWebEngineView *web = browser->webView();
    web->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(web, &QWidget::customContextMenuRequested, this, [this, browser, web](const QPoint &pos) {
        const QPoint at = web->mapToGlobal(pos);
        QPointer<view::HtmlView> guard(browser);
        browser->hitTest(web->mapTo(browser, pos), [this, guard, at](const view::HitTestResult &hit) {
            // Only the active tab's view answers; a tab switched away in the meantime does not.
            ui::TopicPage *tab = m_topicPane->activePage();
            if (!guard || !tab || tab->browser != guard.data())
                return;
            showViewMenu(*guard, hit, at);
        });
    });
}

void TMainForm::showViewMenu(view::HtmlView &browser, const view::HitTestResult &hit, const QPoint &at)
{
    if (hit.found && hit.tagName == QLatin1String("A") && hit.href && hit.href->startsWith(QLatin1String("pop:"))) {
        view::LinkContext context{m_settings.endpoint.domain, m_settings.endpoint.profile, m_topicPane->activePage(),
                                  m_settings.general.msgview, m_settings.general.yahoourl};
        view::LinkDecision decision = view::DecideOpenLink(hit.href->toStdString(), context);
        if (decision.action == view::LinkAction::MessageMenu) {
            m_targetMessage = decision.menuTarget;
            if (QMenu *popup = menu(QStringLiteral("ResPopupMenu")))
                popup->popup(at);
            return;
        }
    }
    // Elsewhere in the page: the text and the topic as a whole.
    m_targetMessage = -1;
    m_viewMenuBrowser = &browser;
    if (QMenu *popup = menu(QStringLiteral("ThrViewPopupMenu")))
        popup->popup(at);
}

void TMainForm::wireNg()
{
    ui::ActionList &a = *m_actions;
    // These act on the active tab's messages. A message tree's menu names a message of the
    // tree's topic, and another topic may be shown: its message of that number must not be
    // deleted, quoted or added to the NG lists in its place.
    auto anyTopic = [this](QAction &act) {
        ui::TopicPage *tab = m_topicPane->activePage();
        act.setEnabled(tab && menuNamesTopic(*tab));
    };
    auto topicWithSite = [this](QAction &act) {
        ui::TopicPage *tab = m_topicPane->activePage();
        act.setEnabled(tab && tab->site && menuNamesTopic(*tab));
    };
    // `ResPopupMenuPopup`: deletion needs the topic's log, every other item only a topic tab.
    for (const char *name : {"PopRes", "PopResQuo", "AddNGName", "AddNGTitle", "PopMark"})
        a.setUpdate(QString::fromLatin1(name), anyTopic);
    a.setUpdate(QStringLiteral("PopResDel"), topicWithSite);

    a.setExecute(QStringLiteral("ToolMsgFilter"), [this] { ToolMsgFilterExecute(); });
    a.setExecute(QStringLiteral("AddNGName"), [this] { addNgFromTarget(false); });
    a.setExecute(QStringLiteral("AddNGTitle"), [this] { addNgFromTarget(true); });
    a.setExecute(QStringLiteral("PopResDel"), [this] { PopResDelExecute(); });

    if (QMenu *resPopup = menu(QStringLiteral("ResPopupMenu")))
        connect(resPopup, &QMenu::aboutToShow, this, [this] { ResPopupMenuPopup(); });

    // The topic view's own menu away from a message number.
    auto *viewPopup = new QMenu(this);
    viewPopup->setObjectName(QStringLiteral("ThrViewPopupMenu"));
    m_menus.push_back(viewPopup);
    QAction *copy = viewPopup->addAction(QString::fromUtf8("コピー(&C)"));
    copy->setObjectName(QStringLiteral("ThrViewCopy"));
    connect(copy, &QAction::triggered, this, [this] {
        if (m_viewMenuBrowser)
            m_viewMenuBrowser->webView()->page()->triggerAction(QWebEnginePage::Copy);
    });
    QAction *selectAll = viewPopup->addAction(QString::fromUtf8("すべて選択(&A)"));
    selectAll->setObjectName(QStringLiteral("ThrViewSelectAll"));
    connect(selectAll, &QAction::triggered, this, [this] {
        if (m_viewMenuBrowser)
            m_viewMenuBrowser->webView()->page()->triggerAction(QWebEnginePage::SelectAll);
    });
    viewPopup->addSeparator();
    for (const char *name :
         {"ThrMsgNext", "ThrMsgPrev", "ThrReload", "ThrStop", "-", "ThrBrowserOpen", "ThrOpenThrLst", "-", "ThrDlRes",
          "ThrResExtra", "-", "ThrRes", "-", "ThrUrlCopy", "ThrTitleUrlCopy", "-", "ThrFavorite"}) {
        if (name[0] == '-')
            viewPopup->addSeparator();
        else if (QAction *action = a.action(QString::fromLatin1(name)))
            viewPopup->addAction(action);
    }
    connect(viewPopup, &QMenu::aboutToShow, this, [this, copy] {
        m_actions->updateAll();
        copy->setEnabled(m_viewMenuBrowser && m_viewMenuBrowser->webView()->hasSelection());
    });
}
