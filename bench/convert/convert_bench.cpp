// The log conversion of a 10,000-message log into files of 1,000 messages with the default skin,
// against a plain copy of the same work run in the same process: reading the log and writing the
// same output bytes into the same number of files, atomically. Prints the median times and their
// ratio; --smoke runs once with a smaller log.
#include "base/textfile.h"
#include "convert/conversion.h"
#include "view/skin.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MedianMillis(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A message text like the board's: Japanese sentences, breaks, entities, references and links.
std::string BodyFor(std::mt19937 &random, int number)
{
    static const char *kPieces[] = {// 日本語の文章です。
                                    "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x95\xb6\x8f\xcd\x82\xc5\x82\xb7\x81\x42",
                                    "<br>",
                                    "&lt;tag&gt; &amp; &quot;q&quot;",
                                    "abc def ghi ",
                                    "<br><br>",
                                    "<a href=\"http://example.com/page?a=1\">http://example.com/page?a=1</a>"};
    std::string body;
    if (number > 1)
        body += (random() % 2 ? ">>" : "&gt;&gt;") + std::to_string(1 + random() % number) + "<br>";
    const std::size_t target = 20 + random() % 380 + (random() % 20 == 0 ? 1500 : 0);
    while (body.size() < target)
        body += kPieces[random() % 6];
    return body;
}

std::string MakeLog(int messages)
{
    std::mt19937 random(7);
    std::string log;
    for (int n = 1; n <= messages; ++n) {
        const int replyTo = n > 1 ? static_cast<int>(random() % static_cast<unsigned>(n)) : 0;
        log += std::to_string(n) + "\t" + std::to_string(replyTo) + "\t2004/05/06 07:08\tauthor_" +
               std::to_string(n % 97) + "\tRe: \x98\x62\x91\xe8 " + std::to_string(n) + "\t" + BodyFor(random, n) +
               "\r\n";
    }
    return log;
}

} // namespace

int main(int argc, char **argv)
{
    const bool smoke = argc > 1 && std::strcmp(argv[1], "--smoke") == 0;
    const int messages = smoke ? 1000 : 10000;
    const int perFile = smoke ? 100 : 1000;
    const int runs = smoke ? 1 : 7;

    std::string tmpl = (std::filesystem::temp_directory_path() / "nk-convert-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = tmpl + "/";
    std::filesystem::create_directories(dir + "out");
    std::filesystem::create_directories(dir + "copy");
    if (!view::WriteDefaultSkin(dir + "skin", "http://profiles.yahoo.co.jp/")) {
        std::fprintf(stderr, "cannot write the skin\n");
        return 1;
    }
    const std::string log = MakeLog(messages);
    if (!base::WriteFileAtomic(dir + "topic.dat", log)) {
        std::fprintf(stderr, "cannot write the log\n");
        return 1;
    }

    convert::ConversionInput input;
    input.datPath = dir + "topic.dat";
    input.htmlPath = dir + "out/topic.html";
    input.skinDir = dir + "skin";
    input.perFile = std::to_string(perFile);
    input.overwrite = true; // every run replaces the same files
    std::size_t files = 0;
    bool ok = true;
    const double convertMs = MedianMillis(runs, [&] {
        convert::Prepared prepared = convert::Prepare(input, {dir, "http://profiles.yahoo.co.jp/"});
        convert::Converter converter(std::move(prepared.lines), std::move(prepared.templates), prepared.bounds,
                                     convert::SplitOutputPath(input.htmlPath), input.overwrite);
        ok = ok && converter.run() == convert::RunStatus::Finished;
        files = converter.written().size();
    });

    // The reference: read the same log and write the bytes the conversion wrote, file by file.
    std::vector<std::string> outputs;
    std::size_t outputBytes = 0;
    for (std::size_t k = 1; k <= files; ++k) {
        outputs.push_back(base::ReadFile(dir + "out/topic" + std::to_string(k) + ".html").value_or(""));
        outputBytes += outputs.back().size();
    }
    const double copyMs = MedianMillis(runs, [&] {
        const std::optional<base::Lines> lines = base::ReadLines(dir + "topic.dat");
        ok = ok && lines && lines->size() == static_cast<std::size_t>(messages);
        for (std::size_t k = 0; k < outputs.size(); ++k)
            ok = base::WriteFileAtomic(dir + "copy/topic" + std::to_string(k + 1) + ".html", outputs[k]) && ok;
    });
    std::filesystem::remove_all(dir);

    std::printf("conversion of %d messages (%.1f MB log) into %zu files of %d (%.1f MB): %.1f ms (median of %d)\n",
                messages, log.size() / 1e6, files, perFile, outputBytes / 1e6, convertMs, runs);
    std::printf("reading the log and writing the same bytes:                          %.1f ms\n", copyMs);
    std::printf("ratio: %.2f; goal: under 500 ms\n", convertMs / copyMs);
    if (!ok || files != static_cast<std::size_t>(messages / perFile)) {
        std::fprintf(stderr, "the conversion did not write what it should\n");
        return 1;
    }
    return 0;
}
