// The category tree adapter.
#include "ui/categorytreeview.h"

#include <functional>

#include "qtbridge/sjis.h"

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

} // namespace ui
