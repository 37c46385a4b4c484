#include "base/textlist.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "base/text.h"

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

TEST(SortedTextList, EntriesAddedSinceTheLastOrderedReadCountAsListed)
{
    base::SortedTextList list;
    list.assign({"10", "2"});
    EXPECT_TRUE(list.add("9"));
    EXPECT_TRUE(list.add("100"));
    // Not yet read in order: membership, duplicates and the size already see them.
    EXPECT_TRUE(list.contains("9"));
    EXPECT_FALSE(list.add("100")) << "a number added twice is held once";
    EXPECT_FALSE(list.add("10")) << "nor one that was there before";
    EXPECT_EQ(list.size(), 4u);
    EXPECT_EQ(list.items(), (std::vector<std::string>{"10", "100", "2", "9"})) << "text order, as the index is written";
    EXPECT_TRUE(list.remove("9"));
    EXPECT_TRUE(list.add("1"));
    EXPECT_EQ(list.indexOf("1"), 0);
    EXPECT_EQ(list[1], "10");
}

TEST(SortedTextList, WaitingEntriesCompareIgnoringCaseAsTheSortedOnesDo)
{
    base::SortedTextList list;
    EXPECT_TRUE(list.add("Name"));
    EXPECT_FALSE(list.add("nAME"));
    // Full-width ａ (82 81) and Ａ (82 60) are the same entry; a lone lead byte at the end is a
    // character of its own.
    EXPECT_TRUE(list.add("\x82\x81x"));
    EXPECT_TRUE(list.contains("\x82\x60X"));
    EXPECT_FALSE(list.add("\x82\x60x"));
    EXPECT_TRUE(list.add("\x82"));
    EXPECT_EQ(list.size(), 3u);
    base::SortedTextList copy = list;
    EXPECT_TRUE(copy.contains("NAME")) << "a copy keeps the waiting entries";
    EXPECT_EQ(copy.items(), list.items());
}

TEST(SortedTextList, AgreesWithASortedMapUnderAnyMixOfOperations)
{
    // Texts from a small alphabet with both cases, so that equal entries meet often.
    std::mt19937 random(11);
    auto text = [&] {
        static const char kChars[] = {'a', 'A', 'b', 'B', '1', '\x82'};
        std::string t;
        for (unsigned n = random() % 4; n > 0; --n)
            t.push_back(kChars[random() % sizeof kChars]);
        return t;
    };
    struct Less {
        bool operator()(const std::string &a, const std::string &b) const { return base::CompareTextNoCase(a, b) < 0; }
    };
    std::map<std::string, bool, Less> model;
    base::SortedTextList list;
    for (int step = 0; step < 5000; ++step) {
        const std::string t = text();
        switch (random() % 5) {
        case 0:
        case 1:
            ASSERT_EQ(list.add(t), model.emplace(t, true).second) << "add " << t << " at step " << step;
            break;
        case 2:
            ASSERT_EQ(list.remove(t), model.erase(t) == 1) << "remove " << t << " at step " << step;
            break;
        case 3:
            ASSERT_EQ(list.contains(t), model.count(t) == 1) << "contains " << t << " at step " << step;
            break;
        default: {
            std::vector<std::string> expected;
            for (const auto &entry : model)
                expected.push_back(entry.first);
            ASSERT_EQ(list.items(), expected) << "at step " << step;
        }
        }
        ASSERT_EQ(list.size(), model.size());
    }
}

} // namespace
