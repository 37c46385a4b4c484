// A topic-list tab's list view as the store sees it: rows kept as store::TopicRow in the items,
// sorting with the store's comparison, striping and highlighting by position.
#pragma once

#include <QTreeWidget>
#include <vector>

#include "settings/settings.h"
#include "store/listrows.h"

namespace ui {

/// A row of a topic list; owns its TopicRow (and with it the TopicEntry payload).
class TopicItem : public QTreeWidgetItem {
public:
    TopicItem(store::TopicRow row, const std::vector<QIcon> &images);
    const store::TopicRow &row() const { return m_row; }
    void setRow(store::TopicRow row, const std::vector<QIcon> &images);

private:
    store::TopicRow m_row;
};

/// The rows of one list view.
class TopicRowsAdapter final : public store::TopicRowList {
public:
    TopicRowsAdapter(QTreeWidget &list, const std::vector<QIcon> &images) : m_list(list), m_images(images) {}

    int rowCount() const override { return m_list.topLevelItemCount(); }
    const store::TopicRow &row(int index) const override;
    void appendRow(store::TopicRow row) override;
    void replaceRow(int index, store::TopicRow row) override;
    void removeRow(int index) override { delete m_list.takeTopLevelItem(index); }
    void clearRows() override { m_list.clear(); }

private:
    QTreeWidget &m_list;
    const std::vector<QIcon> &m_images;
};

/// The selected row's item of a list, or nullptr.
TopicItem *SelectedTopicItem(QTreeWidget &list);

/// Sorts the rows with ListViewCompare and key, keeping equal rows in their order, then paints.
void SortTopicList(QTreeWidget &list, int key, bool descending, const settings::DesignSettings &design);

/// `ListViewCustomDrawItem` for every row: stripes by position and red highlighted rows.
void PaintTopicRows(QTreeWidget &list, const settings::DesignSettings &design);

/// The width a divider double-click records for column: the widest text of its sub-item, in
/// the view's font, followed by three blanks; 0 without rows.
int FittedColumnWidth(const QTreeWidget &list, int column);

} // namespace ui
