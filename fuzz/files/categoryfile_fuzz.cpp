// A category file as LoadCategoryFile reads it; what the tree saves reads back as the same tree.
#include "fuzz/files/filefuzz.h"
#include "store/categoryfile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct Shape {
    std::string text;
    store::CategoryNodeData data;
    int depth;
    bool operator==(const Shape &) const = default;
};

std::vector<Shape> ShapeOf(const store::CategoryTree &tree)
{
    std::vector<Shape> shape;
    tree.forEachNode([&](store::CategoryTreeModel::Node node, int depth) {
        shape.push_back({tree.nodeText(node), tree.nodeData(node), depth});
        return true;
    });
    return shape;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string &dir = filefuzz::ScratchDir();
    filefuzz::MakeDir(store::CategoryDir(dir));
    const std::string path = store::CategoryFilePath(dir, store::kFavoritesTreeName);
    filefuzz::PutFile(path, std::string_view(reinterpret_cast<const char *>(data), size));

    auto content = store::ReadCategoryFile(path);
    Require(content.has_value());
    for (const auto &line : content->lines) {
        Require(line.depth >= 0);
        // A line read back from its own formatting is the same line.
        auto again = store::ParseCategoryLine(store::FormatCategoryLine(line.name, line.url, line.kind, line.depth));
        Require(again && *again == line);
    }

    store::CategoryTree tree;
    int tabs = 0;
    Require(store::LoadCategoryFile(dir, store::kFavoritesTreeName, [&]() -> store::CategoryTreeModel & {
        ++tabs;
        return tree;
    }));
    Require(tabs == 1);
    Require(tree.size() == content->lines.size());

    const store::SaveOutcome saved = store::SaveCategoryFile(dir, store::kFavoritesTreeName, tree);
    Require(saved == (tree.empty() ? store::SaveOutcome::Empty : store::SaveOutcome::Written));
    if (saved == store::SaveOutcome::Written) {
        store::CategoryTree reread;
        Require(store::LoadCategoryFile(dir, store::kFavoritesTreeName,
                                        [&]() -> store::CategoryTreeModel & { return reread; }));
        Require(ShapeOf(reread) == ShapeOf(tree));
    }
    return 0;
}
