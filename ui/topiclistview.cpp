// The list view behind a topic-list tab.
#include "ui/topiclistview.h"

#include <QFontMetrics>
#include <algorithm>

#include "qtbridge/sjis.h"
#include "ui/panes.h"

namespace ui {

TopicItem::TopicItem(store::TopicRow row, const std::vector<QIcon> &images)
{
    setRow(std::move(row), images);
}

void TopicItem::setRow(store::TopicRow row, const std::vector<QIcon> &images)
{
    m_row = std::move(row);
    if (m_row.image >= 0 && m_row.image < static_cast<int>(images.size()))
        setIcon(0, images[static_cast<std::size_t>(m_row.image)]);
    for (int i = 0; i < store::kSubItemCount; ++i)
        setText(i + 1, qtbridge::FromSjis(m_row.subItems[static_cast<std::size_t>(i)]));
    for (int column : {1, 3, 4, 5})
        setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
}

const store::TopicRow &TopicRowsAdapter::row(int index) const
{
    return static_cast<TopicItem *>(m_list.topLevelItem(index))->row();
}

void TopicRowsAdapter::appendRow(store::TopicRow row)
{
    m_list.addTopLevelItem(new TopicItem(std::move(row), m_images));
}

void TopicRowsAdapter::replaceRow(int index, store::TopicRow row)
{
    static_cast<TopicItem *>(m_list.topLevelItem(index))->setRow(std::move(row), m_images);
}

TopicItem *SelectedTopicItem(QTreeWidget &list)
{
    QList<QTreeWidgetItem *> selected = list.selectedItems();
    if (selected.isEmpty())
        return nullptr;
    return static_cast<TopicItem *>(selected.front());
}

void SortTopicList(QTreeWidget &list, int key, bool descending, const settings::DesignSettings &design)
{
    QTreeWidgetItem *current = list.currentItem();
    // The row under the cursor keeps its place in the order only: a row that was merely current
    // (after the selected one was removed) must not become the target of the open commands.
    const bool selected = current && current->isSelected();
    std::vector<QTreeWidgetItem *> items;
    items.reserve(static_cast<std::size_t>(list.topLevelItemCount()));
    while (list.topLevelItemCount() > 0)
        items.push_back(list.takeTopLevelItem(0));
    std::stable_sort(items.begin(), items.end(), [&](QTreeWidgetItem *a, QTreeWidgetItem *b) {
        return store::ListViewCompare(static_cast<TopicItem *>(a)->row(), static_cast<TopicItem *>(b)->row(), key,
                                      descending) < 0;
    });
    for (QTreeWidgetItem *item : items)
        list.addTopLevelItem(item);
    if (current)
        list.setCurrentItem(current, 0, selected ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::NoUpdate);
    PaintTopicRows(list, design);
}

void PaintTopicRows(QTreeWidget &list, const settings::DesignSettings &design)
{
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        auto *item = static_cast<TopicItem *>(list.topLevelItem(i));
        store::RowColors colors = store::TopicRowColors(i, item->row().entry.highlight != 0, design);
        QBrush background = colors.background ? QBrush(ColorFromSetting(*colors.background)) : QBrush();
        QBrush text(ColorFromSetting(colors.text));
        for (int column = 0; column <= store::kSubItemCount; ++column) {
            item->setBackground(column, background);
            item->setForeground(column, text);
        }
    }
}

int FittedColumnWidth(const QTreeWidget &list, int column)
{
    int subItem = column == 0 ? 0 : column - 1;
    QFontMetrics metrics(list.font());
    int widest = 0;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        auto *item = static_cast<const TopicItem *>(list.topLevelItem(i));
        QString text = qtbridge::FromSjis(item->row().subItems[static_cast<std::size_t>(subItem)]) +
                       QStringLiteral("   ");
        widest = std::max(widest, metrics.horizontalAdvance(text));
    }
    return widest;
}

} // namespace ui
