// The HTTP/1.0 exchange: request text, non-blocking connection with poll, header and body.
#include "net/http.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "base/text.h"
#include "net/endpoints.h"
#include "net/texts.h"

namespace net {

namespace {

constexpr std::string_view kHeaderEnd = "\r\n\r\n";

/// A request's text field as a view, also when a field was filled without a terminator.
std::string_view fieldText(const char *field, std::size_t size)
{
    return {field, ::strnlen(field, size)};
}

template <std::size_t N>
void copyField(char (&field)[N], std::string_view text)
{
    std::size_t n = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

/// Blanks and control bytes would end the request line early or start a header line of the
/// server's choosing; such a URL or query never goes out.
bool isSendable(std::string_view text)
{
    return std::none_of(text.begin(), text.end(), [](char ch) {
        auto c = static_cast<unsigned char>(ch);
        return c <= 0x20 || c == 0x7F;
    });
}

/// A cookie text the program can store and send back: a name-value pair, nothing that could
/// break the Cookie line. The "=" also keeps a cookie from equalling one of the notice-10
/// markers ("LOGIN", "LOGIN_ERR", "LOGOUT").
bool isCookieText(std::string_view text)
{
    return text.find('=') != std::string_view::npos && std::none_of(text.begin(), text.end(), [](char ch) {
               auto c = static_cast<unsigned char>(ch);
               return c < 0x20 || c == 0x7F;
           });
}

/// The value of a header line after its name and colon, without the blanks that follow the colon.
std::string_view headerValue(std::string_view line, std::size_t nameLength)
{
    std::string_view value = line.substr(nameLength);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    return value;
}

/// The header text cut to kMaxHeaderText bytes after its last whole line that fits.
std::string cutHeader(std::string header)
{
    if (header.size() <= kMaxHeaderText)
        return header;
    header.resize(kMaxHeaderText);
    auto lineEnd = header.rfind("\r\n");
    if (lineEnd != std::string::npos && lineEnd > 0)
        header.resize(lineEnd);
    return header;
}

struct Socket {
    int fd = -1;
    ~Socket()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

struct AddressList {
    addrinfo *list = nullptr;
    ~AddressList()
    {
        if (list)
            ::freeaddrinfo(list);
    }
};

} // namespace

std::string_view HostOf(std::string_view url)
{
    if (url.size() <= 7)
        return {};
    std::string_view rest = url.substr(7);
    return rest.substr(0, rest.find('/'));
}

std::optional<std::string> CompletedUrl(std::string_view url)
{
    std::string completed(url);
    if (!completed.empty() && completed.back() == '/') {
        completed += "index.html";
    } else {
        auto last = completed.find_last_of(".\\:");
        if (last == std::string::npos || completed[last] != '.')
            completed += "/index.html";
    }
    if (completed.size() >= kUrlFieldSize)
        return std::nullopt;
    return completed;
}

std::optional<std::string> BuildRequestText(const FetchRequest &request, const ExchangeSettings &settings)
{
    std::string_view url = fieldText(request.url, sizeof request.url);
    std::string_view query = request.postQuery ? std::string_view(request.postQuery) : std::string_view();
    if (!isSendable(url) || !isSendable(query))
        return std::nullopt;

    std::string text = "GET ";
    text += url;
    if (!settings.loggedIn) {
        text += " HTTP/1.0\r\nUser-Agent: ";
        text += kUserAgent;
        text += "\r\n\r\n";
    } else {
        if (request.kind == plugin_api::kPost) {
            text += query;
            text += " HTTP/1.0\r\nUser-Agent: ";
            text += kUserAgent;
            text += "\r\nReferer:";
            text += PostReferer(settings.postBase);
            text += "\r\nCookie:";
        } else {
            text += " HTTP/1.0\r\nUser-Agent: ";
            text += kUserAgent;
            text += "\r\nCookie:";
        }
        for (const std::string &cookie : settings.cookies) {
            text += ' ';
            text += cookie;
        }
        text += "\r\n\r\n";
    }
    if (text.size() > kMaxRequestText)
        return std::nullopt;
    return text;
}

ResponseHeader ParseResponseHeader(std::string_view header, const FetchRequest &request,
                                   const ExchangeSettings &settings, ExchangeEvents &events)
{
    ResponseHeader result;
    auto blank = header.find(' ');
    if (blank == std::string_view::npos)
        return result;

    // A status line without three digits after its blank counts as status 0.
    std::string_view digits = header.substr(blank + 1, 3);
    result.status = digits.size() == 3 && std::all_of(digits.begin(), digits.end(),
                                                      [](char c) { return c >= '0' && c <= '9'; })
                        ? base::ParseInt(digits, 0)
                        : 0;

    const int kind = request.kind;
    bool loginConfirmed = false;
    bool postAnswered = false;
    auto lineStart = header.find("\r\n", blank);
    while (lineStart != std::string_view::npos) {
        lineStart += 2;
        auto lineEnd = header.find("\r\n", lineStart);
        std::string_view line = header.substr(lineStart, lineEnd == std::string_view::npos
                                                             ? std::string_view::npos
                                                             : lineEnd - lineStart);
        line = line.substr(0, kMaxHeaderLine);
        if (line.empty())
            break;

        if (line.starts_with("Content-Length:")) {
            int length = base::ParseInt(headerValue(line, 15), -1);
            if (length >= 0)
                result.contentLength = static_cast<std::size_t>(length);
            break;
        }
        if (line.starts_with("Set-Cookie:")) {
            if (kind == plugin_api::kLogin) {
                std::string_view value = headerValue(line, 11);
                std::string cookie(value.substr(0, value.find(' ')));
                if (isCookieText(cookie))
                    events.notify(NoticeCode::LoginStatus, cookie.c_str());
            } else if (kind == plugin_api::kLogout) {
                events.notify(NoticeCode::LoginStatus, kLogoutMarker);
                break;
            }
        } else if (line.starts_with("Location:")) {
            std::string location(headerValue(line, 9));
            if (kind == plugin_api::kLogin && !location.empty() && location == settings.verifyUrl)
                loginConfirmed = true;
            if (kind == plugin_api::kPost && result.status == 302 && !location.empty() && !postAnswered) {
                events.pause(std::chrono::milliseconds(std::max(0, settings.posttimeout)));
                PageResult answer = MakePageResult(request, location.c_str());
                events.notify(NoticeCode::PostAnswered, &answer);
                postAnswered = true;
            }
        }
        lineStart = lineEnd;
    }

    if (kind == plugin_api::kLogin) {
        events.notify(NoticeCode::LoginStatus, loginConfirmed ? kLoginMarker : kLoginErrorMarker);
    } else if (kind == plugin_api::kPostForm && result.status == 302) {
        events.notify(NoticeCode::PostFormRedirected, nullptr);
    } else if (kind == plugin_api::kPost && !postAnswered) {
        PageResult answer = MakePageResult(request, nullptr);
        events.notify(NoticeCode::PostAnswered, &answer);
    }
    return result;
}

ResponseReader::ResponseReader(const FetchRequest &request, const ExchangeSettings &settings,
                               ExchangeEvents &events)
    : m_request(request), m_settings(settings), m_events(events)
{
}

bool ResponseReader::feed(std::string_view chunk)
{
    m_total += chunk.size();
    std::size_t i = 0;
    while (!m_headerDone && i < chunk.size()) {
        char c = chunk[i++];
        // Room for the whole terminator beyond the limit, so that a header of exactly the
        // limit is still recognised as not overlong.
        if (m_header.size() < kMaxHeaderText + kHeaderEnd.size())
            m_header += c;
        else
            m_overlong = true;
        if (c == kHeaderEnd[static_cast<std::size_t>(m_matched)])
            ++m_matched;
        else
            m_matched = c == '\r' ? 1 : 0;
        if (m_matched == static_cast<int>(kHeaderEnd.size()))
            completeHeader();
    }
    if (!m_headerDone || i == chunk.size())
        return true;
    std::string_view rest = chunk.substr(i);
    if (m_body->size() + rest.size() > kMaxBody)
        return false;
    m_body->append(rest);
    return true;
}

void ResponseReader::completeHeader()
{
    m_headerDone = true;
    if (m_overlong)
        m_header = cutHeader(std::move(m_header));
    else
        m_header.resize(m_header.size() - kHeaderEnd.size());
    // A zero byte ends the text, as for every text handed on.
    ResponseHeader header =
        ParseResponseHeader(std::string_view(m_header.c_str()), m_request, m_settings, m_events);
    m_capacity = header.contentLength.value_or(0) > 0 ? *header.contentLength : kDefaultBodyCapacity;
    m_announced = header.contentLength;
    m_body.emplace();
    // The announced length comes from the server: reserve it only up to a sane amount.
    m_body->reserve(std::min(m_capacity, std::size_t{1} << 20) + 1);
}

Response ResponseReader::take()
{
    Response response;
    response.header = m_headerDone ? std::move(m_header) : cutHeader(std::move(m_header));
    response.body = std::move(m_body);
    return response;
}

bool ResponseIsComplete(int kind, const ResponseReader &reader)
{
    // Logins, logouts and posts are decided by their header lines as they arrive.
    if (kind == plugin_api::kLogin || kind == plugin_api::kLogout || kind == plugin_api::kPost)
        return true;
    if (!reader.headerComplete())
        return false;
    return !reader.announcedLength() || reader.bodyReceived() >= *reader.announcedLength();
}

ExchangeResult Exchange(FetchRequest &request, const ExchangeSettings &settings, ExchangeEvents &events)
{
    ExchangeResult result;
    auto fail = [&](ExchangeError error) {
        result.error = error;
        return result;
    };

    auto completed = CompletedUrl(fieldText(request.url, sizeof request.url));
    if (!completed)
        return fail(ExchangeError::UrlTooLong);
    copyField(request.url, *completed);
    auto text = BuildRequestText(request, settings);
    if (!text)
        return fail(ExchangeError::RequestTooLong);

    std::string host = settings.proxy ? settings.proxyServer : std::string(HostOf(request.url));
    std::string port = settings.proxy ? std::to_string(settings.proxyPort) : std::string("80");
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    AddressList addresses;
    if (host.empty() || ::getaddrinfo(host.c_str(), port.c_str(), &hints, &addresses.list) != 0 || !addresses.list)
        return fail(ExchangeError::Lookup);
    const addrinfo &target = *addresses.list;

    Socket socket;
    socket.fd = ::socket(target.ai_family, target.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, target.ai_protocol);
    if (socket.fd < 0)
        return fail(ExchangeError::Socket);
    // The immediate result does not matter: a connection that cannot be made fails the send.
    (void)::connect(socket.fd, target.ai_addr, target.ai_addrlen);

    const int timeout = std::max(0, settings.timeout);
    ResponseReader reader(request, settings, events);
    bool connected = false;
    std::size_t sent = 0;
    auto sendMore = [&] {
        ssize_t n = ::send(socket.fd, text->data() + sent, text->size() - sent, MSG_NOSIGNAL);
        if (n >= 0) {
            sent += static_cast<std::size_t>(n);
            return true;
        }
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    };

    // On loopback and near hosts the connection is often made by the time connect returns, and
    // the request goes out without a wait. A send that finds it still being made sends nothing
    // (EAGAIN) and the wait for the connection follows as usual; one that finds it refused fails
    // as the send after that wait would.
    if (!sendMore())
        return fail(ExchangeError::Send);
    connected = sent > 0;

    char chunk[kReceiveChunk];
    for (;;) {
        pollfd watch{};
        watch.fd = socket.fd;
        watch.events = static_cast<short>(!connected ? POLLOUT : POLLIN | (sent < text->size() ? POLLOUT : 0));
        int ready = ::poll(&watch, 1, timeout);
        if (ready == 0)
            return fail(ExchangeError::Timeout);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return fail(ExchangeError::Wait);
        }

        if (!connected) {
            if (!(watch.revents & (POLLOUT | POLLERR | POLLHUP)))
                continue;
            connected = true;
            if (!sendMore())
                return fail(ExchangeError::Send);
        } else if (sent < text->size() && (watch.revents & (POLLOUT | POLLERR | POLLHUP))) {
            if (!sendMore())
                return fail(ExchangeError::Send);
        }

        if (!(watch.revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        // Read until the data for now is used up; data that came with the close is read first.
        for (;;) {
            ssize_t n = ::recv(socket.fd, chunk, sizeof chunk, 0);
            if (n > 0) {
                if (!reader.feed(std::string_view(chunk, static_cast<std::size_t>(n))))
                    return fail(ExchangeError::BodyTooLarge);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                break;
            // The close, or a reset, which ends the response the same way.
            if (!ResponseIsComplete(request.kind, reader))
                return fail(ExchangeError::Incomplete);
            result.response = reader.take();
            return result;
        }
    }
}

} // namespace net
