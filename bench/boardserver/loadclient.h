// An efficient load client for the board server: epoll, a fixed number of connections in
// flight, one request per connection, as the program's workers use it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bsbench {

struct LoadResult {
    std::uint64_t completed = 0; ///< answers received whole and accepted by the check
    std::uint64_t failed = 0;    ///< connect errors, resets, or answers the check refused
    std::uint64_t bytes = 0;
    double seconds = 0;
    double perSecond() const { return seconds > 0 ? static_cast<double>(completed) / seconds : 0; }
};

/// Sends the requests in turn (cycling) for the given time with inFlight connections open at
/// once. check(answer) decides whether an answer counts as good.
LoadResult RunLoad(int port, const std::vector<std::string> &requests, int inFlight, double seconds,
                   const std::function<bool(const std::string &)> &check);

/// "GET <url> HTTP/1.0" with the program's User-Agent line.
std::string ProgramRequest(const std::string &url);

/// The resident and peak resident memory of a process, in kilobytes (from /proc).
struct Memory {
    long rssKb = -1;
    long peakKb = -1;
};
Memory ProcessMemory(int pid);

/// CPU time (user and system) a process has used so far, in seconds (from /proc).
double ProcessCpuSeconds(int pid);

} // namespace bsbench
