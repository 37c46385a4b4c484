// Rules of the tab strips that need no widget: reordering by drop, the reference tab of the
// closing commands, and the status bar's panel widths.
#pragma once

#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace ui {

/// Where a drop of the active tab on the tab at dropIndex moves it, or nothing when there is no
/// tab there or it is the active tab itself.
inline std::optional<std::pair<int, int>> TabDropMove(int activeIndex, int dropIndex, int count)
{
    if (dropIndex < 0 || dropIndex >= count || activeIndex < 0 || activeIndex >= count || dropIndex == activeIndex)
        return std::nullopt;
    return std::pair{activeIndex, dropIndex};
}

/// Moves element from to position to, shifting those in between by one, as a tab strip moves
/// its pages: the pane lists follow their strips with this.
template <typename T>
void MoveElement(std::vector<T> &items, int from, int to)
{
    if (from == to || from < 0 || to < 0 || from >= static_cast<int>(items.size()) ||
        to >= static_cast<int>(items.size()))
        return;
    T moved = std::move(items[from]);
    if (from < to)
        for (int i = from; i < to; ++i)
            items[i] = std::move(items[i + 1]);
    else
        for (int i = from; i > to; --i)
            items[i] = std::move(items[i - 1]);
    items[to] = std::move(moved);
}

/// The tab a closing command acts on: `TabTarget` when it names a tab of the strip, otherwise
/// the active tab (-1 when the strip is empty).
inline int ReferenceTab(int tabTarget, int activeIndex, int count)
{
    if (tabTarget >= 0 && tabTarget < count)
        return tabTarget;
    return count > 0 ? activeIndex : -1;
}

/// Enabled state of the five closing commands of a strip.
struct CloseCommandState {
    bool active = false, noneActive = false, all = false, left = false, right = false;
};

inline CloseCommandState CloseCommandsEnabled(int tabTarget, int activeIndex, int count)
{
    CloseCommandState s;
    if (count <= 0)
        return s;
    int r = ReferenceTab(tabTarget, activeIndex, count);
    s.active = s.all = true;
    s.noneActive = count > 1;
    s.left = r > 0;
    s.right = r < count - 1;
    return s;
}

/// `MainStatusBarResize`: panel n-1-i gets fixed[i] for i < n-1, panel 0 the rest.
inline std::array<int, 4> StatusPanelWidths(int total, const std::array<int, 4> &fixed)
{
    std::array<int, 4> widths{};
    int used = 0;
    for (int i = 0; i < 3; ++i) {
        widths[3 - i] = fixed[i];
        used += fixed[i];
    }
    widths[0] = total - used > 0 ? total - used : 0;
    return widths;
}

/// The design widths of the four status panels, in panel order.
inline constexpr std::array<int, 4> kStatusPanelDesignWidths = {35, 100, 70, 30};

} // namespace ui
