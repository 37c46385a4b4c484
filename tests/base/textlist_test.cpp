#include "base/textlist.h"

#include <gtest/gtest.h>

namespace {

TEST(SortedTextList, KeepsOneEntryPerCaseInsensitiveText)
{
    base::SortedTextList list;
    EXPECT_TRUE(list.add("ABC"));
    EXPECT_FALSE(list.add("abc")) << "adding \"abc\" while \"ABC\" is listed adds nothing";
    EXPECT_TRUE(list.add("abd"));
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], "ABC") << "the first spelling stays";
    EXPECT_EQ(list.indexOf("aBc"), 0);
    EXPECT_EQ(list.indexOf("zzz"), -1);
}

TEST(SortedTextList, StaysSortedWhateverTheInsertionOrder)
{
    base::SortedTextList list;
    for (const char *t : {"delta", "Alpha", "charlie", "Bravo", ""})
        list.add(t);
    EXPECT_EQ(list.items(), (std::vector<std::string>{"", "Alpha", "Bravo", "charlie", "delta"}));
    EXPECT_TRUE(list.remove("CHARLIE"));
    EXPECT_FALSE(list.remove("charlie"));
    EXPECT_EQ(list.items(), (std::vector<std::string>{"", "Alpha", "Bravo", "delta"}));
}

TEST(SortedTextList, AssignSortsAndDropsDuplicatesKeepingTheFirst)
{
    base::SortedTextList list;
    list.add("old");
    list.assign({"b", "A", "a", "B", "", ""});
    EXPECT_EQ(list.items(), (std::vector<std::string>{"", "A", "b"}));
    EXPECT_FALSE(list.contains("old"));
}

} // namespace
