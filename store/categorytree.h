// The category trees as the store sees them: the node payload, a small interface over a tree
// (the widget's, or the in-memory one below), and the lookups the commands need.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace store {

/// The payload of a category tree node, owned by its node.
struct CategoryNodeData {
    /// A board: its topic-list URL. A category: its category page. A user folder: empty.
    std::string url;
    /// Non-zero: a category or folder, which can hold children. 0: a board.
    int kind = 0;

    bool isFolder() const { return kind != 0; }
    bool operator==(const CategoryNodeData &) const = default;
};

/// State images of the shared image list.
inline constexpr int kClosedFolderImage = 1;
inline constexpr int kOpenFolderImage = 2;
inline constexpr int kBoardImage = 3;

/// The state image a node gets when it is created.
inline int CategoryStateImage(int kind)
{
    return kind != 0 ? kClosedFolderImage : kBoardImage;
}

/// A category tree. The widget implements it over its tree view (each item keeping its
/// CategoryNodeData and its Shift_JIS text); CategoryTree implements it in memory. Main thread.
class CategoryTreeModel {
public:
    /// An opaque node handle, valid until the node is removed or the tree cleared.
    using Node = void *;
    /// Called in pre-order with each node and its depth (number of ancestors); returning false
    /// ends the walk.
    using Visitor = std::function<bool(Node node, int depth)>;

    virtual ~CategoryTreeModel() = default;

    /// Appends a node as the last child of parent, or as the last top-level node when parent is
    /// null, and gives it the state image of its kind. Returns the new node.
    virtual Node addNode(Node parent, std::string_view text, const CategoryNodeData &data) = 0;
    /// Removes every node with its payload.
    virtual void clear() = 0;
    /// Walks every node, collapsed branches included, in the order of the tree's absolute node
    /// index: a node, then its children in order, then its next sibling.
    virtual void forEachNode(const Visitor &visit) const = 0;
    virtual std::string nodeText(Node node) const = 0;
    virtual const CategoryNodeData &nodeData(Node node) const = 0;
};

/// A CategoryTreeModel held in memory: tests, benchmarks, and any caller that needs a tree
/// without a widget.
class CategoryTree final : public CategoryTreeModel {
public:
    CategoryTree() = default;
    ~CategoryTree() override;
    CategoryTree(const CategoryTree &) = delete;
    CategoryTree &operator=(const CategoryTree &) = delete;

    Node addNode(Node parent, std::string_view text, const CategoryNodeData &data) override;
    void clear() override;
    void forEachNode(const Visitor &visit) const override;
    std::string nodeText(Node node) const override;
    const CategoryNodeData &nodeData(Node node) const override;

    /// Children of parent in order (the top-level nodes for null).
    std::vector<Node> children(Node parent) const;
    Node parent(Node node) const;
    int stateImage(Node node) const;
    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }

private:
    struct Item {
        std::string text;
        CategoryNodeData data;
        int image = 0;
        Item *parent = nullptr;
        std::vector<std::unique_ptr<Item>> children;
    };
    static Item *item(Node node) { return static_cast<Item *>(node); }
    /// Frees items and everything below them one node at a time: a file may nest deeper than
    /// the call stack would allow a recursive teardown.
    static void release(std::vector<std::unique_ptr<Item>> &items);

    std::vector<std::unique_ptr<Item>> m_roots;
    std::size_t m_count = 0;
};

/// True when the tree has no node.
bool IsEmptyTree(const CategoryTreeModel &tree);

/// The first node, in absolute order, whose URL equals url exactly; null when none does.
CategoryTreeModel::Node FindNodeByUrl(const CategoryTreeModel &tree, std::string_view url);

/// The node `ThrLstOpenCtg` selects for a board: the first node whose URL equals listUrl,
/// passing over nodes whose name has '@' as its next-to-last character (hand-edited entries).
CategoryTreeModel::Node FindBoardNode(const CategoryTreeModel &tree, std::string_view listUrl);

/// `CtgSearch`: the first node after start, in absolute order (collapsed branches included),
/// whose text contains text as a byte sequence (case-sensitive); with start null the search
/// begins at the tree's first node, which is itself passed over. Null when no later node
/// matches: the search does not wrap around.
CategoryTreeModel::Node FindNextCategoryNode(const CategoryTreeModel &tree, CategoryTreeModel::Node start,
                                             std::string_view text);

/// The favorites tree's single root: "お気に入り", a folder without URL. Added by
/// `CreateFavoritesTree` to the new favorites tab's empty tree.
CategoryTreeModel::Node AddFavoritesRoot(CategoryTreeModel &tree);

} // namespace store
