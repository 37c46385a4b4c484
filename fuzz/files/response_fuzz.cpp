// A received response as the exchange assembles it from chunks and reads its header: the same
// bytes give the same header, body and notices however they are cut into chunks.
#include "fuzz/files/filefuzz.h"
#include "net/http.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

class Events final : public net::ExchangeEvents {
public:
    int notify(net::NoticeCode code, const void *payload) override
    {
        std::string entry = std::to_string(static_cast<int>(code)) + ":";
        if (code == net::NoticeCode::LoginStatus) {
            Require(payload != nullptr);
            entry += static_cast<const char *>(payload);
        } else if (code == net::NoticeCode::PostAnswered) {
            const auto *answer = static_cast<const net::PageResult *>(payload);
            filefuzz::RequireEnds(answer->url);
            filefuzz::RequireEnds(answer->key);
            if (answer->result)
                entry += static_cast<const char *>(answer->result);
        }
        log.push_back(std::move(entry));
        return 0;
    }
    void pause(std::chrono::milliseconds duration) override
    {
        log.push_back("pause " + std::to_string(duration.count()));
    }
    std::vector<std::string> log;
};

struct Outcome {
    net::Response response;
    std::vector<std::string> notices;
    std::optional<std::size_t> announced;
    bool complete = false;
};

Outcome Receive(const FetchRequest &request, const net::ExchangeSettings &settings, std::string_view bytes,
                const std::vector<std::size_t> &cuts)
{
    Events events;
    net::ResponseReader reader(request, settings, events);
    std::size_t at = 0;
    for (std::size_t cut : cuts) {
        const std::size_t n = std::min(cut, bytes.size() - at);
        Require(reader.feed(bytes.substr(at, n)));
        at += n;
    }
    Require(reader.feed(bytes.substr(at)));
    Require(reader.totalReceived() == bytes.size());
    Outcome outcome;
    outcome.announced = reader.announcedLength();
    outcome.complete = net::ResponseIsComplete(request.kind, reader);
    outcome.response = reader.take();
    outcome.notices = std::move(events.log);
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    // The first byte picks the request's kind and how the bytes are cut; the rest is what the
    // server sent.
    const std::uint8_t control = data[0];
    const std::string_view bytes(reinterpret_cast<const char *>(data + 1), size - 1);

    FetchRequest request{};
    std::strcpy(request.url, "http://messages.yahoo.co.jp/bbs?action=m&board=1834578&sid=1834578&tid=bfa1a4d3&mid=1");
    std::strcpy(request.key, "key");
    request.kind = 1 + control % 7;
    net::ExchangeSettings settings;
    settings.verifyUrl = "http://login.yahoo.co.jp/config/verify";
    settings.posttimeout = 0;

    std::vector<std::size_t> whole;
    std::vector<std::size_t> cuts;
    std::uint32_t state = control * 2654435761u + static_cast<std::uint32_t>(size);
    for (std::size_t total = 0; total < bytes.size();) {
        state = state * 1103515245u + 12345u;
        const std::size_t n = 1 + (state >> 16) % ((control & 0x80) ? 3 : 40);
        cuts.push_back(n);
        total += n;
    }
    const Outcome one = Receive(request, settings, bytes, whole);
    const Outcome many = Receive(request, settings, bytes, cuts);
    Require(one.response.header == many.response.header);
    Require(one.response.body == many.response.body);
    Require(one.notices == many.notices);
    Require(one.announced == many.announced && one.complete == many.complete);
    Require(one.response.header.size() <= net::kMaxHeaderText);

    // The header alone, as the reader hands it on.
    Events events;
    const net::ResponseHeader header =
        net::ParseResponseHeader(std::string_view(one.response.header.c_str()), request, settings, events);
    Require(header.status >= -1 && header.status <= 999);
    if (one.response.body)
        Require(events.log == one.notices);
    return 0;
}
