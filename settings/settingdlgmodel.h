// What the settings dialog edits, without its widgets: the values shown in its controls, the
// rules by which they go back into the settings, the download-count list and the gesture
// bindings.
#pragma once

#include "settings/gesturebindings.h"
#include "settings/mousegesture.h"
#include "settings/settings.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

/// The dialog's controls. Check boxes, radio groups, combo boxes, colours, fonts and text edits
/// are held in values; the number edits as the text typed, read back with their fallbacks.
struct DialogFields {
    Settings values;
    std::string viewMsg;
    std::string thrlstWidth, thrlstHeight, thrWidth, thrHeight;
    std::string proxyPort, threadMax, retry, timeout, resRetry, postTimeout;
};

/// Fills the controls from the settings.
DialogFields FieldsFromSettings(const Settings &s);

/// A reason to refuse the OK button (Shift_JIS), or nothing when the fields can be applied.
std::optional<std::string> ValidateFields(const DialogFields &f);

/// Copies the controls back into s: numbers with their fallbacks, one trailing separator taken
/// off each path. Values the dialog does not show (online mode, window layout, columns,
/// conversion, endpoints, the download counts and their index) are left as they are.
void ApplyFields(const DialogFields &f, Settings &s);

/// The path without one trailing separator.
std::string RemoveTrailingSeparator(std::string path);

/// The download-count list of the network page. Keeps `dl_count_index` on the count it names.
class DlCountEditor {
public:
    DlCountEditor(std::vector<std::string> counts, int selectedIndex);

    /// Appends text unless an item already equals it (ASCII case ignored). A text that is not a
    /// positive number is refused: the message is returned and the list stays as it is.
    std::optional<std::string> add(std::string_view text);
    /// Deletes the item equal to text. The count selected in the count menus is refused.
    std::optional<std::string> remove(std::string_view text);

    const std::vector<std::string> &items() const { return m_items; }
    /// `dl_count_index` for the edited list: 0 for all messages, else the selected count's
    /// position from 1, never past the list.
    int selectedIndex() const;

private:
    std::vector<std::string> m_items;
    int m_selected; ///< 0 or a position from 1 in m_items
};

/// An action as the gesture page offers it.
struct ActionInfo {
    std::string name;
    std::string category;
    std::string caption;
    bool visible = true;
};

/// The gesture page: its list of bindings and the commands that edit it.
class GestureEditor {
public:
    GestureEditor(std::vector<ActionInfo> actions, std::vector<GestureBinding> rows);

    /// The gesture text with the arrow appended, unless its last character is that arrow.
    static std::string AppendArrow(const std::string &text, TMouseGestureType arrow);
    /// The place mark of an entry of the place list: 0 none, 1 category list, 2 topic list,
    /// 3 topic; anything else none.
    static std::string PlaceMark(int place);

    /// The action categories, each once, in list order.
    std::vector<std::string> categories() const;
    /// The visible actions of a category, in list order.
    std::vector<const ActionInfo *> actionsOf(const std::string &category) const;

    struct AddResult {
        int row = -1;                       ///< the row added or reused; -1 when nothing was done
        std::optional<std::string> refusal; ///< why nothing was done, for the user (Shift_JIS)
    };
    /// Binds place mark + gesture to action (null when none is chosen). An empty gesture does
    /// nothing; no action is refused with a message. A row with the same key is reused.
    AddResult add(int place, const std::string &gesture, const ActionInfo *action);
    /// Deletes a row; an index out of range does nothing.
    void remove(int row);

    const std::vector<GestureBinding> &rows() const { return m_rows; }
    /// The second column of a row: the caption of its action, or the stored name when no action
    /// has it (such a binding is kept as it was read).
    std::string actionCaption(int row) const;
    const ActionInfo *findAction(const std::string &name) const;

    /// Writes the rows to the file, atomically.
    bool write(const std::string &path) const { return WriteGestureBindings(path, m_rows); }

private:
    std::vector<ActionInfo> m_actions;
    std::vector<GestureBinding> m_rows;
};

} // namespace settings
