// The default skin: the build's rule for it names exactly the files written, and a skin that
// cannot be written is reported in Japanese.
#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>

#include "base/textfile.h"
#include "pagetesting.h"
#include "view/render.h"
#include "view/skin.h"

using namespace pagetest;

namespace {

std::vector<std::string> sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

class DefaultSkin : public TempDir {};

} // namespace

TEST(DefaultSkinRule, DeclaresExactlyTheFilesTheWriterWrites)
{
    // A declared output that is never written runs the rule on every build and overwrites the
    // skin in the program directory each time.
    std::vector<std::string> declared;
    std::stringstream in(NK_DEFAULT_SKIN_NAMES);
    for (std::string name; std::getline(in, name, ',');)
        declared.push_back(name);
    std::vector<std::string> written;
    for (const auto &[name, content] : view::DefaultSkinFiles("http://profiles.example.jp/"))
        written.push_back(name);
    EXPECT_EQ(sorted(declared), sorted(written));
}

TEST_F(DefaultSkin, ASkinThatCannotBeWrittenIsReportedInJapaneseWithItsFolder)
{
    // The program directory lies under a plain file: no folder can be made there, whoever runs.
    ASSERT_TRUE(base::WriteFileAtomic(m_dir + "/file", "x"));
    view::RenderSettings s;
    s.skinDir = m_dir + "/missing";
    s.programDir = m_dir + "/file/program/";
    store::TopicState tab;
    view::RenderedPage page = view::RenderTopicPage(tab, tab.lines, s);
    EXPECT_FALSE(page.ok);
    // "デフォルトのスキンを書き込めませんでした。" and the folder on the next line.
    EXPECT_EQ(page.error, std::string(view::kSkinWriteFailedText) + "\n" + view::ProgramSkinDir(s.programDir));
    EXPECT_EQ(page.error.rfind("\x83\x66\x83\x74\x83\x48\x83\x8b\x83\x67", 0), 0u) << "begins with デフォルト";
}
