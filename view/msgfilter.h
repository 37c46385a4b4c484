// The message filter's logic without widgets: the three lists as the dialog edits them, and the
// additions to the NG lists from the message menu.
#pragma once

#include "settings/nglists.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace view {

/// The dialog's tabs, in their order: the three lists, then their regular expressions.
enum class NgTab { Names = 0, Titles = 1, Words = 2, NameRegex = 3, TitleRegex = 4, WordRegex = 5 };
inline constexpr std::size_t kNgTabCount = 6;

/// Whether tab holds regular expressions.
constexpr bool IsRegexTab(NgTab tab)
{
    return tab == NgTab::NameRegex || tab == NgTab::TitleRegex || tab == NgTab::WordRegex;
}

/// Checks a regular expression (Shift_JIS); false with a message in error when it is not one.
using PatternCheck = std::function<bool(std::string_view pattern, std::string *error)>;

/// The list boxes of the message filter dialog: filled from the NG lists in list order, edited
/// by the add and delete buttons, and turned back into NG lists by OK. Texts are Shift_JIS.
class MsgFilterModel {
public:
    explicit MsgFilterModel(const settings::NgLists &lists);

    const std::vector<std::string> &items(NgTab tab) const { return box(tab).items; }
    /// The selected row of tab's list box, or -1.
    int selected(NgTab tab) const { return box(tab).selected; }
    /// Selects row (-1 for none); a row out of range selects nothing.
    void select(NgTab tab, int row);

    /// The check of the entries added to a regular expression tab; without one every text is taken.
    void setPatternCheck(PatternCheck check) { m_check = std::move(check); }
    /// Why the last add() to a regular expression tab refused its text; empty after any other add().
    const std::string &addError() const { return m_addError; }

    /// `ListAddExecute`: an empty text, or on a regular expression tab a text the pattern check
    /// refuses, does nothing and returns -1. Otherwise selects the item
    /// equal to text (ignoring case, as the NG lists compare), or appends text and selects it.
    /// Returns the selected row.
    int add(NgTab tab, std::string_view text);
    /// `ListDelExecute`: deletes the selected item; nothing is selected afterwards. False when
    /// nothing was selected.
    bool removeSelected(NgTab tab);

    /// The NG lists that OK makes of the list boxes: sorted again, duplicates dropped.
    settings::NgLists lists() const;

private:
    struct Box {
        std::vector<std::string> items;
        int selected = -1;
    };
    const Box &box(NgTab tab) const { return m_boxes[static_cast<std::size_t>(tab)]; }
    Box &box(NgTab tab) { return m_boxes[static_cast<std::size_t>(tab)]; }

    std::array<Box, kNgTabCount> m_boxes;
    PatternCheck m_check;
    std::string m_addError;
};

/// What an addition from the message menu did.
enum class NgAddResult {
    NotFound, ///< no line holds the target message
    Listed,   ///< the text was already on the list (ignoring case): nothing changed
    Added,
};

/// `AddNGName` (names) or `AddNGTitle` (titles): finds the first of lines whose field 1, read
/// as a number (0 when it is not one), is target, and adds its author (Names) or its title (Titles)
/// to its list. Words and the regular expression tabs take nothing from a message: NotFound.
NgAddResult AddFromMessage(const std::vector<std::string> &lines, int target, NgTab tab, settings::NgLists &lists);

/// The target message of a node of a message tree: its text up to the first blank, read as a
/// number, 1 when that is not a number.
int TreeNodeTarget(std::string_view nodeText);

} // namespace view
