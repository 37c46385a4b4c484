// The favorite topics, the favorites tab's rows and the favorites tree's rules.
#include "store/favorites.h"

#include "base/text.h"
#include "base/textfile.h"

#include <cstdio>

namespace store {

std::string FavoritesFilePath(const std::string &programDir)
{
    return programDir + kFavoritesFileName;
}

std::string FavoriteEntry(std::string_view board, std::string_view logName)
{
    std::string entry(board);
    entry += '\t';
    entry += logName;
    return entry;
}

std::optional<std::string> FavoriteEntryOfRow(const TopicEntry &entry)
{
    auto board = base::ExtractUrlParam("board=", entry.topicUrl);
    if (!board)
        return std::nullopt;
    return FavoriteEntry(*board, entry.logName);
}

bool FavoriteTopics::load()
{
    if (m_path.empty())
        return false;
    auto lines = base::ReadLines(m_path);
    if (!lines)
        return false;
    std::erase_if(*lines, [](const std::string &line) { return line.empty(); });
    m_list.assign(*lines);
    return true;
}

bool FavoriteTopics::save()
{
    if (m_path.empty())
        return true;
    m_saved = base::WriteLines(m_path, m_list.items());
    return m_saved;
}

bool FavoriteTopics::add(std::string_view entry)
{
    if (!m_list.add(entry))
        return false;
    save();
    return true;
}

bool FavoriteTopics::remove(std::string_view entry)
{
    if (!m_list.remove(entry))
        return false;
    save();
    return true;
}

void AppendFavoriteRow(TopicRowList &favorites, const TopicRow &source)
{
    TopicRow row = source;
    row.subItems[kNumberItem] = std::to_string(favorites.rowCount() + 1);
    favorites.appendRow(std::move(row));
}

bool RemoveFavoriteRow(TopicRowList &favorites, std::string_view board, std::string_view logName)
{
    for (int i = 0; i < favorites.rowCount(); ++i) {
        const TopicEntry &entry = favorites.row(i).entry;
        if (entry.logName != logName || base::ExtractUrlParam("board=", entry.topicUrl) != board)
            continue;
        favorites.removeRow(i);
        RenumberRows(favorites);
        return true;
    }
    return false;
}

void RenumberRows(TopicRowList &rows)
{
    for (int i = 0; i < rows.rowCount(); ++i) {
        std::string number = std::to_string(i + 1);
        if (rows.row(i).subItems[kNumberItem] == number)
            continue;
        TopicRow row = rows.row(i);
        row.subItems[kNumberItem] = std::move(number);
        rows.replaceRow(i, std::move(row));
    }
}

std::string FavoriteRowTime(const std::tm &now)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d %d:%d", now.tm_year + 1900, now.tm_mon + 1, now.tm_mday,
                  now.tm_hour, now.tm_min);
    return buffer;
}

std::string LastPathComponent(std::string_view dir)
{
    while (dir.size() > 1 && dir.back() == '/')
        dir.remove_suffix(1);
    auto slash = dir.rfind('/');
    return std::string(slash == std::string_view::npos ? dir : dir.substr(slash + 1));
}

TopicRow TopicTabFavoriteRow(const TopicTabFacts &facts, std::string_view boardDir, const std::tm &now)
{
    TopicRow row;
    row.image = kLoggedTopicImage;
    row.subItems[kTitleItem] = facts.title;
    row.subItems[kPostsItem] = std::to_string(facts.posts);
    row.subItems[kFetchedItem] = std::to_string(facts.fetched);
    row.subItems[kUnfetchedItem] = std::to_string(facts.posts - facts.fetched);
    row.subItems[kLatestItem] = FavoriteRowTime(now);
    row.subItems[kBoardItem] = LastPathComponent(boardDir);
    row.entry = TopicEntry{facts.pageKey, facts.logName, 0};
    return row;
}

ListFavoriteCommands ListFavoriteCommandState(bool listTab, const TopicEntry *selected, const FavoriteTopics &favorites)
{
    ListFavoriteCommands state;
    if (!selected)
        return state;
    auto entry = FavoriteEntryOfRow(*selected);
    state.add = listTab && entry && !favorites.contains(*entry);
    state.del = !state.add;
    return state;
}

TopicFavoriteCommand TopicFavoriteCommandState(bool hasTab, bool hasSite, std::string_view pageKey,
                                               std::string_view logName, const FavoriteTopics &favorites)
{
    TopicFavoriteCommand state;
    if (!hasTab || !hasSite)
        return state;
    auto board = base::ExtractUrlParam("board=", pageKey);
    if (!board || board->empty() || logName.empty())
        return state;
    state.enabled = true;
    state.board = *board;
    state.entry = FavoriteEntry(*board, logName);
    state.checked = favorites.contains(state.entry);
    return state;
}

CategoryTreeModel::Node FirstNode(const CategoryTreeModel &tree)
{
    CategoryTreeModel::Node first = nullptr;
    tree.forEachNode([&](CategoryTreeModel::Node node, int) {
        first = node;
        return false;
    });
    return first;
}

CategoryTreeModel::Node ParentNode(const CategoryTreeModel &tree, CategoryTreeModel::Node node)
{
    // The walk is in pre-order with depths: the open ancestors of each node form a stack.
    std::vector<CategoryTreeModel::Node> ancestors;
    CategoryTreeModel::Node parent = nullptr;
    tree.forEachNode([&](CategoryTreeModel::Node visited, int depth) {
        ancestors.resize(static_cast<std::size_t>(depth));
        if (visited == node) {
            parent = depth > 0 ? ancestors.back() : nullptr;
            return false;
        }
        ancestors.push_back(visited);
        return true;
    });
    return parent;
}

bool InSubtree(const CategoryTreeModel &tree, CategoryTreeModel::Node top, CategoryTreeModel::Node node)
{
    if (!top || !node)
        return false;
    if (top == node)
        return true;
    // After top, its subtree is every node deeper than top up to the next one that is not.
    int topDepth = -1;
    bool found = false;
    tree.forEachNode([&](CategoryTreeModel::Node visited, int depth) {
        if (topDepth < 0) {
            if (visited == top)
                topDepth = depth;
            return true;
        }
        if (depth <= topDepth)
            return false;
        if (visited == node) {
            found = true;
            return false;
        }
        return true;
    });
    return found;
}

FavoriteDrop DecideFavoriteDrop(const CategoryTreeModel &tree, CategoryTreeModel::Node dragged,
                                CategoryTreeModel::Node target)
{
    CategoryTreeModel::Node root = FirstNode(tree);
    if (!dragged || !target || dragged == root || target == root || InSubtree(tree, dragged, target))
        return {};
    if (tree.nodeData(target).isFolder())
        return FavoriteDrop{FavoriteDrop::Kind::IntoFolder, target, nullptr};
    return FavoriteDrop{FavoriteDrop::Kind::Before, ParentNode(tree, target), target};
}

CategoryTreeModel::Node FolderParentFor(const CategoryTreeModel &tree, CategoryTreeModel::Node selected)
{
    if (!selected)
        return nullptr;
    return tree.nodeData(selected).isFolder() ? selected : ParentNode(tree, selected);
}

FavoritesMenuItems FavoritesMenuState(bool siteTree, bool hasNode, bool nodeIsBoard, bool nodeIsFirst,
                                      bool favoritesTreeExists)
{
    FavoritesMenuItems items;
    items.addVisible = siteTree;
    items.folderVisible = items.deleteVisible = !siteTree;
    if (!hasNode)
        return items;
    items.addEnabled = siteTree && nodeIsBoard && favoritesTreeExists;
    items.folderEnabled = !siteTree;
    items.deleteEnabled = !siteTree && !nodeIsFirst;
    return items;
}

bool CanAddFavoriteBoard(const CategoryTreeModel &favorites, const CategoryNodeData &board)
{
    return !board.isFolder() && !board.url.empty() && FindNodeByUrl(favorites, board.url) == nullptr;
}

} // namespace store
