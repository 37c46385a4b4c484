// The category files: one per category tree in "Category" under the program directory, one
// line per node in pre-order, "name\turl\tkind\tdepth".
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/categorytree.h"

namespace store {

/// The site tree's file name; kept whatever the configured plug-in path is, since existing
/// category files use it.
inline constexpr char kPluginTreeName[] = "Hakobune.dll";
inline constexpr char kFavoritesTreeName[] = "favorites";

/// programDir + "Category".
std::string CategoryDir(const std::string &programDir);
/// programDir + "Category/" + name + ".ctg".
std::string CategoryFilePath(const std::string &programDir, std::string_view name);

/// One node as a line of a category file.
struct CategoryLine {
    std::string name;
    std::string url;
    int kind = 0;
    int depth = 0;
    bool operator==(const CategoryLine &) const = default;
};

/// Splits a line into its four fields: up to the first tab, up to the next, up to the next,
/// the rest. Nullopt when a tab is missing or kind or depth is not a decimal number, or the
/// depth is negative.
std::optional<CategoryLine> ParseCategoryLine(std::string_view line);

/// The line for a node. Tabs and line breaks inside name or URL would shift the fields or split
/// the line, so each becomes a blank.
std::string FormatCategoryLine(std::string_view name, std::string_view url, int kind, int depth);

struct CategoryFileContent {
    std::vector<CategoryLine> lines;
    /// Lines that did not parse and were passed over.
    int skipped = 0;
};

/// The lines of a category file, or nullopt when it is missing or cannot be read. Lines that do
/// not parse are skipped, so a damaged file still gives every readable node.
std::optional<CategoryFileContent> ReadCategoryFile(const std::string &path);

/// The deepest a category tree nests: real trees are a few levels deep, and a damaged or made-up
/// file that nests every line one level deeper would otherwise build a tree that the tree
/// widget walks and frees recursively, one call per level, past the end of the stack.
inline constexpr std::size_t kMaxCategoryNesting = 1000;

/// Places lines into tree below what it holds, by each line's depth d against the previous
/// line's depth p (0 at the start) and the previous node n: d = 0 a top-level node; d = p a
/// sibling of n; d < p climbs p - d + 1 levels from n and adds a child there (top level when the
/// climb passes the top); d > p a child of n, one level deeper however far d jumps. A child that
/// would lie deeper than kMaxCategoryNesting levels becomes a sibling of n instead.
void PlaceCategoryLines(const std::vector<CategoryLine> &lines, CategoryTreeModel &tree);

/// `LoadCategoryFile`: when programDir's category file of name exists, calls createTab, which
/// makes the tab (not activated; captioned kFavoritesCaption for "favorites", else
/// kCategoryListCaption) and returns its tree, and fills that tree. Returns false, creating
/// nothing, when the directory or the file is missing. Expanding the favorites tree afterwards
/// is the widget's.
bool LoadCategoryFile(const std::string &programDir, std::string_view name,
                      const std::function<CategoryTreeModel &()> &createTab);

enum class SaveOutcome {
    Written,
    Empty,  ///< the tree has no node: the old file, if any, is left as it was
    Failed, ///< the directory or the file could not be written; the old file is whole
};

/// Writes tree to programDir's category file of name (atomically), creating "Category" when
/// it is missing.
SaveOutcome SaveCategoryFile(const std::string &programDir, std::string_view name, const CategoryTreeModel &tree);

/// One category tab as `SaveCategoryFiles` sees it.
struct CategoryTabRef {
    bool hasSite = false; ///< the site's tree ("Hakobune.dll"); otherwise the favorites tree
    const CategoryTreeModel *tree = nullptr;
};

/// `SaveCategoryFiles`: every tab in tab order. False when any file could not be written.
bool SaveCategoryFiles(const std::string &programDir, std::span<const CategoryTabRef> tabs);

} // namespace store
