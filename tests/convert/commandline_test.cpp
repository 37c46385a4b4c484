// nk-convert: options, printed paths, messages in UTF-8 and exit codes; in process and as the
// installed program.
#include "convert/commandline.h"
#include "convert/converttexts.h"
#include "converttesting.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>

namespace {

using namespace converttest;

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(scratch.path.empty());
        std::filesystem::create_directories(scratch.path + "out");
        std::filesystem::copy(DataDir() + "skin", scratch.path + "skin");
        ASSERT_TRUE(base::WriteFileAtomic(scratch.path + "log.dat", MakeLog(1, 5)));
    }

    int run(std::vector<std::string> args)
    {
        std::ostringstream o, e;
        const int code = convert::RunCommandLine(args, scratch.path, o, e);
        out = o.str();
        err = e.str();
        return code;
    }

    std::string dat() const { return scratch.path + "log.dat"; }
    std::string html() const { return scratch.path + "out/t.html"; }

    ScratchDir scratch;
    std::string out;
    std::string err;
};

TEST_F(CommandLineTest, PrintsEveryWrittenPathAndExitsZero)
{
    EXPECT_EQ(run({"--dat", dat(), "--html", html(), "--per-file", "2"}), convert::kExitOk);
    EXPECT_EQ(out, scratch.path + "out/t1.html\n" + scratch.path + "out/t2.html\n" + scratch.path + "out/t3.html\n");
    EXPECT_EQ(err, "");
    // Without --skin the program directory's skin is used: the test skin copied there.
    EXPECT_NE(Read(scratch.path + "out/t1.html").find("(1/5)"), std::string::npos);
}

TEST_F(CommandLineTest, OptionsTakeTheirValueAfterAnEqualsSignToo)
{
    EXPECT_EQ(run({"--dat=" + dat(), "--html=" + html(), "--start=2", "--end=3", "--skin=" + DataDir() + "skin"}),
              convert::kExitOk);
    EXPECT_EQ(out, scratch.path + "out/t1.html\n");
    EXPECT_EQ(Count(Read(scratch.path + "out/t1.html"), "<dt>"), 2);
}

TEST_F(CommandLineTest, OverwriteReplacesTheFirstFileAndWithoutItTheNextNumberIsUsed)
{
    ASSERT_TRUE(base::WriteFileAtomic(scratch.path + "out/t1.html", "kept"));
    EXPECT_EQ(run({"--dat", dat(), "--html", html()}), convert::kExitOk);
    EXPECT_EQ(out, scratch.path + "out/t2.html\n");
    EXPECT_EQ(Read(scratch.path + "out/t1.html"), "kept");
    EXPECT_EQ(run({"--dat", dat(), "--html", html(), "--overwrite"}), convert::kExitOk);
    EXPECT_EQ(out, scratch.path + "out/t1.html\n");
    EXPECT_EQ(Read(scratch.path + "out/t1.html"), Read(scratch.path + "out/t2.html"));
}

TEST_F(CommandLineTest, ValidationFailuresPrintTheDialogsMessageInUtf8AndExitTwo)
{
    EXPECT_EQ(run({"--html", html()}), convert::kExitInvalid);
    EXPECT_EQ(err, "すべての項目が入力されていません。\n");
    EXPECT_EQ(out, "");
    EXPECT_EQ(run({"--dat", scratch.path + "none.dat", "--html", html()}), convert::kExitInvalid);
    EXPECT_EQ(err, "DAT ファイルまたは、スキンが存在しません。\n");
    EXPECT_EQ(run({"--dat", dat(), "--html", html(), "--skin", scratch.path + "no-skin"}), convert::kExitInvalid);
    EXPECT_EQ(err, "DAT ファイルまたは、スキンが存在しません。\n");
    for (const char *option : {"--start", "--end", "--per-file"}) {
        EXPECT_EQ(run({"--dat", dat(), "--html", html(), option, "0"}), convert::kExitInvalid) << option;
        EXPECT_EQ(err, "「1」以上の値を入力してください。\n") << option;
    }
    EXPECT_TRUE(FileNames(scratch.path + "out").empty());
}

TEST_F(CommandLineTest, WrongCommandLineExitsTwoWithUsage)
{
    EXPECT_EQ(run({"--dat", dat(), "--bogus"}), convert::kExitInvalid);
    EXPECT_NE(err.find("usage: nk-convert"), std::string::npos);
    EXPECT_EQ(run({"--dat"}), convert::kExitInvalid);
    EXPECT_EQ(run({"--help"}), convert::kExitOk);
    EXPECT_NE(out.find("usage: nk-convert"), std::string::npos);
}

TEST_F(CommandLineTest, ReadErrorExitsOneAfterPrintingTheFilesWrittenBeforeIt)
{
    ASSERT_TRUE(base::WriteFileAtomic(dat(), MakeLog(1, 3) + "broken line\r\n"));
    EXPECT_EQ(run({"--dat", dat(), "--html", html(), "--per-file", "2"}), convert::kExitFailed);
    EXPECT_EQ(out, scratch.path + "out/t1.html\n");
    EXPECT_EQ(err, "DAT ファイルの読み込み中にエラーが発生しました。\n");
}

TEST_F(CommandLineTest, WriteFailureExitsOneNamingTheFile)
{
    EXPECT_EQ(run({"--dat", dat(), "--html", scratch.path + "no-dir/t.html"}), convert::kExitFailed);
    EXPECT_EQ(out, "");
    EXPECT_NE(err.find(scratch.path + "no-dir/t1.html"), std::string::npos);
}

TEST(ConvertTextsTest, MessagesAreTheSjisBytesOfTheirTexts)
{
    EXPECT_EQ(convert::SjisToUtf8(convert::kFieldMissingMessage), "すべての項目が入力されていません。");
    EXPECT_EQ(convert::SjisToUtf8(convert::kSourceMissingMessage), "DAT ファイルまたは、スキンが存在しません。");
    EXPECT_EQ(convert::SjisToUtf8(convert::kBelowOneMessage), "「1」以上の値を入力してください。");
    EXPECT_EQ(convert::SjisToUtf8(convert::kReadErrorMessage), "DAT ファイルの読み込み中にエラーが発生しました。");
    EXPECT_EQ(convert::SjisToUtf8("a\xff"
                                  "b"),
              "a?b");
}

// The built program, as a script runs it: stdout, stderr and the exit status.
struct ToolResult {
    int status = -1;
    std::string out;
    std::string err;
};

ToolResult RunTool(const std::string &args, const std::string &scratchDir)
{
    ToolResult result;
    const std::string errPath = scratchDir + "stderr.txt";
    const std::string command = std::string("'") + NK_CONVERT_TOOL + "' " + args + " 2>'" + errPath + "'";
    FILE *pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 4096> buffer{};
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.err = base::ReadFile(errPath).value_or("");
    return result;
}

TEST_F(CommandLineTest, InstalledToolExitsZeroTwoAndOneWithItsOutput)
{
    const std::string q = "'";
    ToolResult ok = RunTool("--dat " + q + dat() + q + " --html " + q + html() + q + " --per-file 3", scratch.path);
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out, scratch.path + "out/t1.html\n" + scratch.path + "out/t2.html\n");
    EXPECT_EQ(ok.err, "");

    ToolResult invalid = RunTool("--dat " + q + dat() + q + " --html " + q + html() + q + " --start abc", scratch.path);
    EXPECT_EQ(invalid.status, 2);
    EXPECT_EQ(invalid.out, "");
    EXPECT_EQ(invalid.err, "「1」以上の値を入力してください。\n");

    ToolResult failed =
        RunTool("--dat " + q + dat() + q + " --html " + q + scratch.path + "none/t.html" + q, scratch.path);
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "");
}

} // namespace
