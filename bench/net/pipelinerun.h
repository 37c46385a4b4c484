// The request pipeline alone, fetching the message pages of one topic from the substitute board
// server: the reference run that the pipeline benchmark and the window benchmark compare against.
#pragma once

#include <string>
#include <vector>

#include "net/notice.h"

namespace benchnet {

struct PipelineFigures {
    double seconds = 0;
    double cpuSeconds = 0; ///< user and system time of this process
    int completed = 0;     ///< message records stored
    int failures = 0;      ///< exchanges that failed (and were retried)
    net::NoticeTimes messageNotices; ///< what the notices of parsed messages cost the workers
    net::NoticeTimes endNotices;     ///< and the notices of workers ending
};

/// User and system time of this process so far, in seconds.
double ProcessCpuSeconds();

/// EnqueueRequest for every URL with key, threadMax workers through the server on port as the
/// proxy, ParseThread of plugin, and this thread as the main thread: it handles the notices and
/// stores a copy of every record by its number (1 to urls.size()). Times from the first
/// EnqueueRequest to the last notice handled.
PipelineFigures RunPipeline(int port, void *plugin, const std::vector<std::string> &urls, const std::string &key,
                            int threadMax = 5);

} // namespace benchnet
