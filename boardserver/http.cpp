// HTTP/1.0 request heads, targets and response heads.
#include "boardserver/http.h"

#include "boardserver/text.h"

namespace boardserver {

namespace {

constexpr std::size_t kMaxHeaders = 100;
// A post carries its whole text in the target: 4000 bytes of Shift_JIS are 12,000 once encoded.
constexpr std::size_t kMaxTarget = kMaxRequestHead;

bool IsTokenChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    switch (c) {
    case '!': case '#': case '$': case '%': case '&': case '\'': case '*': case '+': case '-': case '.':
    case '^': case '_': case '`': case '|': case '~':
        return true;
    default:
        return false;
    }
}

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool ParseRequestLine(std::string_view line, HttpRequest &out)
{
    const std::size_t sp1 = line.find(' ');
    if (sp1 == std::string_view::npos || sp1 == 0 || sp1 > 16)
        return false;
    const std::size_t sp2 = line.find(' ', sp1 + 1);
    if (sp2 == std::string_view::npos || sp2 == sp1 + 1 || line.find(' ', sp2 + 1) != std::string_view::npos)
        return false;
    const std::string_view method = line.substr(0, sp1);
    const std::string_view target = line.substr(sp1 + 1, sp2 - sp1 - 1);
    const std::string_view version = line.substr(sp2 + 1);
    for (const char c : method)
        if (c < 'A' || c > 'Z')
            return false;
    if (target.size() > kMaxTarget)
        return false;
    for (const char c : target)
        if (IsControl(static_cast<unsigned char>(c)) || c == ' ')
            return false;
    if (version != "HTTP/1.0" && version != "HTTP/1.1")
        return false;
    out.method = std::string(method);
    out.target = std::string(target);
    out.version = std::string(version);
    return true;
}

} // namespace

const std::string *HttpRequest::header(std::string_view name) const
{
    for (const auto &[key, value] : headers)
        if (EqualsIgnoreAsciiCase(key, name))
            return &value;
    return nullptr;
}

HeadStatus ParseRequestHead(std::string_view data, HttpRequest &out, std::size_t &headLength)
{
    out = HttpRequest{};
    std::size_t pos = 0;
    // Empty lines ahead of the request line are tolerated, as HTTP allows.
    while (pos < data.size() && (data[pos] == '\r' || data[pos] == '\n')) {
        if (data[pos] == '\r' && (pos + 1 >= data.size() || data[pos + 1] != '\n'))
            return pos + 1 >= data.size() ? HeadStatus::Incomplete : HeadStatus::Malformed;
        pos += data[pos] == '\r' ? 2 : 1;
    }
    bool first = true;
    for (;;) {
        const std::size_t lf = data.find('\n', pos);
        if (lf == std::string_view::npos) {
            // Refuse what can never become a head early, so that garbage is answered at once.
            for (std::size_t i = pos; i < data.size(); ++i) {
                const auto c = static_cast<unsigned char>(data[i]);
                if ((IsControl(c) && c != '\t' && c != '\r') || (c == '\r' && i + 1 < data.size()))
                    return HeadStatus::Malformed;
            }
            return HeadStatus::Incomplete;
        }
        std::string_view line = data.substr(pos, lf - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        for (const char ch : line) {
            const auto c = static_cast<unsigned char>(ch);
            if (IsControl(c) && c != '\t')
                return HeadStatus::Malformed;
        }
        pos = lf + 1;
        if (first) {
            if (!ParseRequestLine(line, out))
                return HeadStatus::Malformed;
            first = false;
            continue;
        }
        if (line.empty()) {
            headLength = pos;
            return HeadStatus::Complete;
        }
        if (line.front() == ' ' || line.front() == '\t')
            return HeadStatus::Malformed; // folded lines are obsolete and refused
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0)
            return HeadStatus::Malformed;
        const std::string_view name = line.substr(0, colon);
        for (const char c : name)
            if (!IsTokenChar(c))
                return HeadStatus::Malformed;
        if (out.headers.size() >= kMaxHeaders)
            return HeadStatus::Malformed;
        out.headers.emplace_back(std::string(name), std::string(TrimBlanks(line.substr(colon + 1))));
    }
}

std::string RequestTarget::url(std::string_view defaultHost) const
{
    std::string out = "http://";
    out += host.empty() ? defaultHost : std::string_view(host);
    out += path;
    if (!query.empty()) {
        out += '?';
        out += query;
    }
    return out;
}

std::optional<RequestTarget> ParseRequestTarget(std::string_view target)
{
    RequestTarget out;
    if (const std::size_t hash = target.find('#'); hash != std::string_view::npos)
        target = target.substr(0, hash);
    std::string_view rest;
    if (!target.empty() && target.front() == '/') {
        rest = target;
    } else if (target.size() >= 7 && EqualsIgnoreAsciiCase(target.substr(0, 7), "http://")) {
        out.absolute = true;
        std::string_view authority = target.substr(7);
        const std::size_t end = authority.find_first_of("/?");
        rest = end == std::string_view::npos ? std::string_view() : authority.substr(end);
        authority = authority.substr(0, end == std::string_view::npos ? authority.size() : end);
        std::string_view host = authority;
        if (!host.empty() && host.front() == '[') {
            const std::size_t close = host.find(']');
            if (close == std::string_view::npos)
                return std::nullopt;
            std::string_view after = host.substr(close + 1);
            host = host.substr(0, close + 1);
            if (!after.empty()) {
                if (after.front() != ':')
                    return std::nullopt;
                authority = after;
            } else {
                authority = {};
            }
        } else {
            const std::size_t colon = host.find(':');
            authority = colon == std::string_view::npos ? std::string_view() : host.substr(colon);
            host = host.substr(0, colon == std::string_view::npos ? host.size() : colon);
        }
        if (!authority.empty()) {
            const std::string_view port = authority.substr(1);
            if (port.empty() || port.size() > 5)
                return std::nullopt;
            for (const char c : port)
                if (c < '0' || c > '9')
                    return std::nullopt;
            if (std::stoi(std::string(port)) > 65535)
                return std::nullopt;
        }
        if (host.empty() || host.size() > 255)
            return std::nullopt;
        for (const char c : host) {
            const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                            c == '-' || c == '[' || c == ']' || c == ':';
            if (!ok)
                return std::nullopt;
        }
        out.host.reserve(host.size());
        for (const char c : host)
            out.host.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    } else {
        return std::nullopt;
    }
    const std::size_t question = rest.find('?');
    const std::string_view path = rest.substr(0, question);
    out.path.assign(path.empty() ? std::string_view("/") : path);
    if (question != std::string_view::npos)
        out.query.assign(rest.substr(question + 1));
    return out;
}

std::optional<std::string_view> QueryParam(std::string_view query, std::string_view name)
{
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        if (pair.substr(0, name.size()) == name) {
            if (pair.size() == name.size())
                return std::string_view();
            if (pair[name.size()] == '=')
                return pair.substr(name.size() + 1);
        }
        if (amp == std::string_view::npos)
            break;
        query.remove_prefix(amp + 1);
    }
    return std::nullopt;
}

std::string_view ReasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 304: return "Not Modified";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 410: return "Gone";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    default: return "Status";
    }
}

std::string SerializeHead(const HttpResponse &response, std::size_t contentLength)
{
    std::string out;
    out.reserve(256);
    out += "HTTP/1.0 ";
    out += std::to_string(response.status);
    out += ' ';
    out += ReasonPhrase(response.status);
    out += "\r\nServer: nk-boardserver\r\nContent-Type: ";
    out += response.contentType;
    out += "\r\n";
    for (const std::string &line : response.headerLines) {
        out += line;
        out += "\r\n";
    }
    out += "Content-Length: ";
    out += std::to_string(contentLength);
    out += "\r\n\r\n";
    return out;
}

} // namespace boardserver
