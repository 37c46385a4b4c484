// Runs nk-boardserver as a child process and talks to it over loopback.
#include "boardserver/testing/serverprocess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

namespace boardserver::testing {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

std::string PercentEncode(const std::string &text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.') {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

} // namespace

std::vector<std::string> HttpReply::headerValues(const std::string &name) const
{
    std::vector<std::string> values;
    std::size_t pos = head.find("\r\n");
    while (pos != std::string::npos) {
        pos += 2;
        const std::size_t end = head.find("\r\n", pos);
        const std::string line = head.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        if (line.size() > name.size() && line.compare(0, name.size(), name) == 0 && line[name.size()] == ':') {
            std::string value = line.substr(name.size() + 1);
            if (!value.empty() && value.front() == ' ')
                value.erase(0, 1);
            values.push_back(value);
        }
        pos = end;
    }
    return values;
}

HttpReply HttpExchange(int port, const std::string &request, int timeoutMs)
{
    HttpReply reply;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return reply;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return reply;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::size_t sent = 0;
    bool failed = false;
    while (sent < request.size() && !failed) {
        const ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, MillisecondsLeft(deadline)) <= 0)
                failed = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        failed = true;
    }
    bool closed = false;
    char buffer[65536];
    while (!closed) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            reply.raw.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n == 0) {
            closed = true;
            break;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            closed = true; // a reset also ends the answer
            break;
        }
        const int left = MillisecondsLeft(deadline);
        pollfd p{fd, POLLIN, 0};
        if (left == 0 || ::poll(&p, 1, left) <= 0)
            break;
    }
    ::close(fd);
    reply.ok = closed && !failed;
    const std::size_t blank = reply.raw.find("\r\n\r\n");
    reply.head = reply.raw.substr(0, blank);
    if (blank != std::string::npos)
        reply.body = reply.raw.substr(blank + 4);
    if (reply.raw.size() >= 12 && reply.raw.compare(0, 5, "HTTP/") == 0) {
        const std::size_t space = reply.raw.find(' ');
        if (space != std::string::npos && space + 4 <= reply.raw.size())
            reply.status = std::atoi(reply.raw.substr(space + 1, 3).c_str());
    }
    return reply;
}

HttpReply HttpGet(int port, const std::string &url, const std::vector<std::string> &cookies, int timeoutMs)
{
    std::string request = "GET " + url + " HTTP/1.0\r\nUser-Agent: Nekomado\r\n";
    if (!cookies.empty()) {
        request += "Cookie:";
        for (const std::string &cookie : cookies)
            request += " " + cookie;
        request += "\r\n";
    }
    request += "\r\n";
    return HttpExchange(port, request, timeoutMs);
}

std::vector<std::string> CookiesOf(const HttpReply &reply)
{
    std::vector<std::string> cookies;
    for (const std::string &value : reply.headerValues("Set-Cookie"))
        cookies.push_back(value.substr(0, value.find(' ')));
    return cookies;
}

ServerProcess::ServerProcess(std::string executable)
    : m_executable(executable.empty() ? DefaultExecutable() : std::move(executable))
{
}

ServerProcess::~ServerProcess()
{
    stop();
    if (m_ownsDataDir && !m_dataDir.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(m_dataDir, ec);
    }
}

std::string ServerProcess::DefaultExecutable()
{
    if (const char *env = std::getenv("NK_BOARDSERVER"); env && *env)
        return env;
    return NK_BOARDSERVER_PATH;
}

bool ServerProcess::start(const std::vector<std::string> &arguments, std::string *error, int timeoutMs)
{
    auto fail = [&](const std::string &why) {
        if (error)
            *error = why;
        return false;
    };
    stop();
    m_arguments = arguments;
    bool hasData = false, hasPort = false;
    for (const std::string &a : arguments) {
        hasData = hasData || a == "--data" || a.rfind("--data=", 0) == 0;
        hasPort = hasPort || a == "--port" || a.rfind("--port=", 0) == 0;
    }
    if (!hasData && m_dataDir.empty()) {
        const char *tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/nk-boardserver-test-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!::mkdtemp(buffer.data()))
            return fail("cannot create a temporary data directory");
        m_dataDir = buffer.data();
        m_ownsDataDir = true;
    }
    std::vector<std::string> argv{m_executable};
    if (!hasPort) {
        argv.push_back("--port");
        argv.push_back("0");
    }
    if (!hasData) {
        argv.push_back("--data");
        argv.push_back(m_dataDir);
    }
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char *> cargv;
    for (std::string &a : argv)
        cargv.push_back(a.data());
    cargv.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return fail("cannot create a pipe");
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return fail("cannot fork");
    }
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(126);
        ::execv(cargv[0], cargv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    m_pid = pid;

    std::string line;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    bool done = false;
    while (!done) {
        pollfd p{pipeFds[0], POLLIN, 0};
        const int left = MillisecondsLeft(deadline);
        if (left == 0 || ::poll(&p, 1, left) <= 0)
            break;
        char c;
        const ssize_t n = ::read(pipeFds[0], &c, 1);
        if (n <= 0)
            break;
        if (c == '\n')
            done = true;
        else
            line.push_back(c);
    }
    ::close(pipeFds[0]);
    const int port = done ? std::atoi(line.c_str()) : 0;
    if (port <= 0) {
        stop();
        return fail("nk-boardserver (" + m_executable + ") did not report its port");
    }
    m_port = port;
    return true;
}

void ServerProcess::stop()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid || (r < 0 && errno != EINTR))
            break;
        if (Clock::now() >= deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m_pid = -1;
    m_port = 0;
}

bool ServerProcess::restart(std::string *error)
{
    const std::vector<std::string> arguments = m_arguments;
    return start(arguments, error);
}

bool ServerProcess::addFault(const std::string &rule)
{
    return HttpGet(m_port, "/_nk/fault?add=" + PercentEncode(rule)).status == 200;
}

bool ServerProcess::clearFaults()
{
    return HttpGet(m_port, "/_nk/fault?clear=1").status == 200;
}

long long ServerProcess::stat(const std::string &name)
{
    const HttpReply reply = HttpGet(m_port, "/_nk/stats");
    const std::string key = name + "=";
    std::size_t pos = 0;
    while (pos < reply.body.size()) {
        const std::size_t end = reply.body.find('\n', pos);
        const std::string line = reply.body.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        if (line.compare(0, key.size(), key) == 0)
            return std::atoll(line.c_str() + key.size());
        if (end == std::string::npos)
            break;
        pos = end + 1;
    }
    return -1;
}

} // namespace boardserver::testing
