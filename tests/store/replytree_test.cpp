// The reply tree as data: where each message goes, and the number a node stands for.
#include "store/replytree.h"
#include "tests/store/boardtesting.h"

#include <chrono>
#include <gtest/gtest.h>

namespace {

std::string Line(int number, int answers, const std::string &title = "t")
{
    return std::to_string(number) + "\t" + std::to_string(answers) + "\t2004/01/02 03:04\tname\t" + title + "\tbody";
}

std::vector<int> Parents(const store::ReplyTree &tree)
{
    std::vector<int> parents;
    for (const store::ReplyNode &node : tree.nodes)
        parents.push_back(node.parent);
    return parents;
}

TEST(ReplyTree, NestsRepliesUnderTheMessageTheyAnswer)
{
    store::ReplyTree tree = store::BuildReplyTree({Line(1, 0), Line(2, 1), Line(3, 1), Line(4, 3), Line(5, 9)});
    // 1 and 5 (answering 9, not in the log) at the top; 2 and 3 under 1; 4 under 3.
    EXPECT_EQ(Parents(tree), (std::vector<int>{-1, 0, 0, 2, -1}));
    EXPECT_EQ(tree.nodes[3].text, "4 2004/01/02 03:04 (name) : t");
    EXPECT_EQ(tree.nodes[3].number, 4);
}

TEST(ReplyTree, ForwardAndSelfRepliesStandAtTheTopAndDuplicatesUseTheFirstNode)
{
    store::ReplyTree tree =
        store::BuildReplyTree({Line(1, 3), Line(2, 2), Line(3, 1), Line(2, 0), Line(4, 2), Line(5, 5)});
    // 1 answers the later 3; 2 answers itself; the second 2 is its own node; 4 hangs under the
    // first 2; 5 answers itself.
    EXPECT_EQ(Parents(tree), (std::vector<int>{-1, -1, 0, -1, 1, -1}));
}

TEST(ReplyTree, LinesThatAreNotMessagesStillGetANode)
{
    store::ReplyTree tree = store::BuildReplyTree({"garbage", "x\ty", Line(1, 0), "2\t1"});
    ASSERT_EQ(tree.nodes.size(), 4u);
    EXPECT_EQ(tree.nodes[0].text, "0  () : ");
    EXPECT_EQ(tree.nodes[0].parent, -1);
    EXPECT_EQ(tree.nodes[1].parent, -1) << "a reply field that is not a number answers nothing";
    EXPECT_EQ(tree.nodes[3].parent, 2);
    for (std::size_t i = 0; i < tree.nodes.size(); ++i)
        EXPECT_LT(tree.nodes[i].parent, static_cast<int>(i)) << "a parent always comes first";
}

TEST(ReplyTree, AMissingLogCannotBeRead)
{
    boardtest::TempDir dir;
    EXPECT_FALSE(store::ReadReplyTree(dir / "none.dat"));
    boardtest::writeFile(dir / "t.dat", boardtest::crlf({Line(1, 0), Line(2, 1)}));
    auto tree = store::ReadReplyTree(dir / "t.dat");
    ASSERT_TRUE(tree);
    EXPECT_EQ(Parents(*tree), (std::vector<int>{-1, 0}));
}

TEST(ReplyTree, TenThousandMessagesInAChainAreBuiltQuickly)
{
    std::vector<std::string> lines;
    for (int i = 1; i <= 10000; ++i)
        lines.push_back(Line(i, i - 1, "a title of some length"));
    auto start = std::chrono::steady_clock::now();
    store::ReplyTree tree = store::BuildReplyTree(lines);
    auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(tree.nodes.size(), 10000u);
    EXPECT_EQ(tree.nodes.back().parent, 9998);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 500)
        << "no quadratic search for parents";
}

TEST(NodeMessageNumber, IsTheTextBeforeTheFirstBlankOrOne)
{
    EXPECT_EQ(store::NodeMessageNumber("40 2004/01/02 03:04 (a) : b"), 40);
    EXPECT_EQ(store::NodeMessageNumber("x 2004"), 1);
    EXPECT_EQ(store::NodeMessageNumber("40"), 1);
    EXPECT_EQ(store::NodeMessageNumber(""), 1);
}

} // namespace
