// Favorites as plain data: the favorite topics and their file "favorites.dat", the rows of the
// favorites tab that the commands add and remove, and the rules of the favorites tree (which
// node a drop moves where, which menu items show).
#pragma once

#include "base/textlist.h"
#include "store/categorytree.h"
#include "store/listrows.h"

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace store {

/// The file of the favorite topics, in the program directory.
inline constexpr char kFavoritesFileName[] = "favorites.dat";

/// programDir (ending with "/") + "favorites.dat".
std::string FavoritesFilePath(const std::string &programDir);

/// A favorite's entry: the board id, a tab, the topic's log file name (topic id + ".dat").
std::string FavoriteEntry(std::string_view board, std::string_view logName);

/// The entry a topic-list row stands for: the "board=" value of its topic URL and its log name;
/// nullopt when the URL names no board.
std::optional<std::string> FavoriteEntryOfRow(const TopicEntry &entry);

/// The favorite topics: entries sorted in the case-insensitive text order of list entries,
/// without duplicates, so that a board's favorites are adjacent. Every change is written to the
/// file at once (atomically), so a crash loses no edit. Main thread.
class FavoriteTopics {
public:
    /// path empty: nothing is ever written (tests of the rules alone).
    explicit FavoriteTopics(std::string path = {}) : m_path(std::move(path)) {}

    /// `LoadFavoritesList`: when the file can be read, its lines replace the list (sorted,
    /// duplicates dropped, empty lines passed over). False when it is missing or unreadable; the
    /// list is then as it was.
    bool load();
    /// `SaveFavoritesList`: every entry, CR LF after each, replacing the file atomically. False
    /// when it could not be written; the old file is then whole.
    bool save();

    bool contains(std::string_view entry) const { return m_list.contains(entry); }
    /// Adds the entry and writes the file. False when an equal entry (ignoring case) was there:
    /// nothing changes then.
    bool add(std::string_view entry);
    /// Removes the entry and writes the file. False when there was none.
    bool remove(std::string_view entry);

    const std::vector<std::string> &entries() const { return m_list.items(); }
    /// False when the last write failed: the list in memory is then ahead of the file.
    bool saved() const { return m_saved; }

private:
    std::string m_path;
    base::SortedTextList m_list;
    bool m_saved = true;
};

/// `ThrLstAddFavorite` step 3: appends a copy of source (texts, icon, payload) to the favorites
/// tab, its "No." the tab's row count after appending.
void AppendFavoriteRow(TopicRowList &favorites, const TopicRow &source);

/// Removes the favorites tab's first row of the topic (the "board=" value of its topic URL and
/// its log name; whatever "mid=" the URL carries) and numbers the rows left 1, 2, 3 …. False when
/// no row matched: nothing changes then.
bool RemoveFavoriteRow(TopicRowList &favorites, std::string_view board, std::string_view logName);

/// Sets "No." of every row to its position, from 1.
void RenumberRows(TopicRowList &rows);

/// What `ThrFavorite` reads of the active topic tab to make its row.
struct TopicTabFacts {
    std::string title;   ///< the tab's caption
    int posts = 0;       ///< the tab's post count
    int fetched = 0;     ///< lines of its log in memory
    std::string pageKey; ///< becomes the row's topic URL
    std::string logName; ///< topic id + ".dat"
};

/// The latest-post text of a row made now: "yyyy/mm/dd h:n", hours and minutes without leading
/// zeros (7:05 gives "7:5").
std::string FavoriteRowTime(const std::tm &now);

/// The last component of a directory path, trailing slashes ignored.
std::string LastPathComponent(std::string_view dir);

/// The row `ThrFavorite` adds to the favorites tab for a topic tab: icon 4, title the caption,
/// posts, fetched, not fetched = posts - fetched, latest = now, category = the last component
/// of the board's directory; "No." is left to the caller.
TopicRow TopicTabFavoriteRow(const TopicTabFacts &facts, std::string_view boardDir, const std::tm &now);

/// Enabled states of the topic list's favorites commands.
struct ListFavoriteCommands {
    bool add = false; ///< `ThrLstAddFavorite`
    bool del = false; ///< `ThrLstDelFavorite`
    bool operator==(const ListFavoriteCommands &) const = default;
};

/// For the active topic-list tab: listTab when a list (not a tree tab) is active, selected the
/// payload of its selected row or null. Add: a row whose URL names a board and whose entry is
/// not a favorite; delete: a row for which add is not enabled.
ListFavoriteCommands ListFavoriteCommandState(bool listTab, const TopicEntry *selected,
                                              const FavoriteTopics &favorites);

/// `ThrFavorite`'s state for the active topic tab.
struct TopicFavoriteCommand {
    bool enabled = false;
    bool checked = false; ///< the topic is a favorite: executing removes it
    std::string board;    ///< from the page key
    std::string entry;
    bool operator==(const TopicFavoriteCommand &) const = default;
};

/// hasTab: a topic tab is active; hasSite: it belongs to the plug-in (not an extraction tab).
/// Disabled without a board in the page key, too: there is no entry to add then.
TopicFavoriteCommand TopicFavoriteCommandState(bool hasTab, bool hasSite, std::string_view pageKey,
                                               std::string_view logName, const FavoriteTopics &favorites);

/// A list URL that names a special tab (":Favorite", ":Tree"), which opening a board must never
/// take over.
inline bool IsSpecialListUrl(std::string_view listUrl)
{
    return !listUrl.empty() && listUrl.front() == ':';
}

/// Whether opening a board "in the active tab" may take the active topic-list tab: only a board
/// tab in list form; the favorites tab and tree tabs keep what they are.
inline bool ReusableForBoard(std::string_view activeListUrl, bool activeIsList)
{
    return activeIsList && !IsSpecialListUrl(activeListUrl);
}

// The favorites tree.

/// The tree's first node (the favorites root), or null for an empty tree.
CategoryTreeModel::Node FirstNode(const CategoryTreeModel &tree);

/// The parent of node, null for a top-level node (or a node not in the tree).
CategoryTreeModel::Node ParentNode(const CategoryTreeModel &tree, CategoryTreeModel::Node node);

/// True when node is top or lies anywhere in top's subtree.
bool InSubtree(const CategoryTreeModel &tree, CategoryTreeModel::Node top, CategoryTreeModel::Node node);

/// Where a dragged node goes when it is dropped on target.
struct FavoriteDrop {
    enum class Kind {
        None,       ///< nothing moves
        IntoFolder, ///< as the last child of parent
        Before,     ///< before `before`, a child of parent (null: the top level)
    };
    Kind kind = Kind::None;
    CategoryTreeModel::Node parent = nullptr;
    CategoryTreeModel::Node before = nullptr;
    bool operator==(const FavoriteDrop &) const = default;
};

/// The drop of dragged on target in the favorites tree. Nothing moves when dragged is the tree's
/// first node (the root never moves), there is no target or no dragged node, target is the first
/// node, or target is dragged itself or inside its subtree. Otherwise a folder target takes the
/// node as its last child and a board target takes it just before itself, as its sibling; the
/// node moves with its whole subtree in order.
FavoriteDrop DecideFavoriteDrop(const CategoryTreeModel &tree, CategoryTreeModel::Node dragged,
                                CategoryTreeModel::Node target);

/// `CtgCreateFolder`'s parent: the selected node when it is a folder, else its parent (null: the
/// top level).
CategoryTreeModel::Node FolderParentFor(const CategoryTreeModel &tree, CategoryTreeModel::Node selected);

/// The three favorites items of the category tree's pop-up menu for a selected node.
struct FavoritesMenuItems {
    bool addVisible = false, addEnabled = false;       ///< `CtgAddFavorite`
    bool folderVisible = false, folderEnabled = false; ///< `CtgCreateFolder`
    bool deleteVisible = false, deleteEnabled = false; ///< `CtgDelFavorite`
    bool operator==(const FavoritesMenuItems &) const = default;
};

/// `CtgPopupMenuPopup`: in the site tree, add shows (enabled for a board, when a favorites tree
/// exists to take it); in the favorites tree, create-folder and delete show, delete enabled for
/// every node but the first. Nothing is enabled without a selected node.
FavoritesMenuItems FavoritesMenuState(bool siteTree, bool hasNode, bool nodeIsBoard, bool nodeIsFirst,
                                      bool favoritesTreeExists);

/// `CtgAddFavorite`: true when board may be copied into the favorites tree: a board (kind 0)
/// whose URL no node of the tree has.
bool CanAddFavoriteBoard(const CategoryTreeModel &favorites, const CategoryNodeData &board);

} // namespace store
