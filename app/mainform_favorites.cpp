// Favorites in the window: the favorite topics and their tab, the favorites tree and its
// commands. The rules live in store/favorites.h; every edit of the list or the tree is written
// at once, so that a crash loses none.
#include "app/mainform.h"
#include "base/text.h"
#include "net/pipeline.h"
#include "qtbridge/sjis.h"
#include "store/boarddir.h"
#include "store/boardlist.h"
#include "store/boardtexts.h"
#include "store/boardurls.h"
#include "store/categoryfile.h"
#include "store/pageindex.h"
#include "ui/categorytreeview.h"
#include "ui/panes.h"
#include "ui/topiclistview.h"

#include <QAction>
#include <QInputDialog>
#include <QLineEdit>
#include <QTreeWidget>
#include <ctime>

namespace {

QTreeWidget *listOf(ui::TopicListPage *page)
{
    return page && page->isList() ? qobject_cast<QTreeWidget *>(page->view.data()) : nullptr;
}

std::tm localNow()
{
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    return parts;
}

} // namespace

int TMainForm::favoritesTab() const
{
    return store::FindPageIndexIn(m_topicListPane->pages(), nullptr, store::kFavoritesListUrl,
                                  store::PageKind::TopicList);
}

int TMainForm::favoritesTreeTab() const
{
    // By the tab's role: without the plug-in the site's tree has no handle either.
    return favoritesCategoryTab();
}

void TMainForm::LoadFavoritesList()
{
    m_favorites.load();
}

void TMainForm::SaveFavoritesList()
{
    if (!m_favorites.save())
        qWarning("the favorites list could not be written");
}

void TMainForm::saveFavoritesTree()
{
    int index = favoritesTreeTab();
    if (index < 0)
        return;
    if (store::SaveCategoryFile(m_programDir, store::kFavoritesTreeName, *m_categoryPane->pages()[index].model) ==
        store::SaveOutcome::Failed)
        qWarning("the favorites tree could not be written");
}

void TMainForm::ThrLstFavoriteTabExecute()
{
    ui::TopicListPane &pane = *m_topicListPane;
    int index = favoritesTab();
    if (index >= 0) {
        pane.strip()->setCurrentIndex(index);
        return;
    }
    ui::TopicListPage &page = pane.createPage(nullptr, store::kFavoritesCaption, false, true, m_settings.tab.icon);
    page.listUrl = store::kFavoritesListUrl;
    QTreeWidget *list = listOf(&page);
    if (!list)
        return;
    ui::TopicRowsAdapter rows(*list, m_images);
    store::TopicListEnv env;
    env.boardServer = m_boardServer;
    env.paths = {m_programDir, m_settings.path.log};
    env.logCache = &m_logCache;
    store::LoadFavoriteTopics(m_favorites.entries(), rows, env);
    ui::PaintTopicRows(*list, m_settings.design);
}

void TMainForm::ThrLstAddFavoriteExecute()
{
    QTreeWidget *list = listOf(m_topicListPane->activePage());
    ui::TopicItem *item = list ? ui::SelectedTopicItem(*list) : nullptr;
    if (!item)
        return;
    store::TopicRow source = item->row();
    auto entry = store::FavoriteEntryOfRow(source.entry);
    if (!entry || m_favorites.contains(*entry))
        return;
    int tab = favoritesTab();
    if (QTreeWidget *favorites = tab >= 0 ? listOf(&m_topicListPane->pages()[tab]) : nullptr) {
        ui::TopicRowsAdapter rows(*favorites, m_images);
        store::AppendFavoriteRow(rows, source);
        ui::PaintTopicRows(*favorites, m_settings.design);
    }
    m_favorites.add(*entry);
}

void TMainForm::ThrLstDelFavoriteExecute()
{
    QTreeWidget *list = listOf(m_topicListPane->activePage());
    ui::TopicItem *item = list ? ui::SelectedTopicItem(*list) : nullptr;
    if (!item)
        return;
    // The item may be the favorites tab's own row, which goes below.
    store::TopicEntry selected = item->row().entry;
    auto board = base::ExtractUrlParam("board=", selected.topicUrl);
    if (!board || !base::ExtractUrlParam("tid=", selected.topicUrl))
        return;
    std::string entry = store::FavoriteEntry(*board, selected.logName);
    if (!m_favorites.contains(entry))
        return;
    int tab = favoritesTab();
    if (QTreeWidget *favorites = tab >= 0 ? listOf(&m_topicListPane->pages()[tab]) : nullptr) {
        ui::TopicRowsAdapter rows(*favorites, m_images);
        store::RemoveFavoriteRow(rows, *board, selected.logName);
        ui::PaintTopicRows(*favorites, m_settings.design);
    }
    m_favorites.remove(entry);
}

void TMainForm::ThrFavoriteExecute()
{
    ui::TopicPage *topic = m_topicPane->activePage();
    if (!topic)
        return;
    store::TopicFavoriteCommand state =
        store::TopicFavoriteCommandState(true, topic->site != nullptr, topic->topicUrl, topic->logName, m_favorites);
    if (!state.enabled)
        return;
    int tab = favoritesTab();
    QTreeWidget *favorites = tab >= 0 ? listOf(&m_topicListPane->pages()[tab]) : nullptr;
    if (state.checked) {
        if (favorites) {
            ui::TopicRowsAdapter rows(*favorites, m_images);
            store::RemoveFavoriteRow(rows, state.board, topic->logName);
            ui::PaintTopicRows(*favorites, m_settings.design);
        }
        m_favorites.remove(state.entry);
        return;
    }
    if (favorites) {
        // Without the board's directory the row is left out; the topic is a favorite all the same.
        if (auto boardDir = store::ResolveBoardLogDir({m_programDir, m_settings.path.log},
                                                      store::BoardListUrl(m_boardServer, state.board))) {
            int index = m_topicPane->pages().indexOf(topic);
            store::TopicTabFacts facts{m_topicPane->strip()->caption(index), topic->postCount,
                                       static_cast<int>(topic->lines.size()), topic->topicUrl, topic->logName};
            ui::TopicRowsAdapter rows(*favorites, m_images);
            store::AppendFavoriteRow(rows, store::TopicTabFavoriteRow(facts, *boardDir, localNow()));
            ui::PaintTopicRows(*favorites, m_settings.design);
        }
    }
    m_favorites.add(state.entry);
}

void TMainForm::reloadFavoritesTab()
{
    for (const std::string &listUrl : store::FavoriteBoardListUrls(m_favorites.entries(), m_boardServer))
        RefreshFavoriteBoard(listUrl);
}

void TMainForm::RefreshFavoriteBoard(const std::string &listUrl)
{
    // Without a plug-in handle the answer finds no board tab and goes to the favorites tab.
    if (!m_pipeline->EnqueueRequest(nullptr, listUrl.c_str(), nullptr, nullptr, plugin_api::kTopicList, 0, 0))
        return;
    showSiteStatus(nullptr, {}, {});
    int tab = favoritesTab();
    if (tab >= 0)
        m_topicListPane->strip()->setCurrentIndex(tab);
}

void TMainForm::CtgAddFavoriteExecute()
{
    ui::CategoryPage *page = m_categoryPane->activePage();
    int treeTab = favoritesTreeTab();
    if (!page || !page->site || !page->tree || treeTab < 0)
        return;
    auto *node = static_cast<ui::CategoryItem *>(page->tree->currentItem());
    store::CategoryTreeModel &favorites = *m_categoryPane->pages()[treeTab].model;
    if (!node || !store::CanAddFavoriteBoard(favorites, node->data()))
        return;
    store::CategoryTreeModel::Node root = store::FirstNode(favorites);
    if (!root)
        root = store::AddFavoritesRoot(favorites);
    favorites.addNode(root, node->sjisText(), node->data());
    saveFavoritesTree();
}

void TMainForm::CtgDelFavoriteExecute()
{
    // Only ever the favorites tree: deleting from the site's tree would drop boards from its
    // category file and with them the place of their logs.
    ui::CategoryPage *page = m_categoryPane->activePage();
    if (!page || page->site || !page->tree)
        return;
    QTreeWidgetItem *node = page->tree->currentItem();
    if (!node || static_cast<ui::CategoryItem *>(node) == store::FirstNode(*page->model))
        return;
    delete node; // with its subtree and every payload
    saveFavoritesTree();
}

void TMainForm::CtgCreateFolderExecute()
{
    ui::CategoryPage *page = m_categoryPane->activePage();
    if (!page || page->site || !page->tree)
        return;
    auto *selected = static_cast<ui::CategoryItem *>(page->tree->currentItem());
    if (!selected)
        return;
    bool ok = false;
    QString name = QInputDialog::getText(this, QString::fromUtf8("フォルダ名を入力してください。"),
                                         QString::fromUtf8("フォルダ名の入力"), QLineEdit::Normal, QString(), &ok);
    // The dialog runs the event loop: the tab or the node may have gone meanwhile.
    if (!ok || m_categoryPane->activePage() != page || !page->tree || page->tree->currentItem() != selected)
        return;
    page->model->addNode(store::FolderParentFor(*page->model, selected), qtbridge::ToSjis(name),
                         store::CategoryNodeData{"", 1});
    saveFavoritesTree();
}

void TMainForm::wireFavorites()
{
    m_favorites = store::FavoriteTopics(store::FavoritesFilePath(m_programDir));
    ui::ActionList &a = *m_actions;

    a.setExecute(QStringLiteral("ThrLstFavoriteTab"), [this] { ThrLstFavoriteTabExecute(); });

    auto listState = [this] {
        ui::TopicListPage *page = m_topicListPane->activePage();
        QTreeWidget *list = listOf(page);
        ui::TopicItem *item = list ? ui::SelectedTopicItem(*list) : nullptr;
        return store::ListFavoriteCommandState(list != nullptr, item ? &item->row().entry : nullptr, m_favorites);
    };
    a.setExecute(QStringLiteral("ThrLstAddFavorite"), [this] { ThrLstAddFavoriteExecute(); });
    a.setUpdate(QStringLiteral("ThrLstAddFavorite"), [listState](QAction &act) { act.setEnabled(listState().add); });
    a.setExecute(QStringLiteral("ThrLstDelFavorite"), [this] { ThrLstDelFavoriteExecute(); });
    a.setUpdate(QStringLiteral("ThrLstDelFavorite"), [listState](QAction &act) { act.setEnabled(listState().del); });

    a.setExecute(QStringLiteral("ThrFavorite"), [this] { ThrFavoriteExecute(); });
    a.setUpdate(QStringLiteral("ThrFavorite"), [this](QAction &act) {
        ui::TopicPage *topic = m_topicPane->activePage();
        store::TopicFavoriteCommand state =
            topic ? store::TopicFavoriteCommandState(true, topic->site != nullptr, topic->topicUrl, topic->logName,
                                                     m_favorites)
                  : store::TopicFavoriteCommand{};
        act.setEnabled(state.enabled);
        act.setChecked(state.checked);
        act.setText(QString::fromUtf8(state.checked ? "お気に入りから削除(&A)" : "お気に入りに追加(&A)"));
    });

    // The category tree's favorites items (`CtgPopupMenuPopup` decides which of them show).
    auto menuState = [this] {
        ui::CategoryPage *page = m_categoryPane->activePage();
        QTreeWidgetItem *node = page && page->tree ? page->tree->currentItem() : nullptr;
        auto *item = static_cast<ui::CategoryItem *>(node);
        return store::FavoritesMenuState(page && page->site, item != nullptr, item && !item->data().isFolder(),
                                         item && item == store::FirstNode(*page->model), favoritesTreeTab() >= 0);
    };
    a.setExecute(QStringLiteral("CtgAddFavorite"), [this] { CtgAddFavoriteExecute(); });
    a.setUpdate(QStringLiteral("CtgAddFavorite"),
                [menuState](QAction &act) { act.setEnabled(menuState().addEnabled); });
    a.setExecute(QStringLiteral("CtgDelFavorite"), [this] { CtgDelFavoriteExecute(); });
    a.setUpdate(QStringLiteral("CtgDelFavorite"),
                [menuState](QAction &act) { act.setEnabled(menuState().deleteEnabled); });
    a.setExecute(QStringLiteral("CtgCreateFolder"), [this] { CtgCreateFolderExecute(); });
    a.setUpdate(QStringLiteral("CtgCreateFolder"),
                [menuState](QAction &act) { act.setEnabled(menuState().folderEnabled); });

    connect(m_categoryPane, &ui::CategoryPane::favoritesMoved, this, [this] { saveFavoritesTree(); });
}
