// What the status bar's progress bar shows: the download of the active topic, or the running
// requests.
#pragma once

#include "store/topicstate.h"

namespace ui {

struct ProgressShown {
    int maximum = 0;
    int value = 0;
    bool operator==(const ProgressShown &) const = default;
};

/// While the active topic tab downloads (fetch is its state, null otherwise; a range that starts
/// at 0 is no download) the bar measures
/// that fetch: the numbers of its range dealt with out of the range's size. Otherwise it shows
/// the running requests out of [network] thread_max. The value never exceeds the maximum, and a
/// maximum below 0 counts as 0.
ProgressShown ProgressFor(int running, int threadMax, const store::TopicState *fetch);

} // namespace ui
