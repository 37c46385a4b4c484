// Runs nk-boardserver as a child process for tests and benchmarks, and talks to it over loopback.
//
// Use from any test folder: link the target nk_boardserver_testing (it also makes the build
// produce nk-boardserver first), then
//
//     #include "boardserver/testing/serverprocess.h"
//
//     boardserver::testing::ServerProcess server;          // a fresh temporary data directory
//     ASSERT_TRUE(server.start({"--topics", "5"}));        // adds --port 0 --data <dir>
//     // The program under test reaches it as its proxy: host 127.0.0.1, port server.port(),
//     // with the default endpoint hosts (messages.yahoo.co.jp and the rest).
//     auto reply = boardserver::testing::HttpGet(server.port(),
//         "http://messages.yahoo.co.jp/index.html");       // a direct request, if needed
//     server.restart();                                    // same arguments, same data
//     // The destructor stops the server and removes the data directory.
//
// Faults can be set at start ({"--fault", "delay=500@*mid=3*"}) or while it runs:
// server.addFault("status=503#2"), server.clearFaults(). The server path defaults to the one
// this library was built with; the environment variable NK_BOARDSERVER overrides it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace boardserver::testing {

/// One raw HTTP exchange's result.
struct HttpReply {
    bool ok = false;    ///< connected, sent, and the server closed within the time-out
    std::string raw;    ///< every byte received
    int status = 0;     ///< from the status line; 0 when there is none
    std::string head;   ///< up to the blank line (without it)
    std::string body;   ///< after the blank line
    /// Every value of the header lines called name (case-sensitive, as the program reads them).
    std::vector<std::string> headerValues(const std::string &name) const;
};

/// Sends request bytes to 127.0.0.1:port and reads until the server closes or timeoutMs passes.
HttpReply HttpExchange(int port, const std::string &request, int timeoutMs = 10000);

/// A GET in the program's form: "GET <url> HTTP/1.0", User-Agent, and a Cookie line when
/// cookies are given (each as the program keeps it, e.g. "Y=v=1&n=...;").
HttpReply HttpGet(int port, const std::string &url, const std::vector<std::string> &cookies = {},
                  int timeoutMs = 10000);

/// The cookie texts of a login reply, as the program keeps them (each up to its first blank).
std::vector<std::string> CookiesOf(const HttpReply &reply);

class ServerProcess {
public:
    /// executable empty: NK_BOARDSERVER from the environment, else the built nk-boardserver.
    explicit ServerProcess(std::string executable = {});
    ~ServerProcess();
    ServerProcess(const ServerProcess &) = delete;
    ServerProcess &operator=(const ServerProcess &) = delete;

    /// Starts the server with extra arguments (a --data option here replaces the temporary
    /// directory) and waits up to timeoutMs for its port. False (and the reason) on failure.
    bool start(const std::vector<std::string> &arguments = {}, std::string *error = nullptr, int timeoutMs = 20000);
    /// Stops it (SIGTERM, then SIGKILL after a few seconds). Safe to call twice.
    void stop();
    /// Stops and starts again with the same arguments and data directory.
    bool restart(std::string *error = nullptr);

    bool running() const { return m_pid > 0; }
    int port() const { return m_port; }
    pid_t pid() const { return m_pid; }
    const std::string &dataDir() const { return m_dataDir; }
    /// Keeps the data directory when this object goes (for a second server on the same data).
    void keepDataDir() { m_ownsDataDir = false; }

    /// Adds a fault rule at run time (MODE[=ARG][@PATTERN][#COUNT]); false when refused.
    bool addFault(const std::string &rule);
    bool clearFaults();
    /// A counter of /_nk/stats ("requests", "connections", "posts", "stored", ...), or -1.
    long long stat(const std::string &name);

    static std::string DefaultExecutable();

private:
    std::string m_executable;
    std::vector<std::string> m_arguments;
    std::string m_dataDir;
    bool m_ownsDataDir = false;
    pid_t m_pid = -1;
    int m_port = 0;
};

} // namespace boardserver::testing
