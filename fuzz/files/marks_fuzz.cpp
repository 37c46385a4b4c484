// "mark.ini" as the read marks read it, and a jump to each mark in a topic's log. Marking a new
// number and unmarking it again gives back the marks the file held.
#include "base/textfile.h"
#include "fuzz/files/filefuzz.h"
#include "store/marks.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto parts = filefuzz::SplitInput(data, size, 2);
    const std::string path = filefuzz::ScratchDir() + store::kMarkFileName;
    filefuzz::PutFile(path, parts[0]);
    const base::Lines lines = base::SplitLines(parts[1].value_or(std::string_view{}));

    auto ids =
        store::MarkIdsOf("http://messages.yahoo.co.jp/bbs?action=m&board=1834578&sid=1834578&tid=bfa1a4d3&mid=1");
    Require(ids.has_value());
    store::MarkFile file(path);
    const std::vector<std::string> before = file.marks(*ids);
    for (const auto &mark : before) {
        Require(!mark.empty());
        if (auto jump = store::JumpToMark(lines, mark, 0, 100))
            Require(jump->viewStart >= 0 && jump->viewStart < static_cast<long long>(lines.size()) + 1);
        if (auto jump = store::JumpToMark(lines, mark, static_cast<int>(lines.size()), 7))
            Require(jump->viewStart >= 0);
    }

    int number = 1;
    while (std::find(before.begin(), before.end(), std::to_string(number)) != before.end())
        ++number;
    Require(file.toggle(*ids, number));
    std::vector<std::string> marked = before;
    marked.push_back(std::to_string(number));
    Require(file.marks(*ids) == marked);
    Require(file.hasMarks(*ids));
    Require(file.toggle(*ids, number));
    Require(file.marks(*ids) == before);
    Require(file.clear(*ids));
    Require(file.value(*ids).empty());
    return 0;
}
