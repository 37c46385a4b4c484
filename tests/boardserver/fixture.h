// Shared pieces of the board server tests: a temporary data directory, a service over it, and
// requests handed to the service the way the server hands them.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "boardserver/corpus.h"
#include "boardserver/dataset.h"
#include "boardserver/http.h"
#include "boardserver/poststore.h"
#include "boardserver/service.h"

namespace bstest {

/// A directory under /tmp, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/nk-bstest-XXXXXX";
        if (::mkdtemp(pattern))
            m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return m_path; }

private:
    std::string m_path;
};

/// Small sample data that still has every feature: three levels, single-form boards, a huge
/// topic, deleted messages.
inline boardserver::DatasetOptions SmallData()
{
    boardserver::DatasetOptions o;
    o.seed = 7;
    o.categories = 3;
    o.depth = 3;
    o.subcategories = 3;
    o.boards = 3;
    o.topics = 6;
    o.messages = 14;
    o.hugeTopics = 1;
    o.hugeMessages = 400;
    o.deletedPermille = 40;
    return o;
}

/// The minute every post of a test is stamped with: 2007/06/05 04:03.
inline constexpr std::int64_t kPostMinute = 13669LL * 1440 + 4 * 60 + 3;

/// Data, store and service over a temporary directory; reopen() is a restart.
struct Board {
    explicit Board(const boardserver::DatasetOptions &options = SmallData()) : data(options) { reopen(); }

    void reopen()
    {
        service.reset();
        store = std::make_unique<boardserver::PostStore>();
        std::string error;
        opened = store->open(dir.path(), data.options().fingerprint(), &error);
        boardserver::ServiceOptions o;
        o.accounts = {boardserver::DemoAccount(), boardserver::Account{"amp&user", "p&ss:w", {"solo"}}};
        o.sessionSeed = 99;
        o.clock = [] { return kPostMinute; };
        o.markupSeed = markupSeed;
        service = std::make_unique<boardserver::BoardService>(data, *store, o);
    }

    /// A GET as the program sends it: absolute URL, the cookie texts on one Cookie line.
    boardserver::HttpResponse get(const std::string &url, const std::vector<std::string> &cookies = {}) const
    {
        boardserver::HttpRequest request;
        request.method = "GET";
        request.target = url;
        request.version = "HTTP/1.0";
        request.headers.emplace_back("User-Agent", "Nekomado");
        if (!cookies.empty()) {
            std::string line;
            for (const std::string &c : cookies)
                line += (line.empty() ? "" : " ") + c;
            request.headers.emplace_back("Cookie", line);
        }
        const auto target = boardserver::ParseRequestTarget(url);
        EXPECT_TRUE(target.has_value()) << url;
        if (!target)
            return {};
        return service->handle(request, *target);
    }

    /// Logs the demo account in and returns its cookie texts as the program keeps them.
    std::vector<std::string> login() const
    {
        const auto r = get("http://login.yahoo.co.jp/config/login?login=nekodemo&passwd=nekopass");
        std::vector<std::string> cookies;
        for (const std::string &line : r.headerLines)
            if (line.rfind("Set-Cookie: ", 0) == 0)
                cookies.push_back(line.substr(12, line.find(' ', 12) - 12));
        return cookies;
    }

    static std::string location(const boardserver::HttpResponse &r)
    {
        for (const std::string &line : r.headerLines)
            if (line.rfind("Location: ", 0) == 0)
                return line.substr(10);
        return {};
    }

    /// Set before reopen(): the service varies its pages' markup with this seed.
    std::optional<std::uint64_t> markupSeed;
    TempDir dir;
    boardserver::Dataset data;
    std::unique_ptr<boardserver::PostStore> store;
    std::unique_ptr<boardserver::BoardService> service;
    bool opened = false;
};

/// Shift_JIS of a UTF-8 literal through the C library's CP932 table (independent of the server).
std::string Sjis(const std::string &utf8);

} // namespace bstest
