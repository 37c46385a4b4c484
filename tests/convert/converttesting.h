// Helpers of the conversion tests: a scratch directory, the test data, and reading outputs.
#pragma once

#include "base/textfile.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace converttest {

inline std::string DataDir()
{
    return NK_TEST_DATA_DIR "/convert/";
}

/// A directory removed with the fixture; path ends with "/".
class ScratchDir {
public:
    ScratchDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "nk-convert-XXXXXX").string();
        if (::mkdtemp(tmpl.data()))
            path = tmpl + "/";
    }
    ~ScratchDir()
    {
        if (!path.empty())
            std::filesystem::remove_all(path);
    }
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    std::string path;
};

/// The names of the regular files directly in dir, sorted.
inline std::vector<std::string> FileNames(const std::string &dir)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(dir))
        if (entry.is_regular_file())
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string Read(const std::string &path)
{
    return base::ReadFile(path).value_or("<missing>");
}

/// How often needle occurs in text.
inline int Count(const std::string &text, const std::string &needle)
{
    int n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size()))
        ++n;
    return n;
}

/// A log of count messages numbered from first, each replying to the one before.
inline std::string MakeLog(int first, int count)
{
    std::string log;
    for (int i = 0; i < count; ++i) {
        const int number = first + i;
        log += std::to_string(number) + "\t" + std::to_string(i == 0 ? 0 : number - 1) +
               "\t2004/05/06 07:08\tname\ttitle " + std::to_string(number) + "\ttext &gt;&gt;" +
               std::to_string(number - 1) + "<br>more\r\n";
    }
    return log;
}

} // namespace converttest
