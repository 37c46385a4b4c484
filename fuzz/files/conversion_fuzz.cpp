// The conversion's input files: the topic log and the skin's four templates, with the three
// numbers as typed. The run ends finished or at a line it cannot read, and writes only below
// the output directory.
#include "base/textfile.h"
#include "convert/conversion.h"
#include "fuzz/files/filefuzz.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const char *const kFiles[] = {"Header.html", "Res.html", "Res2.html", "Footer.html"};
    const auto parts = filefuzz::SplitInput(data, size, 6);
    const std::string &program = filefuzz::ScratchDir();
    const std::string skin = program + "convskin/";
    const std::string out = program + "out/";
    filefuzz::MakeDir(skin);
    filefuzz::MakeDir(out);
    filefuzz::EmptyDir(out);
    const std::string dat = program + "conv.dat";
    filefuzz::PutFile(dat, parts[0].value_or(std::string_view{}));
    for (std::size_t i = 0; i < 4; ++i)
        filefuzz::PutFile(skin + kFiles[i], parts[i + 1]);

    const base::Lines numbers = base::SplitLines(parts[5].value_or(std::string_view{}));
    convert::ConversionInput input;
    input.datPath = dat;
    input.htmlPath = out + "page.html";
    input.skinDir = skin;
    input.start = numbers.size() > 0 ? numbers[0] : "";
    input.end = numbers.size() > 1 ? numbers[1] : "";
    input.perFile = numbers.size() > 2 ? numbers[2] : "";
    input.overwrite = (size & 1) != 0;

    const convert::DatInfo info = convert::ReadDatInfo(dat);
    const convert::Environment env{program, "http://profiles.yahoo.co.jp/"};
    convert::Prepared prepared = convert::Prepare(input, env);
    if (prepared.failure == convert::Prepared::Failure::Invalid) {
        Require(prepared.validation == convert::Validation::BelowOne);
        return 0;
    }
    Require(prepared.failure == convert::Prepared::Failure::None);
    Require(prepared.lines.size() == info.count);
    Require(prepared.bounds.start >= 1);

    // Many tiny files would make a run write thousands of them; a handful shows the same.
    convert::Bounds bounds = prepared.bounds;
    const std::size_t n = prepared.lines.size();
    if (bounds.perFile != 0 && n / bounds.perFile > 8)
        bounds.perFile = n / 8 + 1;
    convert::Converter converter(std::move(prepared.lines), std::move(prepared.templates), bounds,
                                 convert::SplitOutputPath(input.htmlPath), input.overwrite);
    const convert::RunStatus status = converter.run();
    Require(status == convert::RunStatus::Finished || status == convert::RunStatus::ReadError);
    Require(converter.position() <= converter.lineCount());
    Require(converter.written().size() <= 10);
    for (const std::string &file : converter.written()) {
        Require(file.compare(0, out.size(), out) == 0);
        Require(base::FileExists(file));
    }
    return 0;
}
