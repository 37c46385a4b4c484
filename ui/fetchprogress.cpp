// The progress bar's range and position.
#include "ui/fetchprogress.h"

#include <algorithm>

namespace ui {

ProgressShown ProgressFor(int running, int threadMax)
{
    ProgressShown shown;
    shown.maximum = std::max(0, threadMax);
    shown.value = std::clamp(running, 0, shown.maximum);
    return shown;
}

} // namespace ui
