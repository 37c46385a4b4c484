// Reading, placing and writing category files.
#include "store/categoryfile.h"

#include "base/programdir.h"
#include "base/text.h"
#include "base/textfile.h"
#include "store/boardfields.h"

namespace store {

namespace {

// A decimal number or nothing: ParseInt falls back to either value only when the text fails.
std::optional<int> parseDecimal(std::string_view text)
{
    int value = base::ParseInt(text, 0);
    if (value != base::ParseInt(text, 1))
        return std::nullopt;
    return value;
}

} // namespace

std::string CategoryDir(const std::string &programDir)
{
    return base::JoinPath(programDir, "Category");
}

std::string CategoryFilePath(const std::string &programDir, std::string_view name)
{
    return base::JoinPath(CategoryDir(programDir), std::string(name) + ".ctg");
}

std::optional<CategoryLine> ParseCategoryLine(std::string_view line)
{
    auto first = line.find('\t');
    if (first == std::string_view::npos)
        return std::nullopt;
    auto second = line.find('\t', first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    auto third = line.find('\t', second + 1);
    if (third == std::string_view::npos)
        return std::nullopt;
    auto kind = parseDecimal(line.substr(second + 1, third - second - 1));
    auto depth = parseDecimal(line.substr(third + 1));
    if (!kind || !depth || *depth < 0)
        return std::nullopt;
    return CategoryLine{std::string(line.substr(0, first)), std::string(line.substr(first + 1, second - first - 1)),
                        *kind, *depth};
}

std::string FormatCategoryLine(std::string_view name, std::string_view url, int kind, int depth)
{
    std::string line;
    line.reserve(name.size() + url.size() + 16);
    AppendFieldText(line, name);
    line += '\t';
    AppendFieldText(line, url);
    line += '\t';
    line += std::to_string(kind);
    line += '\t';
    line += std::to_string(depth);
    return line;
}

std::optional<CategoryFileContent> ReadCategoryFile(const std::string &path)
{
    auto lines = base::ReadLines(path);
    if (!lines)
        return std::nullopt;
    CategoryFileContent content;
    content.lines.reserve(lines->size());
    for (const auto &text : *lines) {
        if (auto line = ParseCategoryLine(text))
            content.lines.push_back(std::move(*line));
        else
            ++content.skipped;
    }
    return content;
}

void PlaceCategoryLines(const std::vector<CategoryLine> &lines, CategoryTreeModel &tree)
{
    // path[i] is the previous node's ancestor at real depth i; path.back() is the previous node.
    std::vector<CategoryTreeModel::Node> path;
    int previousDepth = 0;
    for (const auto &line : lines) {
        int d = line.depth;
        CategoryTreeModel::Node parent = nullptr;
        std::size_t parentLevel = 0; // how many entries of path stay: parent's real depth + 1
        if (d == 0 || path.empty()) {
            parentLevel = 0;
        } else if (d == previousDepth) {
            parentLevel = path.size() - 1;
        } else if (d < previousDepth) {
            // Climbing k levels from the previous node reaches path[size - 1 - k]; past the top
            // the node becomes a top-level one.
            auto climb = static_cast<std::size_t>(previousDepth - d + 1);
            parentLevel = climb < path.size() ? path.size() - climb : 0;
        } else {
            parentLevel = path.size() < kMaxCategoryNesting ? path.size() : path.size() - 1;
        }
        if (parentLevel > 0)
            parent = path[parentLevel - 1];
        path.resize(parentLevel);
        path.push_back(tree.addNode(parent, line.name, CategoryNodeData{line.url, line.kind}));
        previousDepth = d;
    }
}

bool LoadCategoryFile(const std::string &programDir, std::string_view name,
                      const std::function<CategoryTreeModel &()> &createTab)
{
    auto content = ReadCategoryFile(CategoryFilePath(programDir, name));
    if (!content)
        return false;
    PlaceCategoryLines(content->lines, createTab());
    return true;
}

SaveOutcome SaveCategoryFile(const std::string &programDir, std::string_view name, const CategoryTreeModel &tree)
{
    base::Lines lines;
    tree.forEachNode([&](CategoryTreeModel::Node node, int depth) {
        const CategoryNodeData &data = tree.nodeData(node);
        lines.push_back(FormatCategoryLine(tree.nodeText(node), data.url, data.kind, depth));
        return true;
    });
    if (lines.empty())
        return SaveOutcome::Empty;
    if (!base::MakeDirs(CategoryDir(programDir)))
        return SaveOutcome::Failed;
    return base::WriteLines(CategoryFilePath(programDir, name), lines) ? SaveOutcome::Written : SaveOutcome::Failed;
}

bool SaveCategoryFiles(const std::string &programDir, std::span<const CategoryTabRef> tabs)
{
    bool ok = true;
    for (const auto &tab : tabs) {
        if (!tab.tree)
            continue;
        auto name = tab.hasSite ? kPluginTreeName : kFavoritesTreeName;
        if (SaveCategoryFile(programDir, name, *tab.tree) == SaveOutcome::Failed)
            ok = false;
    }
    return ok;
}

} // namespace store
