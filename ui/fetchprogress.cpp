// The progress bar's range and position.
#include "ui/fetchprogress.h"

#include <algorithm>

namespace ui {

ProgressShown ProgressFor(int running, int threadMax, const store::TopicState *fetch)
{
    ProgressShown shown;
    // Message numbers start at 1: a tab opened from its log has the empty range 0 to 0.
    if (fetch && fetch->rangeFirst > 0 && fetch->downloading()) {
        shown.maximum = std::max(0, fetch->rangeLast - fetch->rangeFirst + 1);
        shown.value = fetch->received;
    } else {
        shown.maximum = std::max(0, threadMax);
        shown.value = running;
    }
    shown.value = std::clamp(shown.value, 0, shown.maximum);
    return shown;
}

} // namespace ui
