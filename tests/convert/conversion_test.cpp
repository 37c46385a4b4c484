// The conversion's checks, bounds, output names, log information, blocks and runs.
#include "convert/conversion.h"
#include "convert/converttexts.h"
#include "converttesting.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using namespace converttest;
using convert::RunStatus;
using convert::Validation;

// A run of log (written to the scratch directory) into out/topic.html with the test skin.
class RunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(scratch.path.empty());
        std::filesystem::create_directories(out());
    }

    std::string out() const { return scratch.path + "out/"; }

    convert::ConversionInput inputFor(const std::string &log)
    {
        EXPECT_TRUE(base::WriteFileAtomic(scratch.path + "log.dat", log));
        convert::ConversionInput input;
        input.datPath = scratch.path + "log.dat";
        input.htmlPath = out() + "topic.html";
        input.skinDir = DataDir() + "skin";
        return input;
    }

    std::unique_ptr<convert::Converter> converterFor(const convert::ConversionInput &input)
    {
        convert::Prepared prepared = convert::Prepare(input, {scratch.path, "http://profiles.example/"});
        EXPECT_EQ(prepared.failure, convert::Prepared::Failure::None);
        return std::make_unique<convert::Converter>(std::move(prepared.lines), std::move(prepared.templates),
                                                    prepared.bounds, convert::SplitOutputPath(input.htmlPath),
                                                    input.overwrite);
    }

    ScratchDir scratch;
};

TEST_F(RunTest, Log250Per100GivesFilesOf100And100And50)
{
    auto input = inputFor(MakeLog(1, 250));
    input.perFile = "100";
    auto converter = converterFor(input);
    ASSERT_EQ(converter->run(), RunStatus::Finished);
    ASSERT_EQ(FileNames(out()), (std::vector<std::string>{"topic1.html", "topic2.html", "topic3.html"}));
    EXPECT_EQ(Count(Read(out() + "topic1.html"), "<dt>"), 100);
    EXPECT_EQ(Count(Read(out() + "topic2.html"), "<dt>"), 100);
    EXPECT_EQ(Count(Read(out() + "topic3.html"), "<dt>"), 50);
    // Only the file filled while message 1 was read has the title line; every file is whole.
    EXPECT_EQ(Count(Read(out() + "topic1.html"), "<title>title 1</title>"), 1);
    for (const char *name : {"topic1.html", "topic2.html", "topic3.html"}) {
        EXPECT_TRUE(Read(out() + name).starts_with("<html><head>")) << name;
        EXPECT_TRUE(Read(out() + name).ends_with("</dl></body></html>\r\n")) << name;
    }
    EXPECT_EQ(Count(Read(out() + "topic2.html"), "<title>"), 0);
}

TEST_F(RunTest, Range101To150Of250GivesOneFileOf50)
{
    auto input = inputFor(MakeLog(1, 250));
    input.start = "101";
    input.end = "150";
    auto converter = converterFor(input);
    ASSERT_EQ(converter->run(), RunStatus::Finished);
    ASSERT_EQ(FileNames(out()), std::vector<std::string>{"topic1.html"});
    const std::string page = Read(out() + "topic1.html");
    EXPECT_EQ(Count(page, "<dt>"), 50);
    EXPECT_NE(page.find("name=\"Res101\""), std::string::npos);
    EXPECT_NE(page.find("name=\"Res150\""), std::string::npos);
    EXPECT_EQ(page.find("name=\"Res151\""), std::string::npos);
    EXPECT_NE(page.find("<title>title 1</title>"), std::string::npos);
}

TEST_F(RunTest, PerFileCountsOnlyMessagesInsideTheRange)
{
    auto input = inputFor(MakeLog(1, 30));
    input.start = "11";
    input.perFile = "15";
    auto converter = converterFor(input);
    ASSERT_EQ(converter->run(), RunStatus::Finished);
    ASSERT_EQ(FileNames(out()), (std::vector<std::string>{"topic1.html", "topic2.html"}));
    EXPECT_EQ(Count(Read(out() + "topic1.html"), "<dt>"), 15);
    EXPECT_EQ(Count(Read(out() + "topic2.html"), "<dt>"), 5);
}

TEST_F(RunTest, EndBelowEveryNumberWritesNothing)
{
    auto input = inputFor(MakeLog(900, 101));
    input.end = "50";
    auto converter = converterFor(input);
    EXPECT_EQ(converter->run(), RunStatus::Finished);
    EXPECT_TRUE(converter->written().empty());
    EXPECT_TRUE(FileNames(out()).empty());
}

TEST_F(RunTest, EmptyEndHasNoUpperBoundSoALogFrom900To1000IsConverted)
{
    auto input = inputFor(MakeLog(900, 101));
    auto converter = converterFor(input);
    ASSERT_EQ(converter->run(), RunStatus::Finished);
    ASSERT_EQ(converter->written().size(), 1u);
    EXPECT_EQ(Count(Read(out() + "topic1.html"), "<dt>"), 101);
}

TEST_F(RunTest, ShortLineEndsTheRunWithAReadErrorKeepingTheFilesWrittenBeforeIt)
{
    auto input = inputFor(MakeLog(1, 5) + "6\t5\tdate only\r\n" + MakeLog(7, 3));
    input.perFile = "2";
    auto converter = converterFor(input);
    EXPECT_EQ(converter->run(), RunStatus::ReadError);
    // Files of 1-2 and 3-4 were written; message 5 was on the file being filled, which is dropped.
    EXPECT_EQ(FileNames(out()), (std::vector<std::string>{"topic1.html", "topic2.html"}));
    EXPECT_EQ(converter->position(), 5u);
}

TEST_F(RunTest, NumberThatIsNotAnIntegerEndsTheRunWithAReadError)
{
    for (const char *bad : {"x", "", "12a", "1.5"}) {
        std::filesystem::remove_all(out());
        std::filesystem::create_directories(out());
        auto input = inputFor(MakeLog(1, 2) + std::string(bad) + "\t0\td\tn\tt\tbody\r\n");
        input.perFile = "1";
        auto converter = converterFor(input);
        EXPECT_EQ(converter->run(), RunStatus::ReadError) << bad;
        EXPECT_EQ(converter->written().size(), 2u) << bad;
    }
}

TEST_F(RunTest, FileThatCannotBeWrittenEndsTheRunNamingIt)
{
    auto input = inputFor(MakeLog(1, 3));
    input.htmlPath = scratch.path + "missing-dir/topic.html";
    auto converter = converterFor(input);
    EXPECT_EQ(converter->run(), RunStatus::WriteError);
    EXPECT_EQ(converter->failedPath(), scratch.path + "missing-dir/topic1.html");
    EXPECT_TRUE(converter->written().empty());
}

TEST_F(RunTest, WithoutOverwriteNothingAtAFileNameIsReplacedNotEvenADanglingLinkOrADirectory)
{
    ASSERT_EQ(::symlink((scratch.path + "nowhere").c_str(), (out() + "topic1.html").c_str()), 0);
    std::filesystem::create_directories(out() + "topic2.html");
    auto input = inputFor(MakeLog(1, 3));
    auto converter = converterFor(input);
    ASSERT_EQ(converter->run(), RunStatus::Finished);
    EXPECT_EQ(converter->written(), std::vector<std::string>{out() + "topic3.html"});
    EXPECT_TRUE(std::filesystem::is_symlink(out() + "topic1.html"));
    EXPECT_FALSE(std::filesystem::exists(scratch.path + "nowhere"));
}

TEST_F(RunTest, SecondRunWithoutOverwriteWritesAfterTheFirstRunsFiles)
{
    auto input = inputFor(MakeLog(1, 5));
    input.perFile = "2";
    ASSERT_EQ(converterFor(input)->run(), RunStatus::Finished);
    auto second = converterFor(input);
    ASSERT_EQ(second->run(), RunStatus::Finished);
    EXPECT_EQ(second->written(),
              (std::vector<std::string>{out() + "topic4.html", out() + "topic5.html", out() + "topic6.html"}));
    EXPECT_EQ(Read(out() + "topic1.html"), Read(out() + "topic4.html"));
}

TEST_F(RunTest, StepsAdvanceTheRunASliceAtATime)
{
    auto input = inputFor(MakeLog(1, 10));
    input.perFile = "4";
    auto converter = converterFor(input);
    EXPECT_EQ(converter->step(3), RunStatus::Running);
    EXPECT_EQ(converter->position(), 3u);
    EXPECT_TRUE(converter->written().empty());
    EXPECT_EQ(converter->step(3), RunStatus::Running);
    EXPECT_EQ(converter->written().size(), 1u);
    EXPECT_EQ(converter->step(100), RunStatus::Finished);
    EXPECT_EQ(converter->position(), 10u);
    EXPECT_EQ(converter->written().size(), 3u);
}

TEST_F(RunTest, EmptyLogFinishesAtOnceWithoutFiles)
{
    auto input = inputFor("");
    auto converter = converterFor(input);
    EXPECT_EQ(converter->status(), RunStatus::Finished);
    EXPECT_EQ(converter->run(), RunStatus::Finished);
    EXPECT_TRUE(FileNames(out()).empty());
}

TEST_F(RunTest, SkinWithoutARequiredTemplateIsReplacedByTheProgramsDefaultSkin)
{
    std::filesystem::create_directories(scratch.path + "broken-skin");
    ASSERT_TRUE(base::WriteFileAtomic(scratch.path + "broken-skin/Res.html", "<NUMBER/>\r\n"));
    auto input = inputFor(MakeLog(1, 2));
    input.skinDir = scratch.path + "broken-skin";
    convert::Prepared prepared = convert::Prepare(input, {scratch.path, "http://profiles.example/"});
    ASSERT_EQ(prepared.failure, convert::Prepared::Failure::None);
    EXPECT_TRUE(prepared.skinDirChanged);
    EXPECT_EQ(prepared.skinDir, scratch.path + "skin");
    EXPECT_TRUE(base::FileExists(scratch.path + "skin/NewRes.html"));
    EXPECT_NE(prepared.templates.res.find("http://profiles.example/<NAME/>"), std::string::npos);
}

TEST_F(RunTest, UnreadableLogIsReportedBeforeAnythingIsWritten)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    auto input = inputFor(MakeLog(1, 2));
    ASSERT_EQ(::chmod(input.datPath.c_str(), 0), 0);
    convert::Prepared prepared = convert::Prepare(input, {scratch.path, ""});
    EXPECT_EQ(prepared.failure, convert::Prepared::Failure::DatUnreadable);
}

class ValidateTest : public RunTest {};

TEST_F(ValidateTest, EachCheckInItsOrderWithItsMessage)
{
    auto input = inputFor(MakeLog(1, 2));
    EXPECT_EQ(convert::Validate(input), Validation::Ok);
    EXPECT_TRUE(convert::ValidationMessage(Validation::Ok).empty());

    for (std::string convert::ConversionInput::*field :
         {&convert::ConversionInput::datPath, &convert::ConversionInput::htmlPath,
          &convert::ConversionInput::skinDir}) {
        auto blank = input;
        blank.*field = "";
        blank.start = "0"; // a later check that would fail too
        EXPECT_EQ(convert::Validate(blank), Validation::FieldMissing);
    }
    EXPECT_EQ(convert::ValidationMessage(Validation::FieldMissing), convert::kFieldMissingMessage);

    auto missing = input;
    missing.datPath = scratch.path + "none.dat";
    missing.end = "abc";
    EXPECT_EQ(convert::Validate(missing), Validation::SourceMissing);
    missing = input;
    missing.datPath = scratch.path; // a directory is not a log file
    EXPECT_EQ(convert::Validate(missing), Validation::SourceMissing);
    missing = input;
    missing.skinDir = scratch.path + "no-skin";
    EXPECT_EQ(convert::Validate(missing), Validation::SourceMissing);
    missing.skinDir = input.datPath; // a file is not a skin directory
    EXPECT_EQ(convert::Validate(missing), Validation::SourceMissing);
    EXPECT_EQ(convert::ValidationMessage(Validation::SourceMissing), convert::kSourceMissingMessage);

    for (const char *value : {"0", "-1", "abc", " ", "1x"}) {
        for (std::string convert::ConversionInput::*field :
             {&convert::ConversionInput::start, &convert::ConversionInput::end, &convert::ConversionInput::perFile}) {
            auto low = input;
            low.*field = value;
            EXPECT_EQ(convert::Validate(low), Validation::BelowOne) << "'" << value << "'";
        }
    }
    EXPECT_EQ(convert::ValidationMessage(Validation::BelowOne), convert::kBelowOneMessage);

    auto good = input;
    good.start = "1";
    good.end = " 7 ";
    good.perFile = "1000";
    EXPECT_EQ(convert::Validate(good), Validation::Ok);
}

TEST(BoundsTest, BlankFieldsMeanFromOneWithoutUpperBoundInOneFile)
{
    convert::ConversionInput input;
    convert::Bounds bounds = convert::ReadBounds(input);
    EXPECT_EQ(bounds.start, 1);
    EXPECT_FALSE(bounds.hasEnd);
    EXPECT_EQ(bounds.perFile, 0u);
    input.start = "5";
    input.end = "9";
    input.perFile = "3";
    bounds = convert::ReadBounds(input);
    EXPECT_EQ(bounds.start, 5);
    EXPECT_TRUE(bounds.hasEnd);
    EXPECT_EQ(bounds.end, 9);
    EXPECT_EQ(bounds.perFile, 3u);
}

TEST(OutputNameTest, SplitsDirectoryStemAndLastExtension)
{
    auto name = convert::SplitOutputPath("/logs/topic.html");
    EXPECT_EQ(name.dir, "/logs/");
    EXPECT_EQ(name.stem, "topic");
    EXPECT_EQ(name.extension, ".html");
    EXPECT_EQ(name.fileFor(12), "/logs/topic12.html");

    name = convert::SplitOutputPath("a.b/topic");
    EXPECT_EQ(name.fileFor(1), "a.b/topic1");
    name = convert::SplitOutputPath("topic.tar.gz");
    EXPECT_EQ(name.fileFor(2), "topic.tar2.gz");
    name = convert::SplitOutputPath("out/");
    EXPECT_EQ(name.fileFor(3), "out/3");
}

TEST_F(RunTest, DatInfoIsTheFirstTitleAndTheLineCount)
{
    auto input = inputFor("1\t0\td\tn\tfirst title\tbody\r\n2\t1\td\tn\tsecond\tbody\r\n");
    convert::DatInfo info = convert::ReadDatInfo(input.datPath);
    EXPECT_EQ(info.title, "first title");
    EXPECT_EQ(info.count, 2u);
    info = convert::ReadDatInfo(scratch.path + "none.dat");
    EXPECT_EQ(info.title, "");
    EXPECT_EQ(info.count, 0u);
    inputFor("");
    info = convert::ReadDatInfo(input.datPath);
    EXPECT_EQ(info.count, 0u);
}

TEST(BlockTest, TagsReplacedInOrderAndBoardTextCannotAddMarkup)
{
    convert::Templates t;
    t.res = "<NUMBER/>|<RESNUMBER/>|<MSGCOUNT/>|<RESURL/>|<DATE/>|<NAME/>|<TITLE/>|<MESSAGE/>\r\n";
    t.res2 = "first <NUMBER/> <RESNUMBER/> <RESURL/>\r\n";
    EXPECT_EQ(convert::MakeBlock(t, "3\t2\td\tn\tt\t&gt;&gt;2 <b>x</b> <a href=\"http://e/\">l</a>", "40"),
              "3|2|40|#Res2|d|n|t|<a href=\"#Res2\">&gt;&gt;2</a> &lt;b>x&lt;/b> <a href=\"http://e/\">l</a>\r\n");
    // Only the text "0" replies to none: "00" uses Res.html and fills its reply number.
    EXPECT_EQ(convert::MakeBlock(t, "1\t0\td\tn\tt\tm", "1"), "first 1 <RESNUMBER/> #Res0\r\n");
    EXPECT_EQ(convert::MakeBlock(t, "1\t00\td\tn\tt\tm", "1"), "1|00|1|#Res00|d|n|t|m\r\n");
    // A field holding a tag is text, so a later tag is not filled into it.
    EXPECT_EQ(convert::MakeBlock(t, "1\t5\td\t<TITLE/>\"\tt\t<MESSAGE/>", "1"),
              "1|5|1|#Res5|d|&lt;TITLE/&gt;&quot;|t|&lt;MESSAGE/>\r\n");
    t.res2.clear();
    EXPECT_EQ(convert::MakeBlock(t, "1\t0\td\tn\tt\tm", "1"), "1|<RESNUMBER/>|1|#Res0|d|n|t|m\r\n");
}

TEST(BlockTest, TitleLineShowsTheTitleAsText)
{
    EXPECT_EQ(convert::TitleLine("a &amp; <script>"), "<title>a &amp; &lt;script&gt;</title>");
}

} // namespace
