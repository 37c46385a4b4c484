// The in-memory number index: the same entries, in the same order, as the sorted text list the
// index file has always been written from, whatever mix of numbers and stray texts it holds.
#include "base/textlist.h"
#include "store/numberset.h"

#include <gtest/gtest.h>
#include <random>

namespace {

TEST(MessageNumberSet, NumbersAndTheirTextsAreTheSameEntries)
{
    store::MessageNumberSet set;
    EXPECT_TRUE(set.add(3));
    EXPECT_FALSE(set.add("3"));
    EXPECT_TRUE(set.contains("3"));
    EXPECT_FALSE(set.contains("03")) << "only the plain form is the number";
    EXPECT_TRUE(set.add("03"));
    EXPECT_TRUE(set.contains("03"));
    EXPECT_TRUE(set.remove("3"));
    EXPECT_FALSE(set.contains(3));
    EXPECT_TRUE(set.contains("03"));
    EXPECT_EQ(set.size(), 1u);
    EXPECT_FALSE(set.remove("3"));
}

TEST(MessageNumberSet, ItemsInTextOrderFollowAddsAndRemoves)
{
    store::MessageNumberSet set;
    for (int n : {9, 10, 1, 100, 2, 19, 64, 63, 65})
        set.add(n);
    EXPECT_EQ(set.items(), (std::vector<std::string>{"1", "10", "100", "19", "2", "63", "64", "65", "9"}));
    set.remove("100");
    set.add(11);
    EXPECT_EQ(set.items(), (std::vector<std::string>{"1", "10", "11", "19", "2", "63", "64", "65", "9"}));
    set.clear();
    EXPECT_TRUE(set.items().empty());
    EXPECT_TRUE(set.empty());
    EXPECT_FALSE(set.contains(1));
}

TEST(MessageNumberSet, HugeAndNonPositiveNumbersAreEntriesToo)
{
    store::MessageNumberSet set;
    EXPECT_TRUE(set.add(999999999));
    EXPECT_TRUE(set.add("4194304"));
    EXPECT_TRUE(set.add(0));
    EXPECT_TRUE(set.add(-2));
    EXPECT_TRUE(set.add(4194303));
    EXPECT_TRUE(set.contains("999999999"));
    EXPECT_TRUE(set.contains(4194304));
    EXPECT_TRUE(set.contains("0"));
    EXPECT_TRUE(set.contains(-2));
    EXPECT_EQ(set.items(), (std::vector<std::string>{"-2", "0", "4194303", "4194304", "999999999"}));
}

TEST(MessageNumberSet, AgreesWithTheSortedTextListUnderAnyMixOfOperations)
{
    std::mt19937 random(11);
    const std::vector<std::string> stray = {"007", "x", "X",  "abc",      "ABC",      "-1",          "0",
                                            "1a",  "",  " 5", "\x82\x81", "\x82\x60", "12345678901", "4194304"};
    for (int round = 0; round < 40; ++round) {
        store::MessageNumberSet set;
        base::SortedTextList model;
        std::vector<std::string> start;
        for (int i = 0; i < 30; ++i)
            start.push_back(random() % 4 ? std::to_string(1 + random() % 300) : stray[random() % stray.size()]);
        set.assign(start);
        model.assign(start);
        ASSERT_EQ(set.items(), model.items());
        for (int step = 0; step < 200; ++step) {
            const std::string text = random() % 5 ? std::to_string(1 + random() % (random() % 2 ? 100 : 5000))
                                                  : stray[random() % stray.size()];
            switch (random() % 3) {
            case 0:
                ASSERT_EQ(set.add(text), model.add(text)) << text;
                break;
            case 1:
                ASSERT_EQ(set.remove(text), model.remove(text)) << text;
                break;
            default:
                ASSERT_EQ(set.contains(text), model.contains(text)) << text;
            }
            ASSERT_EQ(set.size(), model.size());
            if (step % 50 == 0) {
                ASSERT_EQ(set.items(), model.items()) << "round " << round << " step " << step;
            }
        }
        ASSERT_EQ(set.items(), model.items());
    }
}

} // namespace
