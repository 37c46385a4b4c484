// A topic log and its number index as opening a topic locally reads them, rendered with the
// default skin. No stored text reaches the page as a script.
#include "fuzz/files/filefuzz.h"
#include "settings/nglists.h"
#include "store/topicopen.h"
#include "view/render.h"
#include "view/skin.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>

namespace {

constexpr char kBase[] = "http://messages.yahoo.co.jp/";
constexpr char kKey[] = "http://messages.yahoo.co.jp/bbs?action=m&board=1834578&sid=1834578&tid=bfa1a4d3&mid=1";

class Host final : public store::TopicHost {
public:
    explicit Host(std::string dir) : m_dir(std::move(dir)) {}
    bool enqueueMessage(const std::string &, const std::string &) override { return false; }
    std::optional<std::string> resolveBoardDir(const std::string &) override { return m_dir; }

private:
    std::string m_dir;
};

struct Setup {
    std::string program;
    std::string board;
    std::string skin;
    settings::NgLists ng;
};

const Setup &Prepared()
{
    static const Setup setup = [] {
        Setup s;
        s.program = filefuzz::ScratchDir();
        s.board = s.program + "board";
        s.skin = s.program + "skin";
        filefuzz::MakeDir(s.board);
        Require(view::WriteDefaultSkin(s.skin, "http://profiles.yahoo.co.jp/"));
        s.ng.names.add("\x97\x72\x82\xe7\x82\xb5"); // 荒らし
        s.ng.words.add("spam");
        return s;
    }();
    return setup;
}

bool HasScript(const std::string &html)
{
    std::string lower(html);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find("<script") != std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const Setup &setup = Prepared();
    const auto parts = filefuzz::SplitInput(data, size, 3);
    const std::string log = setup.board + "/bfa1a4d3.dat";
    filefuzz::PutFile(log, parts[0]);
    filefuzz::PutFile(store::NumberIndexPath(log), parts[1]);
    // The message to show: the end of the log, or a number the input names.
    int target = -1;
    if (parts[2] && !parts[2]->empty())
        target = static_cast<unsigned char>(parts[2]->front());

    Host host(setup.board);
    auto opening = store::OpenTopicLocal(kKey, kBase, host);
    Require(opening.has_value() && opening->stored.log.has_value());
    const std::size_t n = opening->stored.log->size();
    store::TopicState tab;
    const int msgview = 5 + static_cast<int>(size % 7);
    store::BeginLocalView(tab, std::move(*opening), 33, target, msgview, host);
    Require(tab.lines.size() == n);
    Require(tab.viewStart >= 0 && (tab.viewStart < static_cast<int>(n) || tab.viewStart == 0));

    const view::RenderSettings rs{setup.skin, setup.program,  "http://profiles.yahoo.co.jp/", kBase, msgview,
                                  &setup.ng,  (size & 1) != 0};
    const view::RenderedPage page = view::RenderTopicPage(tab, tab.lines, rs);
    Require(page.ok && !page.skinDirChanged && !page.html.empty());
    Require(!HasScript(page.html));
    return 0;
}
