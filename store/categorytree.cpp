// The in-memory category tree and the lookups over any category tree.
#include "store/categorytree.h"

#include <cassert>

#include "store/boardtexts.h"

namespace store {

CategoryTreeModel::Node CategoryTree::addNode(Node parent, std::string_view text, const CategoryNodeData &data)
{
    auto added = std::make_unique<Item>();
    added->text = std::string(text);
    added->data = data;
    added->image = CategoryStateImage(data.kind);
    added->parent = item(parent);
    Item *raw = added.get();
    (parent ? item(parent)->children : m_roots).push_back(std::move(added));
    ++m_count;
    return raw;
}

CategoryTree::~CategoryTree()
{
    release(m_roots);
}

void CategoryTree::release(std::vector<std::unique_ptr<Item>> &items)
{
    std::vector<std::unique_ptr<Item>> pending = std::move(items);
    items.clear();
    while (!pending.empty()) {
        std::unique_ptr<Item> last = std::move(pending.back());
        pending.pop_back();
        for (auto &child : last->children)
            pending.push_back(std::move(child));
        // last now owns only empty slots: freeing it goes no deeper.
    }
}

void CategoryTree::clear()
{
    release(m_roots);
    m_count = 0;
}

void CategoryTree::forEachNode(const Visitor &visit) const
{
    // An explicit stack: a hand-edited file can nest deeper than the call stack likes.
    struct Frame {
        const std::vector<std::unique_ptr<Item>> *items;
        std::size_t next;
    };
    std::vector<Frame> stack{{&m_roots, 0}};
    while (!stack.empty()) {
        Frame &top = stack.back();
        if (top.next >= top.items->size()) {
            stack.pop_back();
            continue;
        }
        Item *node = (*top.items)[top.next++].get();
        if (!visit(node, static_cast<int>(stack.size()) - 1))
            return;
        if (!node->children.empty())
            stack.push_back({&node->children, 0});
    }
}

std::string CategoryTree::nodeText(Node node) const
{
    assert(node && "nodeText of a null node");
    return item(node)->text;
}

const CategoryNodeData &CategoryTree::nodeData(Node node) const
{
    assert(node && "nodeData of a null node");
    return item(node)->data;
}

std::vector<CategoryTreeModel::Node> CategoryTree::children(Node parent) const
{
    const auto &items = parent ? item(parent)->children : m_roots;
    std::vector<Node> nodes;
    nodes.reserve(items.size());
    for (const auto &child : items)
        nodes.push_back(child.get());
    return nodes;
}

CategoryTreeModel::Node CategoryTree::parent(Node node) const
{
    return node ? item(node)->parent : nullptr;
}

int CategoryTree::stateImage(Node node) const
{
    return node ? item(node)->image : 0;
}

bool IsEmptyTree(const CategoryTreeModel &tree)
{
    bool empty = true;
    tree.forEachNode([&](CategoryTreeModel::Node, int) {
        empty = false;
        return false;
    });
    return empty;
}

CategoryTreeModel::Node FindNodeByUrl(const CategoryTreeModel &tree, std::string_view url)
{
    CategoryTreeModel::Node found = nullptr;
    tree.forEachNode([&](CategoryTreeModel::Node node, int) {
        if (tree.nodeData(node).url == url)
            found = node;
        return found == nullptr;
    });
    return found;
}

CategoryTreeModel::Node FindBoardNode(const CategoryTreeModel &tree, std::string_view listUrl)
{
    CategoryTreeModel::Node found = nullptr;
    tree.forEachNode([&](CategoryTreeModel::Node node, int) {
        if (tree.nodeData(node).url != listUrl)
            return true;
        std::string text = tree.nodeText(node);
        if (text.size() >= 2 && text[text.size() - 2] == '@')
            return true;
        found = node;
        return false;
    });
    return found;
}

CategoryTreeModel::Node FindNextCategoryNode(const CategoryTreeModel &tree, CategoryTreeModel::Node start,
                                             std::string_view text)
{
    CategoryTreeModel::Node found = nullptr;
    bool passedStart = false;
    tree.forEachNode([&](CategoryTreeModel::Node node, int) {
        if (!passedStart) {
            // Without a selection the first node is the start, and is not itself a match.
            passedStart = start == nullptr || node == start;
            return true;
        }
        if (tree.nodeText(node).find(text) != std::string::npos) {
            found = node;
            return false;
        }
        return true;
    });
    return found;
}

CategoryTreeModel::Node AddFavoritesRoot(CategoryTreeModel &tree)
{
    return tree.addNode(nullptr, kFavoritesCaption, CategoryNodeData{"", 1});
}

} // namespace store
