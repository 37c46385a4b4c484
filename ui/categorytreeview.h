// The category tree model over a tree widget: each item keeps its Shift_JIS name and its
// payload, and shows the name through the bridge.
#pragma once

#include <QPersistentModelIndex>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "store/categorytree.h"

namespace ui {

/// An item of a category tree. Owns its payload, which goes with it.
class CategoryItem : public QTreeWidgetItem {
public:
    CategoryItem(std::string_view sjisText, const store::CategoryNodeData &data);
    const std::string &sjisText() const { return m_text; }
    const store::CategoryNodeData &data() const { return m_data; }

private:
    std::string m_text;
    store::CategoryNodeData m_data;
};

/// The store's view of a QTreeWidget. Nodes are CategoryItem pointers.
class CategoryTreeAdapter final : public store::CategoryTreeModel {
public:
    CategoryTreeAdapter(QTreeWidget &tree, const std::vector<QIcon> &images) : m_tree(tree), m_images(images) {}

    Node addNode(Node parent, std::string_view text, const store::CategoryNodeData &data) override;
    void clear() override;
    void forEachNode(const Visitor &visit) const override;
    std::string nodeText(Node node) const override;
    const store::CategoryNodeData &nodeData(Node node) const override;

    static CategoryItem *item(Node node) { return static_cast<CategoryItem *>(node); }
    QTreeWidget &widget() const { return m_tree; }

private:
    QTreeWidget &m_tree;
    const std::vector<QIcon> &m_images;
};

/// The favorites tree's view. A node dragged with the mouse moves by the favorites rules
/// (store::DecideFavoriteDrop) instead of the toolkit's free move: the root stays, nothing lands
/// inside itself, a folder takes the node as its last child and a board takes it just above.
class FavoritesTreeWidget : public QTreeWidget {
    Q_OBJECT
public:
    explicit FavoritesTreeWidget(QWidget *parent = nullptr);

    /// Moves dragged with its subtree onto target as the rules say, keeping the expanded
    /// branches, selects it and emits nodeMoved. False when the rules move nothing. A drop of
    /// a node of this tree comes here.
    bool moveNode(QTreeWidgetItem *dragged, QTreeWidgetItem *target);

signals:
    /// A node was moved: the tree is to be saved.
    void nodeMoved();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    /// `DraggedNode`: the node selected when the drag entered the tree.
    QPersistentModelIndex m_dragged;
};

} // namespace ui
