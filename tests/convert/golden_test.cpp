// Whole output files of the conversion against the stored expected files: one file, several,
// a range, a log with gaps, replies across files, the optional template, existing outputs.
// NK_UPDATE_GOLDEN=1 rewrites the expected files from the present output (review the diff).
#include "convert/conversion.h"
#include "converttesting.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

using namespace converttest;

class GoldenTest : public ::testing::Test {
protected:
    /// Converts log with the test skin (or skin) into out/topic.html and compares every file of
    /// out/ with expected/<name>/.
    void expectGolden(const std::string &name, convert::ConversionInput input)
    {
        ASSERT_FALSE(scratch.path.empty());
        const std::string out = scratch.path + "out/";
        std::filesystem::create_directories(out);
        if (input.datPath.empty())
            input.datPath = DataDir() + "topic.dat";
        if (input.skinDir.empty())
            input.skinDir = DataDir() + "skin";
        input.htmlPath = out + "topic.html";
        convert::Prepared prepared = convert::Prepare(input, {scratch.path, "http://profiles.example/"});
        ASSERT_EQ(prepared.failure, convert::Prepared::Failure::None);
        ASSERT_FALSE(prepared.skinDirChanged);
        convert::Converter converter(std::move(prepared.lines), std::move(prepared.templates), prepared.bounds,
                                     convert::SplitOutputPath(input.htmlPath), input.overwrite);
        ASSERT_EQ(converter.run(), convert::RunStatus::Finished);

        const std::string expected = DataDir() + "expected/" + name + "/";
        if (std::getenv("NK_UPDATE_GOLDEN")) {
            std::filesystem::remove_all(expected);
            std::filesystem::create_directories(expected);
            for (const std::string &file : FileNames(out))
                std::filesystem::copy_file(out + file, expected + file);
        }
        ASSERT_EQ(FileNames(out), FileNames(expected)) << name;
        for (const std::string &file : FileNames(expected))
            EXPECT_EQ(Read(out + file), Read(expected + file)) << name << "/" << file;
    }

    ScratchDir scratch;
};

TEST_F(GoldenTest, WholeLogIntoOneFileWithTitleSanitisedTextAndReplyLinks)
{
    expectGolden("one-file", {});
}

TEST_F(GoldenTest, ThreePerFileGivesThreeFilesAndReferencesAcrossFilesStillPointAtTheirAnchor)
{
    convert::ConversionInput input;
    input.perFile = "3";
    expectGolden("several-files", input);
}

TEST_F(GoldenTest, RangeGivesOneFileHoldingTheTitleOfMessageOneReadWhileItWasFilled)
{
    convert::ConversionInput input;
    input.start = "3";
    input.end = "5";
    expectGolden("range", input);
}

TEST_F(GoldenTest, LogStartingAt900WithEmptyEndConvertsEveryMessage)
{
    convert::ConversionInput input;
    input.datPath = DataDir() + "gaps.dat";
    expectGolden("gaps", input);
}

TEST_F(GoldenTest, LogWithGapsAndAnEndInsideAGap)
{
    convert::ConversionInput input;
    input.datPath = DataDir() + "gaps.dat";
    input.start = "901";
    input.end = "999";
    input.perFile = "1";
    expectGolden("gaps-range", input);
}

TEST_F(GoldenTest, WithoutRes2EveryMessageUsesRes)
{
    convert::ConversionInput input;
    input.skinDir = DataDir() + "skin-nores2";
    expectGolden("no-res2", input);
}

TEST_F(GoldenTest, EmptyRes2IsIgnoredLikeAMissingOne)
{
    convert::ConversionInput input;
    input.skinDir = DataDir() + "skin-emptyres2";
    expectGolden("no-res2", input);
}

TEST_F(GoldenTest, ExistingFirstFileWithoutOverwriteIsKeptAndTheNextFreeNumbersAreUsed)
{
    std::filesystem::create_directories(scratch.path + "out");
    ASSERT_TRUE(base::WriteFileAtomic(scratch.path + "out/topic1.html", "earlier run\r\n"));
    ASSERT_TRUE(base::WriteFileAtomic(scratch.path + "out/topic3.html", "another\r\n"));
    convert::ConversionInput input;
    input.perFile = "4";
    expectGolden("existing-kept", input);
}

TEST_F(GoldenTest, ExistingFirstFileWithOverwriteIsReplaced)
{
    std::filesystem::create_directories(scratch.path + "out");
    ASSERT_TRUE(base::WriteFileAtomic(scratch.path + "out/topic1.html", "earlier run\r\n"));
    convert::ConversionInput input;
    input.perFile = "4";
    input.overwrite = true;
    expectGolden("existing-replaced", input);
}

} // namespace
