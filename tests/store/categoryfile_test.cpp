// Category files: placing lines by depth, damaged files, writing the trees back, and the tree
// lookups the commands use.
#include <gtest/gtest.h>

#include <algorithm>

#include "boardtesting.h"
#include "store/boardtexts.h"
#include "store/categoryfile.h"
#include "store/categorytree.h"

using boardtest::crlf;
using boardtest::TempDir;
using boardtest::writeFile;
using store::CategoryLine;
using store::CategoryTree;
using Node = store::CategoryTreeModel::Node;

namespace {

std::vector<CategoryLine> linesAt(std::initializer_list<int> depths)
{
    std::vector<CategoryLine> lines;
    int i = 0;
    for (int d : depths)
        lines.push_back({"n" + std::to_string(i++), "", 1, d});
    return lines;
}

std::string text(const CategoryTree &tree, Node node)
{
    return tree.nodeText(node);
}

// The tree as "name(children…)" for compact structural checks.
std::string shape(const CategoryTree &tree, Node parent = nullptr)
{
    std::string out;
    for (Node child : tree.children(parent)) {
        if (!out.empty())
            out += ' ';
        out += tree.nodeText(child);
        if (!tree.children(child).empty())
            out += "(" + shape(tree, child) + ")";
    }
    return out;
}

std::string categoryFile(const TempDir &dir, std::string_view name)
{
    return store::CategoryFilePath(dir.path(), name);
}

} // namespace

TEST(CategoryPlacement, DepthsZeroOneTwoOneZeroBuildTwoRootsWithNestedChildren)
{
    CategoryTree tree;
    store::PlaceCategoryLines(linesAt({0, 1, 2, 1, 0}), tree);
    EXPECT_EQ(shape(tree), "n0(n1(n2) n3) n4");
}

TEST(CategoryPlacement, JumpOfSeveralLevelsNestsOneLevelDeeper)
{
    CategoryTree tree;
    store::PlaceCategoryLines(linesAt({0, 3}), tree);
    EXPECT_EQ(shape(tree), "n0(n1)");

    // Following lines compare with the written depth 3, not the node's real depth 1.
    CategoryTree more;
    store::PlaceCategoryLines(linesAt({0, 3, 3, 1}), more);
    // 3 = 3: a sibling; 1 < 3 climbs three levels from n2, past the top.
    EXPECT_EQ(shape(more), "n0(n1 n2) n3");
}

TEST(CategoryPlacement, ClimbStopsAtTheTopAndAFirstLineBelowZeroDepthIsTopLevel)
{
    CategoryTree tree;
    store::PlaceCategoryLines(linesAt({2, 0, 1, 2, 2, 1, 3, 0}), tree);
    EXPECT_EQ(shape(tree), "n0 n1(n2(n3 n4) n5(n6)) n7");
}

TEST(CategoryFile, LoadsNodesWithTheirUrlKindAndStateImage)
{
    TempDir dir;
    writeFile(categoryFile(dir, store::kPluginTreeName),
              crlf({"Arts\thttp://b/dir/arts/\t1\t0",
                    "Painting board\thttp://b/bbs?action=topics&board=1&sid=1&type=r\t0\t1",
                    "Odd kind\thttp://b/x/\t7\t0"}));
    CategoryTree tree;
    int created = 0;
    bool loaded = store::LoadCategoryFile(dir.path(), store::kPluginTreeName, [&]() -> store::CategoryTreeModel & {
        ++created;
        return tree;
    });
    ASSERT_TRUE(loaded);
    EXPECT_EQ(created, 1);
    auto roots = tree.children(nullptr);
    ASSERT_EQ(roots.size(), 2u);
    EXPECT_EQ(tree.nodeData(roots[0]), (store::CategoryNodeData{"http://b/dir/arts/", 1}));
    EXPECT_EQ(tree.stateImage(roots[0]), store::kClosedFolderImage);
    Node board = tree.children(roots[0]).at(0);
    EXPECT_EQ(text(tree, board), "Painting board");
    EXPECT_FALSE(tree.nodeData(board).isFolder());
    EXPECT_EQ(tree.stateImage(board), store::kBoardImage);
    // Any non-zero kind is a folder.
    EXPECT_TRUE(tree.nodeData(roots[1]).isFolder());
    EXPECT_EQ(tree.stateImage(roots[1]), store::kClosedFolderImage);
}

TEST(CategoryFile, MissingFileOrDirectoryCreatesNoTab)
{
    TempDir dir;
    CategoryTree tree;
    int created = 0;
    auto createTab = [&]() -> store::CategoryTreeModel & {
        ++created;
        return tree;
    };
    EXPECT_FALSE(store::LoadCategoryFile(dir.path(), store::kFavoritesTreeName, createTab));
    std::filesystem::create_directory(dir / "Category");
    EXPECT_FALSE(store::LoadCategoryFile(dir.path(), store::kFavoritesTreeName, createTab));
    EXPECT_EQ(created, 0);

    // An empty file is a tab with an empty tree.
    writeFile(categoryFile(dir, store::kFavoritesTreeName), "");
    EXPECT_TRUE(store::LoadCategoryFile(dir.path(), store::kFavoritesTreeName, createTab));
    EXPECT_EQ(created, 1);
    EXPECT_TRUE(tree.empty());
}

TEST(CategoryFile, DamagedLinesAreSkippedAndTheRestStillLoads)
{
    TempDir dir;
    std::string junk;
    for (int c = 0; c < 256; ++c)
        junk += static_cast<char>(c == '\t' || c == '\r' || c == '\n' ? 'x' : c);
    std::string bytes = crlf({"Top\thttp://b/top/\t1\t0",
                              "no tabs at all",
                              "two\ttabs\tonly",
                              "bad kind\turl\tone\t1",
                              "bad depth\turl\t1\tdeep",
                              "negative\turl\t1\t-1",
                              "",
                              junk,
                              "Child\thttp://b/child/\t0\t1",
                              "Huge depth\thttp://b/huge/\t0\t2147483647",
                              "Overflow\turl\t0\t99999999999999999999"});
    bytes += std::string("\0\0\0\t\t\t", 6) + "\r" + "Last\thttp://b/last/\t1\t0"; // a lone CR, no final break
    writeFile(categoryFile(dir, store::kPluginTreeName), bytes);

    auto content = store::ReadCategoryFile(categoryFile(dir, store::kPluginTreeName));
    ASSERT_TRUE(content);
    EXPECT_EQ(content->skipped, 9);
    CategoryTree tree;
    store::PlaceCategoryLines(content->lines, tree);
    EXPECT_EQ(shape(tree), "Top(Child(Huge depth)) Last");
}

TEST(CategoryFile, NestingBeyondTheLimitContinuesAsSiblingsAtTheDeepestLevel)
{
    // Each line one level deeper than the last, far beyond any real tree.
    TempDir dir;
    const int lines = static_cast<int>(store::kMaxCategoryNesting) + 5;
    std::string bytes;
    for (int d = 0; d < lines; ++d)
        bytes += "n" + std::to_string(d) + "\t\t1\t" + std::to_string(d) + "\r\n";
    writeFile(categoryFile(dir, store::kPluginTreeName), bytes);
    CategoryTree tree;
    ASSERT_TRUE(store::LoadCategoryFile(dir.path(), store::kPluginTreeName,
                                        [&]() -> store::CategoryTreeModel & { return tree; }));
    ASSERT_EQ(tree.size(), static_cast<std::size_t>(lines));
    std::vector<int> depths;
    tree.forEachNode([&](Node, int depth) {
        depths.push_back(depth);
        return true;
    });
    const int deepest = static_cast<int>(store::kMaxCategoryNesting) - 1;
    EXPECT_EQ(*std::max_element(depths.begin(), depths.end()), deepest);
    EXPECT_EQ(depths[static_cast<std::size_t>(deepest)], deepest);
    // The lines past the limit are the deepest node's siblings, in file order.
    for (int i = deepest; i < lines; ++i)
        EXPECT_EQ(depths[static_cast<std::size_t>(i)], deepest) << i;
    Node deepestNode = tree.children(nullptr).front();
    while (!tree.children(deepestNode).empty())
        deepestNode = tree.children(deepestNode).front();
    Node parentOfDeepest = tree.parent(deepestNode);
    EXPECT_EQ(tree.children(parentOfDeepest).size(), 6u);
}

TEST(CategoryFile, AMillionNestedNodesAreFreedWithoutExhaustingTheStack)
{
    // The in-memory tree does not recurse per level when it is cleared or destroyed.
    CategoryTree tree;
    Node parent = nullptr;
    for (int d = 0; d < 1000000; ++d)
        parent = tree.addNode(parent, "n", store::CategoryNodeData{"", 1});
    tree.clear();
    EXPECT_TRUE(tree.empty());
    EXPECT_TRUE(tree.children(nullptr).empty());
    for (int d = 0; d < 1000000; ++d)
        parent = tree.addNode(d == 0 ? nullptr : parent, "n", store::CategoryNodeData{"", 1});
    EXPECT_EQ(tree.size(), 1000000u);
}

TEST(CategoryFile, ParsesFieldsExactlyKeepingBlanksAndExtraTabsInDepth)
{
    auto line = store::ParseCategoryLine(" A name \t\t1\t2");
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, (CategoryLine{" A name ", "", 1, 2}));
    // The depth is the rest of the line; a blank or tab around a number is accepted.
    EXPECT_EQ(store::ParseCategoryLine("n\tu\t0\t 3 ")->depth, 3);
    EXPECT_FALSE(store::ParseCategoryLine("n\tu\t0\t3\textra"));
    EXPECT_FALSE(store::ParseCategoryLine("n\tu\t\t3"));
}

TEST(CategoryFile, SaveWritesPreOrderLinesWithDepthsAndReloadsTheSameTree)
{
    TempDir dir;
    CategoryTree tree;
    std::string soft = boardtest::sjis("ソフト表示"); // second bytes 0x5C: must stay as they are
    Node a = tree.addNode(nullptr, "A", {"http://b/a/", 1});
    Node b = tree.addNode(a, soft, {"http://b/a/b/", 1});
    tree.addNode(b, "Board", {"http://b/bbs?action=topics&board=9&sid=9&type=r", 0});
    tree.addNode(a, "Second", {"http://b/a/c/", 1});
    tree.addNode(nullptr, "Z", {"http://b/z/", 1});

    ASSERT_EQ(store::SaveCategoryFile(dir.path(), store::kPluginTreeName, tree), store::SaveOutcome::Written);
    EXPECT_EQ(boardtest::readFile(dir / "Category/Hakobune.dll.ctg"),
              crlf({"A\thttp://b/a/\t1\t0", soft + "\thttp://b/a/b/\t1\t1",
                    "Board\thttp://b/bbs?action=topics&board=9&sid=9&type=r\t0\t2", "Second\thttp://b/a/c/\t1\t1",
                    "Z\thttp://b/z/\t1\t0"}));

    CategoryTree again;
    ASSERT_TRUE(store::LoadCategoryFile(dir.path(), store::kPluginTreeName,
                                        [&]() -> store::CategoryTreeModel & { return again; }));
    EXPECT_EQ(shape(again), shape(tree));
    EXPECT_EQ(again.nodeText(again.children(again.children(nullptr)[0])[0]), soft);
}

TEST(CategoryFile, FavoritesFolderIsWrittenWithAnEmptyUrlField)
{
    TempDir dir;
    CategoryTree tree;
    Node root = store::AddFavoritesRoot(tree);
    tree.addNode(root, "Mine", {"", 1});
    EXPECT_EQ(tree.nodeText(root), store::kFavoritesCaption);
    EXPECT_EQ(tree.nodeData(root), (store::CategoryNodeData{"", 1}));

    std::vector<store::CategoryTabRef> tabs{{false, &tree}};
    ASSERT_TRUE(store::SaveCategoryFiles(dir.path(), tabs));
    EXPECT_EQ(boardtest::readFile(dir / "Category/favorites.ctg"),
              crlf({std::string(store::kFavoritesCaption) + "\t\t1\t0", "Mine\t\t1\t1"}));
}

TEST(CategoryFile, EmptyTreeLeavesThePreviousFileUntouched)
{
    TempDir dir;
    std::string old = crlf({"Old\thttp://b/old/\t1\t0"});
    writeFile(dir / "Category/Hakobune.dll.ctg", old);
    CategoryTree empty;
    CategoryTree favorites;
    store::AddFavoritesRoot(favorites);
    std::vector<store::CategoryTabRef> tabs{{true, &empty}, {false, &favorites}};
    EXPECT_TRUE(store::SaveCategoryFiles(dir.path(), tabs));
    EXPECT_EQ(boardtest::readFile(dir / "Category/Hakobune.dll.ctg"), old);
    EXPECT_TRUE(std::filesystem::exists(dir / "Category/favorites.ctg"));
}

TEST(CategoryFile, TabsAndBreaksInNamesBecomeBlanksSoEachNodeStaysOneLine)
{
    TempDir dir;
    CategoryTree tree;
    Node folder = tree.addNode(nullptr, "my\tfolder\r\nname", {"", 1});
    tree.addNode(folder, "b", {"http://b/x\ty/", 0});
    ASSERT_EQ(store::SaveCategoryFile(dir.path(), store::kFavoritesTreeName, tree), store::SaveOutcome::Written);
    auto content = store::ReadCategoryFile(dir / "Category/favorites.ctg");
    ASSERT_TRUE(content);
    EXPECT_EQ(content->skipped, 0);
    ASSERT_EQ(content->lines.size(), 2u);
    EXPECT_EQ(content->lines[0].name, "my folder  name");
    EXPECT_EQ(content->lines[1], (CategoryLine{"b", "http://b/x y/", 0, 1}));
}

TEST(CategoryFile, UnwritableDirectoryReportsFailureAndKeepsGoing)
{
    TempDir dir;
    writeFile(dir / "Category", "a file where the directory should be");
    CategoryTree tree;
    tree.addNode(nullptr, "A", {"u", 1});
    std::vector<store::CategoryTabRef> tabs{{true, &tree}, {false, &tree}};
    EXPECT_EQ(store::SaveCategoryFile(dir.path(), store::kPluginTreeName, tree), store::SaveOutcome::Failed);
    EXPECT_FALSE(store::SaveCategoryFiles(dir.path(), tabs));
}

TEST(CategoryTreeLookup, SearchVisitsLaterNodesInFullOrderWithoutWrapping)
{
    CategoryTree tree;
    Node a = tree.addNode(nullptr, "Apple", {"a", 1});
    Node deep = tree.addNode(tree.addNode(a, "Banana", {"b", 1}), "Cherry pie", {"c", 0});
    Node d = tree.addNode(nullptr, "Pie shop", {"d", 1});

    EXPECT_EQ(store::FindNextCategoryNode(tree, nullptr, "pie"), deep);
    EXPECT_EQ(store::FindNextCategoryNode(tree, deep, "Pie"), d);
    // The match only in the selected node itself: nothing found, also when asked again.
    EXPECT_EQ(store::FindNextCategoryNode(tree, d, "Pie"), nullptr);
    EXPECT_EQ(store::FindNextCategoryNode(tree, d, "Pie"), nullptr);
    // Case-sensitive, and without a selection the first node is the start, not a candidate.
    EXPECT_EQ(store::FindNextCategoryNode(tree, nullptr, "apple"), nullptr);
    EXPECT_EQ(store::FindNextCategoryNode(tree, nullptr, "Apple"), nullptr);
}

TEST(CategoryTreeLookup, BoardNodeIsTheFirstExactUrlPassingOverAtMarkedNames)
{
    CategoryTree tree;
    std::string url = "http://b/bbs?action=topics&board=5&sid=5&type=r";
    Node cat = tree.addNode(nullptr, "C", {"http://b/c/", 1});
    tree.addNode(cat, "Cross-listed@x", {url, 0});
    Node real = tree.addNode(cat, "Board", {url, 0});
    tree.addNode(nullptr, "Board again", {url, 0});
    tree.addNode(nullptr, "Longer", {url + "x", 0});

    EXPECT_EQ(store::FindBoardNode(tree, url), real);
    EXPECT_EQ(store::FindNodeByUrl(tree, url), tree.children(cat)[0]);
    EXPECT_EQ(store::FindBoardNode(tree, "http://b/bbs?action=topics&board=6&sid=6&type=r"), nullptr);
    EXPECT_FALSE(store::IsEmptyTree(tree));
    tree.clear();
    EXPECT_TRUE(store::IsEmptyTree(tree));
}
