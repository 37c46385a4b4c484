// One HTTP/1.0 exchange of a fetch worker: URL completion, the request text, the connection
// with its per-wait time-out, and the split of the response into header and body.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "net/cookies.h"
#include "net/notice.h"
#include "plugin_api/records.h"

namespace net {

/// Limits of one exchange. Texts are zero-terminated, so each holds one byte less than its
/// buffer.
inline constexpr std::size_t kUrlFieldSize = sizeof(FetchRequest::url);
inline constexpr std::size_t kMaxRequestText = 10240 - 1;
inline constexpr std::size_t kMaxHeaderText = 2048 - 1;
inline constexpr std::size_t kMaxHeaderLine = 1024 - 1;
inline constexpr std::size_t kReceiveChunk = 1024;
inline constexpr std::size_t kDefaultBodyCapacity = 4096;
/// A body beyond this fails the request rather than exhausting memory; the largest board page
/// is a few hundred kilobytes.
inline constexpr std::size_t kMaxBody = std::size_t{32} << 20;

/// What an exchange reads besides its request, copied once when the worker starts.
struct ExchangeSettings {
    bool proxy = false;
    std::string proxyServer;
    int proxyPort = 0;
    int timeout = 3000;     ///< milliseconds per wait
    int posttimeout = 3000; ///< milliseconds between a post's redirect and notice 14
    bool loggedIn = false;
    CookieList cookies;    ///< sent only while logged in
    std::string postBase;  ///< the post server's base URL, for the Referer of posts
    std::string verifyUrl; ///< the Location that means a login succeeded
};

/// What an exchange reports while it runs (notices 10, 13 and 14 from the header, and the
/// pause before notice 14). The fetch worker routes these to the notice channel.
class ExchangeEvents {
public:
    virtual ~ExchangeEvents() = default;
    virtual int notify(NoticeCode code, const void *payload) = 0;
    /// Waits on the worker thread; may end early when the program is shutting down.
    virtual void pause(std::chrono::milliseconds duration) = 0;
};

/// The host of an "http://" URL: the text after the first seven characters up to the next "/"
/// or the end. A port in the URL is not recognised.
std::string_view HostOf(std::string_view url);

/// url as it is fetched: "index.html" appended when it ends with "/"; "/index.html" appended
/// when the last of ".", "\" and ":" in it is not a "." (or there is none). nullopt when the
/// result would not fit a request's URL field.
std::optional<std::string> CompletedUrl(std::string_view url);

/// The whole request text for request, or nullopt when it would exceed kMaxRequestText (the
/// request then fails rather than going out cut). Logged in: a Cookie line with every cookie,
/// and for posts the post query after the URL and a Referer line. Logged out: the URL alone.
std::optional<std::string> BuildRequestText(const FetchRequest &request, const ExchangeSettings &settings);

struct ResponseHeader {
    int status = -1; ///< -1 when the header has no blank at all
    /// The announced Content-Length; nullopt when absent or not a number.
    std::optional<std::size_t> contentLength;
};

/// Reads the status and the lines the program acts on, as soon as the header is complete:
/// Set-Cookie and Location of a login (notice 10 with each cookie, then "LOGIN" or
/// "LOGIN_ERR"), Set-Cookie of a logout (notice 10 "LOGOUT"), the redirect of a post form
/// (notice 13) and the answer to a post (notice 14, after posttimeout when redirected). A
/// Content-Length line ends the examination of lines. header is the text before the blank line.
ResponseHeader ParseResponseHeader(std::string_view header, const FetchRequest &request,
                                   const ExchangeSettings &settings, ExchangeEvents &events);

/// A received response. body is absent when the connection closed before the blank line.
struct Response {
    std::string header;
    std::optional<std::string> body;
};

/// Splits the received bytes into header and body as they arrive, whatever the chunking. The
/// header text keeps at most kMaxHeaderText bytes; a longer header is cut after its last whole
/// line that fits, and the body still starts after the blank line.
class ResponseReader {
public:
    ResponseReader(const FetchRequest &request, const ExchangeSettings &settings, ExchangeEvents &events);

    /// Adds received bytes; runs ParseResponseHeader when they complete the header. False when
    /// the body would exceed kMaxBody.
    bool feed(std::string_view chunk);

    bool headerComplete() const { return m_headerDone; }
    std::size_t totalReceived() const { return m_total; }
    /// The body's capacity as the header announced it (Content-Length, else 4096).
    std::size_t announcedCapacity() const { return m_capacity; }
    /// The Content-Length the header announced, if any.
    std::optional<std::size_t> announcedLength() const { return m_announced; }
    /// The body bytes received so far.
    std::size_t bodyReceived() const { return m_body ? m_body->size() : 0; }

    Response take();

private:
    void completeHeader();

    const FetchRequest &m_request;
    const ExchangeSettings &m_settings;
    ExchangeEvents &m_events;
    std::string m_header;
    bool m_headerDone = false;
    bool m_overlong = false;
    int m_matched = 0; ///< how many bytes of "\r\n\r\n" the header text ends with
    std::optional<std::string> m_body;
    std::size_t m_capacity = kDefaultBodyCapacity;
    std::optional<std::size_t> m_announced;
    std::size_t m_total = 0;
};

enum class ExchangeError {
    None,
    UrlTooLong,     ///< the completed URL does not fit the URL field
    RequestTooLong, ///< the request text exceeds kMaxRequestText, or its URL or query holds a blank
                    ///< or a control byte
    Lookup,         ///< the target host could not be resolved
    Socket,         ///< no socket could be created
    Timeout,        ///< a wait for the network exceeded the time-out
    Wait,           ///< the wait itself failed
    Send,           ///< sending failed, which includes a connection that was never made
    BodyTooLarge,   ///< the body exceeded kMaxBody
    Incomplete,     ///< closed before the header, or the announced body, was complete
};

/// Whether a response that has just been closed is whole for a request of kind: the pages that
/// are parsed need their complete header and, when it announces a Content-Length, that many
/// body bytes; a page cut off early is a failure to retry, not a page that never existed.
/// Logins, logouts and posts are decided by their header alone and are always whole.
bool ResponseIsComplete(int kind, const ResponseReader &reader);

struct ExchangeResult {
    ExchangeError error = ExchangeError::None;
    Response response;
};

/// Performs the exchange on the calling (worker) thread. Completes request.url in place first,
/// so later notices carry the completed URL. Any error means the worker runs ReportFailure.
ExchangeResult Exchange(FetchRequest &request, const ExchangeSettings &settings, ExchangeEvents &events);

} // namespace net
