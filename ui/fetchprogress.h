// What the status bar's progress bar shows: the running requests.
#pragma once

namespace ui {

struct ProgressShown {
    int maximum = 0;
    int value = 0;
    bool operator==(const ProgressShown &) const = default;
};

/// The running requests out of [network] thread_max, whatever tab is in front: the bar tells how
/// busy the connection is, and a topic's own progress is in its caption. The value never exceeds
/// the maximum (thread_max may have been lowered while more ran), and a maximum below 0 counts
/// as 0.
ProgressShown ProgressFor(int running, int threadMax);

} // namespace ui
