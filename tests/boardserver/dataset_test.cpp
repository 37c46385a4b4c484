// The sample boards: deterministic from the seed, sized by the options, and every message fit
// for the page forms.
#include "boardserver/dataset.h"
#include "boardserver/pages.h"
#include "boardserver/text.h"
#include "tests/boardserver/fixture.h"

namespace {

using namespace boardserver;

std::string Snapshot(const Dataset &d)
{
    std::string out;
    for (const Category &c : d.categories())
        out += c.path + "|" + c.name + "\n";
    for (const Board &b : d.boards()) {
        out += b.id + "|" + b.name + "\n";
        for (const Topic &t : b.topics) {
            out += t.tid + "|" + t.title + "|" + std::to_string(t.messageCount) + "\n";
            const Message m = d.message(b, t, std::min(3, t.messageCount));
            out += m.title + m.author + m.text + std::to_string(m.minute) + "\n";
        }
    }
    return out;
}

TEST(Dataset, SameOptionsGiveTheSameBoards_AnotherSeedOthers)
{
    const DatasetOptions o = bstest::SmallData();
    DatasetOptions other = o;
    other.seed = 8;
    EXPECT_EQ(Snapshot(Dataset(o)), Snapshot(Dataset(o)));
    EXPECT_NE(Snapshot(Dataset(o)), Snapshot(Dataset(other)));
    EXPECT_NE(o.fingerprint(), other.fingerprint());
}

TEST(Dataset, SizesFollowTheOptions)
{
    DatasetOptions o = bstest::SmallData();
    o.categories = 2;
    o.depth = 2;
    o.subcategories = 4;
    o.boards = 2;
    o.topics = 5;
    o.messages = 20;
    o.hugeTopics = 2;
    o.hugeMessages = 10000;
    const Dataset d(o);
    int levelOne = 0, levelTwo = 0;
    for (const Category &c : d.categories()) {
        levelOne += c.level == 1;
        levelTwo += c.level == 2;
        EXPECT_LE(c.level, 2);
    }
    // The news category joins the top level; the first top category has one extra child with
    // "@" in its name; the news category has no children.
    EXPECT_EQ(levelOne, 3);
    EXPECT_EQ(levelTwo, 2 * 4 + 1);
    EXPECT_EQ(d.boards().size(), static_cast<std::size_t>((levelOne + levelTwo) * 2));
    int huge = 0;
    for (const Board &b : d.boards()) {
        EXPECT_EQ(b.topics.size(), b.listForm == TopicListForm::List ? 5u : 1u);
        for (const Topic &t : b.topics) {
            if (t.messageCount == 10000) {
                ++huge;
                continue;
            }
            EXPECT_GE(t.messageCount, 10);
            EXPECT_LE(t.messageCount, 30);
        }
    }
    EXPECT_EQ(huge, 2);
}

TEST(Dataset, Lookups_FindEveryCategoryBoardAndTopic)
{
    const Dataset d(bstest::SmallData());
    for (const Category &c : d.categories())
        EXPECT_EQ(d.findCategory(c.path), &c);
    for (const Board &b : d.boards()) {
        EXPECT_EQ(d.findBoard(b.id), &b);
        for (const Topic &t : b.topics)
            EXPECT_EQ(d.findTopic(b, t.tid), &t);
        EXPECT_EQ(d.findTopic(b, "nope"), nullptr);
    }
    EXPECT_EQ(d.findCategory("missing/"), nullptr);
    EXPECT_EQ(d.findBoard("0"), nullptr);
}

TEST(Dataset, EveryMessage_FitsThePageFormsAndTheRecordFields)
{
    const Dataset d(bstest::SmallData());
    for (const Board &b : d.boards()) {
        for (const Topic &t : b.topics) {
            EXPECT_LE(SjisLengthOfEuc(t.title), 100u);
            EXPECT_EQ(t.title.find('\n'), std::string::npos);
            std::int64_t previous = 0;
            for (int mid = 1; mid <= t.messageCount; ++mid) {
                const Message m = d.message(b, t, mid);
                EXPECT_LE(SjisLengthOfEuc(m.text), 4000u) << b.id << " " << t.tid << " " << mid;
                // The whole text converts: nothing in it stops the plug-in's conversion.
                EXPECT_EQ(EucToSjis(m.text + "x").back(), 'x') << b.id << " " << t.tid << " " << mid;
                EXPECT_EQ(EucToSjis(m.title + "x").back(), 'x');
                EXPECT_LE(SjisLengthOfEuc(m.title), 127u);
                EXPECT_EQ(m.text.find('\n'), std::string::npos);
                EXPECT_EQ(m.title.find("</b>"), std::string::npos);
                EXPECT_GE(m.minute, previous);
                previous = m.minute;
                EXPECT_LT(m.replyTo, mid);
                EXPECT_FALSE(m.author.empty());
                EXPECT_TRUE(PostStore::IsSafeName(m.author)) << m.author;
            }
            EXPECT_FALSE(d.isDeleted(b, t, 1));
        }
    }
}

TEST(Dataset, FormatMinute_WritesTheBoardsDateForm)
{
    EXPECT_EQ(FormatMinute(0), "1970/01/01 00:00");
    EXPECT_EQ(FormatMinute(12418LL * 1440 + 13 * 60 + 5), "2004/01/01 13:05");
    EXPECT_EQ(FormatMinute((12418LL + 59) * 1440), "2004/02/29 00:00");
    EXPECT_EQ(FormatMinute(bstest::kPostMinute), "2007/06/05 04:03");
}

TEST(Dataset, MakeTid_IsHexOfTheTitleThenTheSerial)
{
    EXPECT_EQ(MakeTid("\xB0\xA1" "abcdefghij", 12), "b0a1616263646566" "12");
    EXPECT_EQ(MakeTid("", 3), "3");
}

} // namespace
