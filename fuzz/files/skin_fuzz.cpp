// A skin directory's six templates as every render reads them, filled with a topic's lines. A
// skin that lacks a template falls back to the program's default skin.
#include "base/textfile.h"
#include "fuzz/files/filefuzz.h"
#include "store/threadlog.h"
#include "view/render.h"
#include "view/skin.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const char *const kFiles[] = {view::kHeaderFile, view::kResFile,     view::kNewResFile,
                                         view::kRes2File,   view::kNewRes2File, view::kFooterFile};
    const auto parts = filefuzz::SplitInput(data, size, 7);
    const std::string &program = filefuzz::ScratchDir();
    const std::string skin = program + "chosen/";
    filefuzz::MakeDir(skin);
    for (std::size_t i = 0; i < 6; ++i)
        filefuzz::PutFile(skin + kFiles[i], parts[i]);

    store::TopicState tab;
    tab.topicUrl = "http://messages.yahoo.co.jp/bbs?action=m&board=1834578&sid=1834578&tid=bfa1a4d3&mid=1";
    tab.lines = base::SplitLines(parts[6].value_or(std::string_view{}));
    tab.postCount = static_cast<int>(tab.lines.size());
    // Every other line is new, so that both kinds of template are used.
    for (std::size_t i = 0; i < tab.lines.size(); i += 2)
        tab.newNumbers.emplace_back(store::LogLineNumberText(tab.lines[i]));
    tab.scrollTarget = 1;

    const bool complete = parts[0] && parts[1] && parts[2] && parts[5];
    const view::RenderSettings rs{
        skin, program, "http://profiles.yahoo.co.jp/", "http://messages.yahoo.co.jp/", 50, nullptr, (size & 1) != 0};
    const view::RenderedPage page = view::RenderTopicPage(tab, tab.lines, rs);
    Require(page.ok);
    Require(page.skinDirChanged == !complete);
    Require(page.skinDir == (complete ? skin : view::ProgramSkinDir(program)) || !page.skinDirChanged);
    return 0;
}
