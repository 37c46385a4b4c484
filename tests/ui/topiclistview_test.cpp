// Sorting a topic list keeps which row is current, and selects it only if it was selected.
#include "ui/topiclistview.h"

#include <QApplication>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

constexpr int kTitleColumn = store::kTitleItem + 1; // the image comes first

store::TopicRow RowTitled(const char *title)
{
    store::TopicRow row;
    row.subItems[store::kTitleItem] = title;
    return row;
}

TEST(SortTopicList, ACurrentRowThatWasNotSelectedStaysUnselected)
{
    int argc = 1;
    char arg0[] = "ui_sort_test";
    char *argv[] = {arg0, nullptr};
    if (!QApplication::instance())
        new QApplication(argc, argv);
    const std::vector<QIcon> images(32);
    QTreeWidget list;
    list.setColumnCount(8);
    for (const char *title : {"b", "c", "a"})
        list.addTopLevelItem(new ui::TopicItem(RowTitled(title), images));

    list.setCurrentItem(list.topLevelItem(1), 0, QItemSelectionModel::NoUpdate);
    ASSERT_TRUE(list.selectedItems().isEmpty());
    ui::SortTopicList(list, kTitleColumn, false, settings::DesignSettings{});
    EXPECT_EQ(list.topLevelItem(0)->text(kTitleColumn), "a");
    EXPECT_EQ(list.currentItem(), list.topLevelItem(2)) << "c is still the current row";
    EXPECT_TRUE(list.selectedItems().isEmpty()) << "and nothing was selected by the sort";

    list.setCurrentItem(list.topLevelItem(0));
    ui::SortTopicList(list, kTitleColumn, true, settings::DesignSettings{});
    ASSERT_EQ(list.selectedItems().size(), 1);
    EXPECT_EQ(list.selectedItems().front()->text(kTitleColumn), "a") << "a selected row stays selected";
}

} // namespace
