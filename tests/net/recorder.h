// An ExchangeEvents that records what an exchange reports, for tests without a pipeline.
#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "net/http.h"

namespace nettest {

struct RecordedNotice {
    net::NoticeCode code;
    std::string text;                    ///< notice 10
    std::optional<std::string> location; ///< notice 14
    std::string url;                     ///< notice 14
    std::string key;                     ///< notice 14
    std::chrono::steady_clock::time_point at;
};

class EventRecorder final : public net::ExchangeEvents {
public:
    /// sleep: whether pause really waits.
    explicit EventRecorder(bool sleep = false) : m_sleep(sleep) {}

    int notify(net::NoticeCode code, const void *payload) override
    {
        RecordedNotice n{code, {}, {}, {}, {}, std::chrono::steady_clock::now()};
        if (code == net::NoticeCode::LoginStatus)
            n.text = static_cast<const char *>(payload);
        if (code == net::NoticeCode::PostAnswered) {
            auto *page = static_cast<const net::PageResult *>(payload);
            if (page->result)
                n.location = static_cast<const char *>(page->result);
            n.url = page->url;
            n.key = page->key;
        }
        std::lock_guard lock(m_lock);
        m_notices.push_back(n);
        return 0;
    }

    void pause(std::chrono::milliseconds duration) override
    {
        {
            std::lock_guard lock(m_lock);
            m_pauses.push_back(duration);
        }
        if (m_sleep)
            std::this_thread::sleep_for(duration);
    }

    std::vector<RecordedNotice> notices() const
    {
        std::lock_guard lock(m_lock);
        return m_notices;
    }
    std::vector<std::string> loginTexts() const
    {
        std::vector<std::string> texts;
        for (const auto &n : notices())
            if (n.code == net::NoticeCode::LoginStatus)
                texts.push_back(n.text);
        return texts;
    }
    std::vector<std::chrono::milliseconds> pauses() const
    {
        std::lock_guard lock(m_lock);
        return m_pauses;
    }

private:
    bool m_sleep;
    mutable std::mutex m_lock;
    std::vector<RecordedNotice> m_notices;
    std::vector<std::chrono::milliseconds> m_pauses;
};

/// A zero-filled request of kind with url.
inline FetchRequest MakeTestRequest(int kind, std::string_view url, std::string_view key = {})
{
    FetchRequest r{};
    url.copy(r.url, sizeof r.url - 1);
    key.copy(r.key, sizeof r.key - 1);
    r.kind = kind;
    return r;
}

} // namespace nettest
