// Boards in the window: the category trees and their crawl, opening topic lists online or from
// their files, the merge of a list into its tab, and the commands of the two panes. The rules
// live in store/; this file carries them out on the widgets.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QTreeWidget>
#include <QUrl>

#include "app/mainform.h"
#include "base/text.h"
#include "net/pipeline.h"
#include "qtbridge/sjis.h"
#include "store/boarddir.h"
#include "store/boardlist.h"
#include "store/boardtexts.h"
#include "store/boardurls.h"
#include "store/categoryfile.h"
#include "store/favorites.h"
#include "store/listrows.h"
#include "store/pageindex.h"
#include "store/topicstate.h"
#include "ui/categorytreeview.h"
#include "ui/images.h"
#include "ui/panes.h"
#include "ui/rightpanes.h"
#include "ui/statusbar.h"
#include "ui/topiclistview.h"
#include "view/texttransform.h"

namespace {

QString sjis(std::string_view bytes)
{
    return qtbridge::FromSjis(bytes);
}

/// The favorites tree: marked so when made, and with a plug-in loaded also any tab without one.
bool isFavoritesTree(const ui::CategoryPage &page, plugin_api::PluginHandle plugin)
{
    return page.favorites || (plugin && !page.site);
}

ui::CategoryItem *selectedNode(ui::CategoryPage *page)
{
    if (!page || !page->tree)
        return nullptr;
    return static_cast<ui::CategoryItem *>(page->tree->currentItem());
}

QTreeWidget *listOf(ui::TopicListPage *page)
{
    return page && page->isList() ? qobject_cast<QTreeWidget *>(page->view.data()) : nullptr;
}

} // namespace

int TMainForm::siteCategoryTab() const
{
    for (int i = 0; i < m_categoryPane->pages().size(); ++i)
        if (!isFavoritesTree(m_categoryPane->pages()[i], m_plugin) && m_categoryPane->pages()[i].site == m_plugin)
            return i;
    return -1;
}

int TMainForm::favoritesCategoryTab() const
{
    for (int i = 0; i < m_categoryPane->pages().size(); ++i)
        if (isFavoritesTree(m_categoryPane->pages()[i], m_plugin))
            return i;
    return -1;
}

void TMainForm::showSiteStatus(void *site, std::string_view kind, std::string_view message)
{
    store::StatusTexts texts = store::ShowStatus(site, kind, message);
    if (texts.panel0)
        ShowStatus(0, sjis(*texts.panel0));
    if (texts.panel1)
        ShowStatus(1, sjis(*texts.panel1));
    if (texts.panel2)
        ShowStatus(2, sjis(*texts.panel2));
}

void TMainForm::LoadCategoryFiles()
{
    for (std::string_view name : {std::string_view(store::kPluginTreeName), std::string_view(store::kFavoritesTreeName)}) {
        bool favorites = name == store::kFavoritesTreeName;
        ui::CategoryPage *created = nullptr;
        store::LoadCategoryFile(m_programDir, name, [&]() -> store::CategoryTreeModel & {
            created = &m_categoryPane->createPage(
                favorites ? nullptr : m_plugin, favorites ? store::kFavoritesCaption : store::kCategoryListCaption, false);
            created->favorites = favorites;
            return *created->model;
        });
        if (created && favorites && created->tree && created->tree->topLevelItemCount() > 0) {
            created->tree->expandRecursively(created->tree->indexFromItem(created->tree->topLevelItem(0)));
            // Opened by the start, not by the user: no branch counts as the last one opened yet,
            // or the user's first one would close the whole favorites tree.
            m_lastExpanded = QPersistentModelIndex();
            m_lastExpandedTree = nullptr;
        }
    }
}

void TMainForm::SaveCategoryFiles()
{
    std::vector<store::CategoryTabRef> tabs;
    for (int i = 0; i < m_categoryPane->pages().size(); ++i) {
        ui::CategoryPage &page = m_categoryPane->pages()[i];
        // A tree that a crawl cleared and did not complete would replace the whole directory.
        bool favorites = isFavoritesTree(page, m_plugin);
        bool keepFile = !favorites && !m_crawl.siteTreeWritable();
        tabs.push_back({!favorites, keepFile ? nullptr : page.model.get()});
    }
    if (!store::SaveCategoryFiles(m_programDir, tabs))
        qWarning("a category file could not be written");
}

void TMainForm::CreateFavoritesTree()
{
    if (favoritesCategoryTab() >= 0)
        return;
    ui::CategoryPage &page = m_categoryPane->createPage(nullptr, store::kFavoritesCaption, true);
    page.favorites = true;
    store::AddFavoritesRoot(*page.model);
}

void TMainForm::OpenUrl(const std::string &url, int start, int end, store::OpenMode mode, bool local)
{
    bool online = m_actions->action(QStringLiteral("FileOnline"))->isChecked();
    store::OpenAction action =
        store::DecideOpenUrl(url, start, end, mode, local, online, m_boardServer,
                             [this](std::string_view listUrl) { return store::FindBoardName(m_programDir, listUrl); });
    using Kind = store::OpenAction::Kind;
    switch (action.kind) {
    case Kind::TopicListOnline:
        OpenTopicListOnline(action.url, action.boardName, action.reuse);
        break;
    case Kind::TopicListLocal:
        OpenTopicListLocal(action.url, action.boardName, action.reuse);
        break;
    case Kind::External:
        OpenExternal(action.url);
        break;
    case Kind::TopicOnline:
        OpenTopicOnline(action.url, action.start, action.end, action.reuse);
        break;
    case Kind::TopicLocal:
        OpenTopicLocal(action.url, action.reuse, action.target);
        break;
    case Kind::Nothing:
        break;
    }
}

void TMainForm::OpenExternal(const std::string &url)
{
    QString target = QString::fromLatin1(url.c_str());
    const std::string &browser = m_settings.path.browser;
    if (!browser.empty() && QProcess::startDetached(qtbridge::FromPath(browser), {target}))
        return;
    QUrl address = QUrl::fromEncoded(QByteArray::fromStdString(url));
    bool opened = m_openSystemUrl ? m_openSystemUrl(address) : QDesktopServices::openUrl(address);
    if (!opened)
        m_showMessage(QString::fromUtf8("ブラウザエラー"),
                      QString::fromUtf8("ブラウザを起動できませんでした。\n") + target);
}

ui::TopicListPage &TMainForm::prepareTopicListTab(const std::string &listUrl, const std::string &boardName, bool reuse)
{
    ui::TopicListPane &pane = *m_topicListPane;
    std::string caption = store::BoardCaption(boardName);
    int index = store::FindPageIndexIn(pane.pages(), m_plugin, listUrl, store::PageKind::TopicList);
    bool sameList = index >= 0;
    if (!sameList) {
        // The favorites tab and tree tabs are never taken over by a board.
        if (reuse && pane.activePage() &&
            store::ReusableForBoard(pane.activePage()->listUrl, pane.activePage()->isList()))
            index = pane.strip()->currentIndex();
        else
            index = pane.pages().indexOf(&pane.createPage(m_plugin, caption, false, true, m_settings.tab.icon));
        pane.strip()->setCaption(index, caption);
        ui::TopicListPage &page = pane.pages()[index];
        page.site = m_plugin;
        page.listUrl = listUrl;
        page.boardName = caption;
        page.boardDir = store::ResolveBoardLogDir({m_programDir, m_settings.path.log}, listUrl).value_or("");
    }
    pane.strip()->setCurrentIndex(index);
    ui::TopicListPage &page = pane.pages()[index];
    m_urlEdit->setText(QString::fromLatin1(listUrl.c_str()));
    page.awaitingList = false;
    if (QTreeWidget *list = listOf(&page)) {
        if (sameList) {
            // The list the user has stays in view until the new one is in (mergeTopicList).
            page.awaitingList = true;
        } else {
            list->setUpdatesEnabled(false);
            list->clear();
        }
    }
    if (m_topicListPane->isHidden()) {
        m_topicPane->setVisible(!m_actions->action(QStringLiteral("WindowThr"))->isChecked());
        m_arranger->arrange(ui::RightPane::Topic);
    }
    return page;
}

void TMainForm::OpenTopicListOnline(const std::string &listUrl, const std::string &boardName, bool reuse)
{
    if (!m_pipeline->EnqueueRequest(m_plugin, listUrl.c_str(), nullptr, nullptr, plugin_api::kTopicList, 0, 0))
        return;
    showSiteStatus(m_plugin, store::kTopicListStatusKind, store::kTopicListFetchStartedText);
    prepareTopicListTab(listUrl, boardName, reuse);
}

void TMainForm::OpenTopicListLocal(const std::string &listUrl, const std::string &boardName, bool reuse)
{
    auto dir = store::ResolveBoardLogDir({m_programDir, m_settings.path.log}, listUrl);
    if (!dir)
        return;
    auto records = store::ReadBoardListFile(store::BoardListFilePath(*dir));
    if (!records)
        return;
    showSiteStatus(m_plugin, store::kTopicListStatusKind, store::kTopicListFetchStartedText);
    ui::TopicListPage &page = prepareTopicListTab(listUrl, boardName, reuse);
    page.boardDir = *dir;
    net::PageResult result = store::MakeLocalPageResult(m_plugin, listUrl, *records);
    mergeTopicList(result);
}

int TMainForm::mergeTopicList(const net::PageResult &result)
{
    ui::TopicListPane &pane = *m_topicListPane;
    std::vector<store::TopicListTabRef> refs;
    for (int i = 0; i < pane.pages().size(); ++i)
        refs.push_back({pane.pages()[i].site, pane.pages()[i].listUrl});
    int index = store::FindMergeTarget(refs, result);
    if (index < 0)
        return 0;
    ui::TopicListPage &page = pane.pages()[index];
    QTreeWidget *list = listOf(&page);
    if (!list)
        return 0;
    bool replacing = page.awaitingList;
    if (replacing) {
        // The new list is in: the old rows go now, and a caption a failed attempt left goes too.
        page.awaitingList = false;
        list->setUpdatesEnabled(false);
        list->clear();
        if (!page.boardName.empty())
            pane.strip()->setCaption(index, page.boardName);
    }
    ui::TopicRowsAdapter rows(*list, m_images);
    store::TopicListTarget target{page.site, page.listUrl, page.boardDir,
                                  pane.strip()->caption(index), &rows};
    store::TopicListEnv env;
    env.boardServer = m_boardServer;
    env.paths = {m_programDir, m_settings.path.log};
    env.decodeTitle = [](std::string_view title) { return view::DecodeEntities(title); };
    env.logCache = &m_logCache;
    store::MergeOutcome outcome = store::MergeTopicList(result, target, env);
    if (outcome.status)
        showSiteStatus(page.site, outcome.status->first, outcome.status->second);
    if (outcome.taken && m_settings.general.sort) {
        m_sortDescending = false;
        ui::SortTopicList(*list, 0, false, m_settings.design);
    } else {
        ui::PaintTopicRows(*list, m_settings.design);
    }
    if (outcome.endBatch || replacing) {
        list->setUpdatesEnabled(true);
        m_topicListPane->fitUntouchedColumns(list);
    }
    return outcome.taken;
}

void TMainForm::addParsedCategories(const net::CategoryResult &result)
{
    int index = result.plugin == m_plugin ? siteCategoryTab() : -1;
    ui::CategoryPage *page = index >= 0 ? &m_categoryPane->pages()[index] : nullptr;
    store::CategoryTreeModel *tree = page ? page->model.get() : nullptr;
    // The first page replaces the tree: the batch update covers the clearing and the filling.
    if (page && page->tree && m_crawl.awaitingFirstPage())
        page->tree->setUpdatesEnabled(false);
    void *plugin = result.plugin;
    store::CategoryAddition added = m_crawl.add(result, tree, [this, plugin](const std::string &url) {
        return m_pipeline->EnqueueRequest(plugin, url.c_str(), nullptr, nullptr, plugin_api::kCategoryPage, 0, 0) == 1;
    });
    if (page && page->tree && !m_crawl.batchOpen())
        page->tree->setUpdatesEnabled(true);
    if (added.replacedTree)
        m_lastExpanded = QPersistentModelIndex();
    if (added.status)
        showSiteStatus(result.plugin, store::kCategoryStatusKind, *added.status);
}

void TMainForm::CtgUpdateExecute()
{
    bool started = m_crawl.start(
        [this] { return m_pipeline->EnqueueRequest(m_plugin, nullptr, nullptr, nullptr, plugin_api::kCategoryPage, 0, 0) == 1; },
        m_boardServer);
    if (!started)
        return;
    showSiteStatus(m_plugin, store::kCategoryStatusKind, store::kCategoryFetchStartedText);
    m_pipeline->wakeCategoryQueue();
    int index = siteCategoryTab();
    if (index < 0)
        index = m_categoryPane->pages().indexOf(
            &m_categoryPane->createPage(m_plugin, store::kCategoryListCaption, true));
    m_categoryPane->strip()->setCurrentIndex(index);
    // The tree the user has stays until the crawl's first page replaces it.
}

void TMainForm::CtgUpdateStopExecute()
{
    int discarded = m_pipeline->clearCategoryQueue();
    store::CategoryCrawl::StopOutcome stopped = m_crawl.stop(discarded, m_pipeline->waitingCategory());
    applyStatus(stopped.status);
    int site = siteCategoryTab();
    if (stopped.endBatch && site >= 0 && m_categoryPane->pages()[site].tree)
        m_categoryPane->pages()[site].tree->setUpdatesEnabled(true);
    SaveCategoryFiles();
}

void TMainForm::categoryWorkerEnded()
{
    net::CategoryEndOutcome outcome = m_pipeline->handleCategoryWorkerEnded();
    store::CategoryCrawl::WorkerEnd end = m_crawl.workerEnded(outcome);
    if (end.failed)
        outcome.status.panel0 = store::kCategoryFetchFailedText;
    applyStatus(outcome.status);
    int site = siteCategoryTab();
    if (end.endBatch && site >= 0 && m_categoryPane->pages()[site].tree)
        m_categoryPane->pages()[site].tree->setUpdatesEnabled(true);
    if (end.finished)
        SaveCategoryFiles();
}

void TMainForm::ctgSearch(bool ask)
{
    if (ask) {
        bool ok = false;
        QString text = QInputDialog::getText(this, QString::fromUtf8("カテゴリ一覧の検索"),
                                             QString::fromUtf8("検索するための文字を入力してください"),
                                             QLineEdit::Normal, sjis(m_searchText), &ok);
        if (!ok)
            return;
        m_searchText = qtbridge::ToSjis(text);
    }
    int index = siteCategoryTab();
    if (index < 0)
        return;
    m_categoryPane->strip()->setCurrentIndex(index);
    if (!ask && m_searchText.empty())
        return;
    ui::CategoryPage &page = m_categoryPane->pages()[index];
    QTreeWidgetItem *start = page.tree->currentItem();
    if (!start && page.tree->topLevelItemCount() > 0) {
        start = page.tree->topLevelItem(0);
        page.tree->setCurrentItem(start);
    }
    auto *found = static_cast<ui::CategoryItem *>(store::FindNextCategoryNode(
        *page.model, start ? static_cast<ui::CategoryItem *>(start) : nullptr, m_searchText));
    if (!found) {
        m_showMessage(QString(), QString::fromUtf8("カテゴリ一覧の検索が終了しました。"));
        return;
    }
    for (QTreeWidgetItem *up = found->parent(); up; up = up->parent())
        up->setExpanded(true);
    page.tree->setCurrentItem(found);
    page.tree->scrollToItem(found);
}

void TMainForm::categoryNodeExpanded(QTreeWidgetItem *item)
{
    auto *tree = item->treeWidget();
    // Expand-all opens boards too; a board keeps its own image.
    if (static_cast<ui::CategoryItem *>(item)->data().isFolder())
        item->setIcon(0, m_images[ui::image::FolderOpen]);
    int siteTab = siteCategoryTab();
    bool siteTree = siteTab >= 0 && m_categoryPane->pages()[siteTab].tree == tree;
    if (siteTree && m_settings.general.treeOpenNode) {
        auto topOf = [](QTreeWidgetItem *node) {
            while (node->parent())
                node = node->parent();
            return node;
        };
        QTreeWidgetItem *last = nullptr;
        if (m_lastExpanded.isValid() && m_lastExpandedTree)
            last = m_lastExpandedTree->itemFromIndex(m_lastExpanded);
        QTreeWidgetItem *b = topOf(item);
        if (last && topOf(last) != b) {
            QTreeWidgetItem *a = topOf(last);
            std::function<void(QTreeWidgetItem *)> collapseAll = [&](QTreeWidgetItem *node) {
                for (int i = 0; i < node->childCount(); ++i)
                    collapseAll(node->child(i));
                node->setExpanded(false);
            };
            collapseAll(a);
        } else if (QTreeWidgetItem *parent = item->parent()) {
            for (int i = 0; i < parent->childCount(); ++i)
                if (parent->child(i) != item && parent->child(i)->isExpanded())
                    parent->child(i)->setExpanded(false);
        }
    }
    m_lastExpanded = QPersistentModelIndex(tree->indexFromItem(item));
    m_lastExpandedTree = tree;
}

void TMainForm::runClickSetting(int setting, bool categoryTree)
{
    static const char *const kCategory[] = {"PopCtgActiveOpen", "PopCtgNewOpen", "CtgLocalActiveOpen",
                                            "CtgLocalNewOpen"};
    static const char *const kList[] = {"PopThrLstActiveOpen", "PopThrLstNewOpen", "ThrLstLocalActiveOpen",
                                        "ThrLstLocalNewOpen"};
    store::OpenCommand command = store::OpenCommandForClick(setting);
    if (command == store::OpenCommand::None)
        return;
    int i = static_cast<int>(command);
    m_actions->run(QString::fromLatin1(categoryTree ? kCategory[i] : kList[i]));
}

void TMainForm::rebuildDlCountMenu(QMenu *menu)
{
    menu->clear();
    for (const store::DlCountItem &item : store::DlCountMenuItems(m_settings.network)) {
        if (item.separator) {
            menu->addSeparator();
            continue;
        }
        // "&" would become an accelerator; the caption must stay the entry itself.
        QString caption = sjis(item.caption);
        QAction *action = menu->addAction(QString(caption).replace(u'&', QStringLiteral("&&")));
        action->setCheckable(true);
        action->setChecked(item.checked);
        std::string entry = item.caption;
        // `DlCountExecute`: the entry's position in dl_count, 0 for any other caption.
        connect(action, &QAction::triggered, this, [this, entry] {
            m_settings.network.dlCountIndex = store::DlCountIndexFor(entry, m_settings.network.dlCount);
        });
    }
}

void TMainForm::ThrLstOpenCtgExecute()
{
    ui::TopicListPage *page = m_topicListPane->activePage();
    if (!page)
        return;
    std::string url = page->listUrl;
    if (QTreeWidget *list = listOf(page))
        if (ui::TopicItem *row = ui::SelectedTopicItem(*list))
            url = row->row().entry.topicUrl;
    auto listUrl = store::BoardListUrlOf(m_boardServer, url);
    if (!listUrl)
        return;
    for (int i = 0; i < m_categoryPane->pages().size(); ++i) {
        ui::CategoryPage &tab = m_categoryPane->pages()[i];
        if (!tab.site || tab.site != m_plugin)
            continue;
        if (auto *node = static_cast<ui::CategoryItem *>(store::FindBoardNode(*tab.model, *listUrl))) {
            tab.tree->setCurrentItem(node);
            tab.tree->scrollToItem(node);
        }
    }
    if (m_categoryPane->isHidden())
        m_categoryPane->setVisible(true);
}

void TMainForm::ThrLstExtraExecute()
{
    QTreeWidget *list = listOf(m_topicListPane->activePage());
    if (!list)
        return;
    bool ok = false;
    QString text = QInputDialog::getText(this, QString::fromUtf8("スレッドの絞り込み強調"),
                                         QString::fromUtf8("絞り込むための文字を入力してください"),
                                         QLineEdit::Normal, QString(), &ok);
    if (!ok)
        return;
    ui::TopicRowsAdapter rows(*list, m_images);
    store::HighlightMatchingRows(rows, qtbridge::ToSjis(text));
    ui::SortTopicList(*list, -1, m_sortDescending, m_settings.design);
}

void TMainForm::wireBoards()
{
    ui::ActionList &a = *m_actions;
    auto node = [this] { return selectedNode(m_categoryPane->activePage()); };

    // The category tree's open, browser and copy commands (`PopCtgOpenUpdate`).
    struct CtgOpen {
        const char *name;
        store::OpenMode mode;
        bool local;
        bool boardOnly;
    };
    for (CtgOpen c : {CtgOpen{"PopCtgActiveOpen", store::OpenMode::ActiveTab, false, true},
                      CtgOpen{"PopCtgNewOpen", store::OpenMode::NewTab, false, true},
                      CtgOpen{"CtgLocalActiveOpen", store::OpenMode::ActiveTab, true, true},
                      CtgOpen{"CtgLocalNewOpen", store::OpenMode::NewTab, true, true},
                      CtgOpen{"CtgBrowserOpen", store::OpenMode::Browser, false, false}}) {
        a.setExecute(QString::fromLatin1(c.name), [this, node, c] {
            ui::CategoryItem *item = node();
            if (item && !item->data().url.empty() && (!c.boardOnly || !item->data().isFolder()))
                OpenUrl(item->data().url, 0, 0, c.mode, c.local);
        });
        a.setUpdate(QString::fromLatin1(c.name), [node, c](QAction &act) {
            ui::CategoryItem *item = node();
            act.setEnabled(item && !item->data().url.empty() && (!c.boardOnly || !item->data().isFolder()));
        });
    }
    auto nodeWithUrl = [node](QAction &act) {
        ui::CategoryItem *item = node();
        act.setEnabled(item && !item->data().url.empty());
    };
    a.setExecute(QStringLiteral("PopCtgUrlCopy"), [node] {
        if (ui::CategoryItem *item = node())
            QApplication::clipboard()->setText(sjis(item->data().url));
    });
    a.setUpdate(QStringLiteral("PopCtgUrlCopy"), nodeWithUrl);
    a.setExecute(QStringLiteral("CtgTitleUrlCopy"), [node] {
        if (ui::CategoryItem *item = node())
            QApplication::clipboard()->setText(sjis(item->sjisText() + "\n" + item->data().url));
    });
    a.setUpdate(QStringLiteral("CtgTitleUrlCopy"), nodeWithUrl);
    a.setExecute(QStringLiteral("CtgSearch"), [this] { ctgSearch(true); });
    a.setExecute(QStringLiteral("CtgSearchNext"), [this] { ctgSearch(false); });
    a.setExecute(QStringLiteral("CtgUpdate"), [this] { CtgUpdateExecute(); });
    a.setUpdate(QStringLiteral("CtgUpdate"), [this](QAction &act) { act.setEnabled(!m_crawl.running()); });
    a.setExecute(QStringLiteral("CtgUpdateStop"), [this] { CtgUpdateStopExecute(); });
    a.setUpdate(QStringLiteral("CtgUpdateStop"), [this](QAction &act) { act.setEnabled(m_crawl.running()); });

    // The topic list's open, browser and copy commands (`PopThrLstOpenUpdate`).
    auto row = [this]() -> ui::TopicItem * {
        QTreeWidget *list = listOf(m_topicListPane->activePage());
        return list ? ui::SelectedTopicItem(*list) : nullptr;
    };
    auto rowSelected = [row](QAction &act) { act.setEnabled(row() != nullptr); };
    struct ListOpen {
        const char *name;
        store::OpenMode mode;
        bool local;
    };
    for (ListOpen c : {ListOpen{"PopThrLstActiveOpen", store::OpenMode::ActiveTab, false},
                       ListOpen{"PopThrLstNewOpen", store::OpenMode::NewTab, false},
                       ListOpen{"ThrLstLocalActiveOpen", store::OpenMode::ActiveTab, true},
                       ListOpen{"ThrLstLocalNewOpen", store::OpenMode::NewTab, true}}) {
        a.setExecute(QString::fromLatin1(c.name), [this, row, c] {
            if (ui::TopicItem *item = row())
                OpenUrl(item->row().entry.topicUrl, 1, base::ParseInt(item->row().text(store::kPostsItem), 0), c.mode,
                        c.local);
        });
        a.setUpdate(QString::fromLatin1(c.name), rowSelected);
    }
    a.setExecute(QStringLiteral("ThrLstBrowserOpen"), [this, row] {
        if (ui::TopicItem *item = row())
            OpenUrl(item->row().entry.topicUrl, 0, 0, store::OpenMode::Browser, false);
    });
    a.setUpdate(QStringLiteral("ThrLstBrowserOpen"), rowSelected);
    a.setExecute(QStringLiteral("PopThrLstUrlCopy"), [row] {
        if (ui::TopicItem *item = row())
            QApplication::clipboard()->setText(sjis(item->row().entry.topicUrl));
    });
    a.setUpdate(QStringLiteral("PopThrLstUrlCopy"), rowSelected);
    a.setExecute(QStringLiteral("ThrLstTitleUrlCopy"), [row] {
        if (ui::TopicItem *item = row())
            QApplication::clipboard()->setText(
                sjis(item->row().text(store::kTitleItem) + "\n" + item->row().entry.topicUrl));
    });
    a.setUpdate(QStringLiteral("ThrLstTitleUrlCopy"), rowSelected);

    a.setExecute(QStringLiteral("ThrLstOpenCtg"), [this] { ThrLstOpenCtgExecute(); });
    a.setUpdate(QStringLiteral("ThrLstOpenCtg"), [this, row](QAction &act) {
        ui::TopicListPage *page = m_topicListPane->activePage();
        act.setEnabled(!page || (page->site && page->isList()) ||
                       (page->listUrl == store::kFavoritesListUrl && row() != nullptr));
    });
    a.setExecute(QStringLiteral("ThrLstReload"), [this] {
        ui::TopicListPage *page = m_topicListPane->activePage();
        if (page && page->isList() && !page->site && page->listUrl == store::kFavoritesListUrl) {
            reloadFavoritesTab();
            return;
        }
        if (!page || !page->isList() || !page->site)
            return;
        std::string caption = page->boardName.empty()
                                  ? m_topicListPane->strip()->caption(m_topicListPane->strip()->currentIndex())
                                  : page->boardName;
        OpenTopicListOnline(page->listUrl, caption, true);
    });
    a.setUpdate(QStringLiteral("ThrLstReload"), [this](QAction &act) {
        ui::TopicListPage *page = m_topicListPane->activePage();
        act.setEnabled(page && page->isList());
    });
    a.setExecute(QStringLiteral("ThrLstExtra"), [this] { ThrLstExtraExecute(); });
    a.setUpdate(QStringLiteral("ThrLstExtra"), [this](QAction &act) {
        ui::TopicListPage *page = m_topicListPane->activePage();
        act.setEnabled(page && page->isList());
    });
    a.setExecute(QStringLiteral("ThrLstDlCount"), [] {});
    a.setExecute(QStringLiteral("ThrLstDlNew"), [this] { m_settings.network.dlNew = !m_settings.network.dlNew; });
    a.setUpdate(QStringLiteral("ThrLstDlNew"), [this](QAction &act) {
        act.setEnabled(true);
        act.setChecked(m_settings.network.dlNew);
    });

    // The address box and its drop-down.
    connect(m_urlEdit, &QLineEdit::returnPressed, this, [this] { openAddress(store::OpenMode::ActiveTab, false); });
    if (QMenu *urlMenu = menu(QStringLiteral("UrlPopupMenu"))) {
        struct UrlItem {
            const char *name;
            store::OpenMode mode;
            bool local;
        };
        for (UrlItem u : {UrlItem{"UrlActiveOpen", store::OpenMode::ActiveTab, false},
                          UrlItem{"UrlNewOpen", store::OpenMode::NewTab, false},
                          UrlItem{"UrlLocalActiveOpen", store::OpenMode::ActiveTab, true},
                          UrlItem{"UrlLocalNewOpen", store::OpenMode::NewTab, true},
                          UrlItem{"UrlBrowserOpen", store::OpenMode::Browser, false}}) {
            QAction *item = urlMenu->findChild<QAction *>(QString::fromLatin1(u.name));
            if (!item)
                continue;
            connect(item, &QAction::triggered, this, [this, u] { openAddress(u.mode, u.local); });
        }
        connect(urlMenu, &QMenu::aboutToShow, this, [this, urlMenu] {
            for (QAction *item : urlMenu->actions())
                item->setEnabled(!m_urlEdit->text().isEmpty());
        });
    }

    // The download-count submenus are rebuilt each time they open.
    for (const char *name : {"DlCountMenu", "PopDlCountMenu"})
        for (QMenu *m : findChildren<QMenu *>(QString::fromLatin1(name)))
            connect(m, &QMenu::aboutToShow, this, [this, m] { rebuildDlCountMenu(m); });

    // Tree and list events, for every tab the panes create.
    connect(m_categoryPane, &ui::CategoryPane::nodeExpanded, this, &TMainForm::categoryNodeExpanded);
    connect(m_categoryPane, &ui::CategoryPane::nodeCollapsed, this, [this](QTreeWidgetItem *item) {
        if (static_cast<ui::CategoryItem *>(item)->data().isFolder())
            item->setIcon(0, m_images[ui::image::FolderClosed]);
    });
    connect(m_categoryPane, &ui::CategoryPane::nodeClicked, this,
            [this] { runClickSetting(m_settings.action.ctgClick, true); });
    connect(m_categoryPane, &ui::CategoryPane::nodeDoubleClicked, this,
            [this] { runClickSetting(m_settings.action.ctgDblClick, true); });
    connect(m_categoryPane, &ui::CategoryPane::contextMenuAt, this, [this](QTreeWidget *tree, const QPoint &pos) {
        // `CtgTreeMouseDown`: the right button selects the node under it.
        if (QTreeWidgetItem *item = tree->itemAt(pos))
            tree->setCurrentItem(item);
        QMenu *popup = menu(QStringLiteral("CtgPopupMenu"));
        m_actions->updateAll();
        // `CtgPopupMenuPopup`: which favorites items the menu shows; without a selection the
        // menu stays as it was last set up.
        if (tree->currentItem()) {
            int tab = m_categoryPane->strip()->indexOf(tree);
            bool siteTree = tab >= 0 && m_categoryPane->pages()[tab].site != nullptr;
            m_actions->action(QStringLiteral("CtgAddFavorite"))->setVisible(siteTree);
            m_actions->action(QStringLiteral("CtgCreateFolder"))->setVisible(!siteTree);
            m_actions->action(QStringLiteral("CtgDelFavorite"))->setVisible(!siteTree);
        }
        popup->exec(tree->viewport()->mapToGlobal(pos));
    });
    connect(m_topicListPane, &ui::TopicListPane::rowClicked, this,
            [this] { runClickSetting(m_settings.action.thrlstClick, false); });
    connect(m_topicListPane, &ui::TopicListPane::rowDoubleClicked, this,
            [this] { runClickSetting(m_settings.action.thrlstDblClick, false); });
    connect(m_topicListPane, &ui::TopicListPane::contextMenuAt, this, [this](QTreeWidget *list, const QPoint &pos) {
        if (QTreeWidgetItem *item = list->itemAt(pos))
            list->setCurrentItem(item);
        QMenu *popup = menu(QStringLiteral("ThrLstPopupMenu"));
        m_actions->updateAll();
        popup->exec(list->viewport()->mapToGlobal(pos));
    });
    connect(m_topicListPane, &ui::TopicListPane::headerClicked, this, [this](int column) {
        QTreeWidget *list = listOf(m_topicListPane->activePage());
        if (!list)
            return;
        m_sortDescending = !m_sortDescending;
        ui::SortTopicList(*list, column, m_sortDescending, m_settings.design);
    });
}
