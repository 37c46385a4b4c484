// HTTP/1.0 as the server speaks it: reading a request head, its target, and writing a response.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace boardserver {

/// A request head longer than this is refused: the program's own requests stay within 10 KB.
inline constexpr std::size_t kMaxRequestHead = 16384;

struct HttpRequest {
    std::string method;
    std::string target;
    std::string version; ///< "HTTP/1.0" or "HTTP/1.1"
    std::vector<std::pair<std::string, std::string>> headers;

    /// The value of the first header called name (ASCII case-insensitive), or nullptr.
    const std::string *header(std::string_view name) const;
};

enum class HeadStatus {
    Incomplete, ///< no blank line yet
    Complete,
    Malformed,
};

/// Reads the request head at the start of data: the request line and the header lines up to
/// the first empty line (CR LF or a bare LF end a line). headLength is the number of bytes up to
/// and including the empty line.
HeadStatus ParseRequestHead(std::string_view data, HttpRequest &out, std::size_t &headLength);

/// The request target: an absolute URL "http://host[:port]/path?query" (as to a proxy) or a
/// path "/path?query". A fragment is dropped.
struct RequestTarget {
    bool absolute = false;
    std::string host; ///< lower case, without the port; empty for a path
    std::string path; ///< begins with "/"
    std::string query;

    /// The URL as the service's pages name it: "http://" + host + path [+ "?" + query].
    std::string url(std::string_view defaultHost) const;
};

std::optional<RequestTarget> ParseRequestTarget(std::string_view target);

/// The raw value of the first parameter called name in a query ("a=1&b=2"), or nullopt.
std::optional<std::string_view> QueryParam(std::string_view query, std::string_view name);

struct HttpResponse {
    int status = 200;
    std::string contentType = "text/html; charset=EUC-JP";
    /// Whole header lines without their line end ("Set-Cookie: ...", "Location: ..."). They go
    /// before Content-Length: the program stops reading the head at that line.
    std::vector<std::string> headerLines;
    std::string body;
};

std::string_view ReasonPhrase(int status);

/// The status line and header lines of a response, ending with the empty line.
std::string SerializeHead(const HttpResponse &response, std::size_t contentLength);

} // namespace boardserver
