// The rows of a topic-list tab as plain data: their payload, the seven sub-item texts and the
// icon, the interface the merge writes them through, and the rules of the list view that need
// no widget (comparison, narrowing, row colours, click settings, the download-count submenu).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"

namespace store {

/// `TopicEntry`: the payload of a row, owned by the row.
struct TopicEntry {
    std::string topicUrl; ///< the topic's message URL as listed; a row is found by it, exactly
    std::string logName;  ///< topic id + ".dat"
    int highlight = 0;    ///< 1 once the narrowing command matched the row
    bool operator==(const TopicEntry &) const = default;
};

/// Sub-items of a row, in column order after the icon column (column = sub-item + 1).
enum SubItem : int {
    kNumberItem = 0,    ///< "No.": the row count when the row was added
    kTitleItem = 1,     ///< "タイトル"
    kPostsItem = 2,     ///< "投稿数": the post count the board reported
    kFetchedItem = 3,   ///< "取得済": lines of the topic's log, or "0"
    kUnfetchedItem = 4, ///< "未取得": posts - fetched, empty without a log
    kLatestItem = 5,    ///< "最新投稿日時": date, a blank, time
    kBoardItem = 6,     ///< "カテゴリ": the board's name
    kSubItemCount = 7,
};

/// Row icons of the shared image list.
inline constexpr int kLoggedTopicImage = 4;    ///< listed, with a local log
inline constexpr int kUnloggedTopicImage = 5;  ///< listed, no local log
inline constexpr int kLogOnlyTopicImage = 6;   ///< known only from its log
inline constexpr int kRefreshedTopicImage = 17; ///< a favorite whose figures were just refreshed

/// One row: the icon, the seven sub-item texts (Shift_JIS) and the payload.
struct TopicRow {
    int image = 0;
    std::array<std::string, kSubItemCount> subItems;
    TopicEntry entry;

    const std::string &text(SubItem item) const { return subItems[item]; }
    bool operator==(const TopicRow &) const = default;
};

/// The rows of one topic-list tab in view order, as the merge and the narrowing command reach
/// them. The widget implements it over its list items (each keeping its TopicRow); TopicRows
/// implements it in memory. Main thread.
class TopicRowList {
public:
    virtual ~TopicRowList() = default;
    virtual int rowCount() const = 0;
    virtual const TopicRow &row(int index) const = 0;
    virtual void appendRow(TopicRow row) = 0;
    /// Replaces the row at index in place (its position in the view stays).
    virtual void replaceRow(int index, TopicRow row) = 0;
    /// Removes the row at index with its payload; the rows after it move up.
    virtual void removeRow(int index) = 0;
    /// Removes every row with its payload.
    virtual void clearRows() = 0;
};

/// A TopicRowList in memory, with the view's sort.
class TopicRows final : public TopicRowList {
public:
    int rowCount() const override { return static_cast<int>(m_rows.size()); }
    const TopicRow &row(int index) const override { return m_rows.at(static_cast<std::size_t>(index)); }
    void appendRow(TopicRow row) override { m_rows.push_back(std::move(row)); }
    void replaceRow(int index, TopicRow row) override { m_rows.at(static_cast<std::size_t>(index)) = std::move(row); }
    void removeRow(int index) override
    {
        if (index >= 0 && index < rowCount())
            m_rows.erase(m_rows.begin() + index);
    }
    void clearRows() override { m_rows.clear(); }

    /// Sorts stably with ListViewCompare.
    void sort(int key, bool descending);
    const std::vector<TopicRow> &rows() const { return m_rows; }

private:
    std::vector<TopicRow> m_rows;
};

/// `ListViewCompare` (key k, rows a and b): negative, zero or positive.
/// k = -1: highlighted rows first (descending is ignored). k = 2 (title) or k >= 6 (date, board):
/// sub-item k-1 as text. k = 1 or 3..5: sub-item k-1 as an integer (0 when it is not one)
/// formatted "%07d". Any other k: the image index in decimal. Texts compare byte by byte with
/// ASCII and full-width letters folded to upper case (a prefix is smaller); the result is
/// negated when descending.
int ListViewCompare(const TopicRow &a, const TopicRow &b, int key, bool descending);

/// The byte-wise comparison of ListViewCompare's texts. Folding works on whole Shift_JIS
/// characters, so the second byte of a double-byte character is never taken for a letter; the
/// byte order is kept otherwise (half-width katakana sort after the 0x81-0x9F double-byte
/// characters, as the bytes do).
int CompareListText(std::string_view a, std::string_view b);

/// `ThrLstExtraExecute` step 2: sets the highlight flag of every row whose title contains text
/// as a byte sequence (case-sensitive). Flags already set stay set; an empty text matches
/// nothing. Returns the number of rows newly highlighted. The caller repaints and sorts with
/// key -1.
int HighlightMatchingRows(TopicRowList &rows, std::string_view text);

/// Colours of a row before it is drawn (0x00BBGGRR or a system colour value).
struct RowColors {
    std::optional<int> background; ///< none: the list's own background
    int text = 0;
};

/// `ListViewCustomDrawItem`: with [design] thrlst_sep, rows 1, 3, 5 … from the top take
/// thrlst_odd and rows 2, 4, 6 … thrlst_even; the text is red (255) on a highlighted row, the
/// list font's colour otherwise. position is the row's 0-based position in the view, so the
/// stripes stay with positions when the rows are re-sorted.
RowColors TopicRowColors(int position, bool highlighted, const settings::DesignSettings &design);

/// The red of highlighted rows.
inline constexpr int kHighlightTextColor = 255;

/// The command a click setting ([action] ctg_click, ctg_dblclick, thrlst_click,
/// thrlst_dblclick) runs.
enum class OpenCommand {
    ActiveOpen,      ///< 0: PopCtgActiveOpen / PopThrLstActiveOpen
    NewOpen,         ///< 1: PopCtgNewOpen / PopThrLstNewOpen
    LocalActiveOpen, ///< 2: CtgLocalActiveOpen / ThrLstLocalActiveOpen
    LocalNewOpen,    ///< 3: CtgLocalNewOpen / ThrLstLocalNewOpen
    None,            ///< any other value
};
OpenCommand OpenCommandForClick(int setting);

/// One item of the 取得数 submenu.
struct DlCountItem {
    bool separator = false;
    std::string caption; ///< exactly the entry: `DlCountExecute` finds the count by it
    bool checked = false;
    bool operator==(const DlCountItem &) const = default;
};

/// `ThrLstPopupMenuPopup`'s rebuild of the 取得数 submenu: "すべて" (checked when dl_count_index
/// is 0), a separator, then each dl_count entry, checked when its 1-based position equals
/// dl_count_index.
std::vector<DlCountItem> DlCountMenuItems(const settings::NetworkSettings &network);

} // namespace store
