// Test helpers for page building: log lines, a tab and a temporary directory.
#pragma once

#include <filesystem>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string>

#include "store/topicstate.h"

namespace pagetest {

inline constexpr const char kBase[] = "http://messages.example.jp/";
inline constexpr const char kTopicUrl[] = "http://messages.example.jp/bbs?action=m&board=b1&sid=b1&tid=t9&mid=1";
inline constexpr const char kLinkBase[] = "http://messages.example.jp/bbs?action=m&board=b1&sid=b1&tid=t9&mid=";

inline std::string Line(int number, const std::string &reply = "0", const std::string &author = "name",
                        const std::string &title = "title", const std::string &body = "body")
{
    return std::to_string(number) + "\t" + reply + "\t2004/01/02 03:04\t" + author + "\t" + title + "\t" + body;
}

inline std::vector<std::string> Lines(int first, int last)
{
    std::vector<std::string> lines;
    for (int n = first; n <= last; ++n)
        lines.push_back(Line(n, std::to_string(n - 1), "a" + std::to_string(n), "t" + std::to_string(n),
                             "text " + std::to_string(n)));
    return lines;
}

inline store::TopicState Tab(std::vector<std::string> lines = {}, int viewStart = 0)
{
    store::TopicState tab;
    tab.topicUrl = kTopicUrl;
    tab.postCount = 250;
    tab.lines = std::move(lines);
    tab.viewStart = viewStart;
    return tab;
}

/// Occurrences of part in text.
inline int Count(const std::string &text, const std::string &part)
{
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++n;
    return n;
}

class TempDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "nk-pages-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        m_dir = tmpl;
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string m_dir;
};

} // namespace pagetest
