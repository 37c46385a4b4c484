// The category tree adapter.
#include "ui/categorytreeview.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <functional>

#include "qtbridge/sjis.h"
#include "store/favorites.h"

namespace ui {

CategoryItem::CategoryItem(std::string_view sjisText, const store::CategoryNodeData &data)
    : m_text(sjisText), m_data(data)
{
    setText(0, qtbridge::FromSjis(m_text));
}

store::CategoryTreeModel::Node CategoryTreeAdapter::addNode(Node parent, std::string_view text,
                                                            const store::CategoryNodeData &data)
{
    auto *node = new CategoryItem(text, data);
    int image = store::CategoryStateImage(data.kind);
    if (image >= 0 && image < static_cast<int>(m_images.size()))
        node->setIcon(0, m_images[static_cast<std::size_t>(image)]);
    if (parent)
        item(parent)->addChild(node);
    else
        m_tree.addTopLevelItem(node);
    return node;
}

void CategoryTreeAdapter::clear()
{
    m_tree.clear();
}

void CategoryTreeAdapter::forEachNode(const Visitor &visit) const
{
    std::function<bool(QTreeWidgetItem *, int)> walk = [&](QTreeWidgetItem *node, int depth) {
        // Every item of a category tree is a CategoryItem; handles are CategoryItem pointers.
        if (!visit(static_cast<CategoryItem *>(node), depth))
            return false;
        for (int i = 0; i < node->childCount(); ++i)
            if (!walk(node->child(i), depth + 1))
                return false;
        return true;
    };
    for (int i = 0; i < m_tree.topLevelItemCount(); ++i)
        if (!walk(m_tree.topLevelItem(i), 0))
            return;
}

std::string CategoryTreeAdapter::nodeText(Node node) const
{
    return item(node)->sjisText();
}

const store::CategoryNodeData &CategoryTreeAdapter::nodeData(Node node) const
{
    return item(node)->data();
}

FavoritesTreeWidget::FavoritesTreeWidget(QWidget *parent) : QTreeWidget(parent)
{
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    // Drags stay inside the tree; the drop itself is ours.
    setDragDropMode(QAbstractItemView::InternalMove);
}

bool FavoritesTreeWidget::moveNode(QTreeWidgetItem *dragged, QTreeWidgetItem *target)
{
    if (!dragged || dragged->treeWidget() != this || (target && target->treeWidget() != this))
        return false;
    static const std::vector<QIcon> kNoImages;
    CategoryTreeAdapter model(*this, kNoImages);
    store::FavoriteDrop drop =
        store::DecideFavoriteDrop(model, static_cast<CategoryItem *>(dragged), static_cast<CategoryItem *>(target));
    if (drop.kind == store::FavoriteDrop::Kind::None)
        return false;

    // Taking an item out forgets which of its branches were open.
    std::vector<QTreeWidgetItem *> expanded;
    std::function<void(QTreeWidgetItem *)> collect = [&](QTreeWidgetItem *node) {
        if (node->isExpanded())
            expanded.push_back(node);
        for (int i = 0; i < node->childCount(); ++i)
            collect(node->child(i));
    };
    collect(dragged);

    setUpdatesEnabled(false);
    if (QTreeWidgetItem *oldParent = dragged->parent())
        oldParent->removeChild(dragged);
    else
        takeTopLevelItem(indexOfTopLevelItem(dragged));
    auto *parent = static_cast<CategoryItem *>(drop.parent);
    if (drop.kind == store::FavoriteDrop::Kind::IntoFolder) {
        parent->addChild(dragged);
    } else {
        auto *before = static_cast<CategoryItem *>(drop.before);
        if (parent)
            parent->insertChild(parent->indexOfChild(before), dragged);
        else
            insertTopLevelItem(indexOfTopLevelItem(before), dragged);
    }
    for (QTreeWidgetItem *node : expanded)
        node->setExpanded(true);
    setUpdatesEnabled(true);
    setCurrentItem(dragged);
    emit nodeMoved();
    return true;
}

void FavoritesTreeWidget::dragEnterEvent(QDragEnterEvent *event)
{
    m_dragged = QPersistentModelIndex(currentIndex());
    QTreeWidget::dragEnterEvent(event);
}

void FavoritesTreeWidget::dropEvent(QDropEvent *event)
{
    // Only a node of this tree is moved, never data from elsewhere.
    if (event->source() && event->source() != this) {
        event->ignore();
        return;
    }
    QTreeWidgetItem *dragged = m_dragged.isValid() ? itemFromIndex(m_dragged) : currentItem();
    QTreeWidgetItem *target = itemAt(event->position().toPoint());
    m_dragged = QPersistentModelIndex();
    // What the view's own drop would end: its auto-scroll and its drag state.
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
    // Accepted without a move action, so that the drag never removes anything itself.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    if (dragged)
        moveNode(dragged, target);
}

} // namespace ui
