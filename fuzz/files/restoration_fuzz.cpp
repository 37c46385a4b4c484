// "restoration.txt" as the start-up reads it, with the board list file and the topic log with its
// number index that its entries lead to. Every tab it reopens shows a view start inside its log.
#include "base/textfile.h"
#include "fuzz/files/filefuzz.h"
#include "store/boarddir.h"
#include "store/restoration.h"
#include "store/safename.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr int kMsgview = 10;

class Host final : public store::RestorationHost {
public:
    explicit Host(std::string dir) : m_dir(std::move(dir)) {}
    std::optional<std::string> resolveBoardDir(const std::string &) override { return m_dir; }
    void openFavoritesTab() override { ++opened; }
    void openTopicList(store::RestoredList list) override
    {
        Require(list.boardDir == m_dir);
        for (const TopicRecord &record : list.records) {
            filefuzz::RequireEnds(record.topicId);
            filefuzz::RequireEnds(record.title);
        }
        ++opened;
    }
    void openTopic(store::RestoredTopic topic) override
    {
        Require(topic.stored.log.has_value());
        const int n = static_cast<int>(topic.stored.log->size());
        Require(topic.viewStart >= 0 && (topic.viewStart < n || topic.viewStart == 0));
        store::TopicState tab;
        store::ApplyRestoredTopic(tab, std::move(topic));
        Require(static_cast<int>(tab.lines.size()) == n);
        ++opened;
    }
    int opened = 0;

private:
    std::string m_dir;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto parts = filefuzz::SplitInput(data, size, 4);
    const std::string dir = filefuzz::ScratchDir() + "board";
    static bool made = false;
    if (!made) {
        filefuzz::MakeDir(dir);
        made = true;
    }
    filefuzz::EmptyDir(dir + "/");
    const base::Lines lines = base::SplitLines(parts[0].value_or(std::string_view{}));
    filefuzz::PutFile(store::BoardListFilePath(dir), parts[1]);
    // The log and index of the first topic entry whose id may name a file.
    for (const auto &entry : store::ParseRestorationLines(lines)) {
        if (entry.kind != store::RestorationEntry::Kind::Topic)
            continue;
        if (auto log = store::TopicLogPath(dir, entry.topic)) {
            filefuzz::PutFile(*log, parts[2]);
            filefuzz::PutFile(store::NumberIndexPath(*log), parts[3]);
            break;
        }
    }
    Host host(dir);
    const int opened = store::RestoreOpenTabs(lines, "http://messages.yahoo.co.jp/", kMsgview, host);
    Require(opened == host.opened && opened <= static_cast<int>(lines.size()));
    return 0;
}
