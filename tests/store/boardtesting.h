// Helpers of the board store tests: a scratch program directory, files written as they are,
// topic records, and Shift_JIS test texts converted by iconv, independently of the code tested.
#pragma once

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iconv.h>
#include <string>
#include <string_view>
#include <vector>

#include "plugin_api/records.h"
#include "store/boardfields.h"

namespace boardtest {

/// A directory of its own under the system's temporary directory, removed with its content.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "nk-boards-XXXXXX").string();
        char *made = ::mkdtemp(pattern.data());
        EXPECT_NE(made, nullptr) << "mkdtemp failed";
        m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return m_path; }
    std::string operator/(std::string_view name) const { return m_path + "/" + std::string(name); }

private:
    std::string m_path;
};

inline void writeFile(const std::string &path, std::string_view bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// lines joined with CR LF after each, as the program's files are written.
inline std::string crlf(const std::vector<std::string> &lines)
{
    std::string out;
    for (const auto &line : lines)
        out += line + "\r\n";
    return out;
}

/// The Shift_JIS (CP932) bytes of a UTF-8 text, by iconv.
inline std::string sjis(std::string_view utf8)
{
    iconv_t cd = ::iconv_open("CP932", "UTF-8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string in(utf8);
    std::string out(in.size() * 2 + 4, '\0');
    char *src = in.data();
    char *dst = out.data();
    std::size_t srcLeft = in.size(), dstLeft = out.size();
    std::size_t done = ::iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    EXPECT_NE(done, static_cast<std::size_t>(-1)) << "not convertible: " << utf8;
    ::iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

inline TopicRecord topicRecord(std::string_view id, std::string_view title, int posts, std::string_view url,
                               std::string_view date = "2004/01/02", std::string_view time = "03:04")
{
    TopicRecord record{};
    store::SetFieldText(record.topicId, id);
    store::SetFieldText(record.title, title);
    store::SetFieldText(record.topicUrl, url);
    store::SetFieldText(record.date, date);
    store::SetFieldText(record.time, time);
    record.postCount = posts;
    return record;
}

/// n log lines in the topic log format: number, reply, date, author, title, text.
inline std::string logLines(int n, std::string_view title = "T", std::string_view firstDate = "2003/05/06 07:08")
{
    std::string out;
    for (int i = 1; i <= n; ++i) {
        out += std::to_string(i) + "\t0\t" + (i == 1 ? std::string(firstDate) : std::string("2003/05/07 00:00")) +
               "\tname\t" + std::string(title) + "\ttext " + std::to_string(i) + "\r\n";
    }
    return out;
}

} // namespace boardtest
