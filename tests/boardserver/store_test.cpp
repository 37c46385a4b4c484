// Stored posts: kept across a reopen, written atomically, damage read up to the damage.
#include <fstream>

#include "boardserver/poststore.h"
#include "tests/boardserver/fixture.h"

namespace {

using namespace boardserver;
namespace fs = std::filesystem;

StoredPost Post(int number, std::string text)
{
    StoredPost p;
    p.number = number;
    p.replyTo = number > 1 ? number - 1 : 0;
    p.minute = 1000 + number;
    p.author = number % 2 ? "taro" : "hanako";
    p.title = "title " + std::to_string(number);
    p.text = std::move(text);
    return p;
}

std::vector<std::string> FilesUnder(const std::string &dir)
{
    std::vector<std::string> files;
    for (const auto &entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file())
            files.push_back(fs::relative(entry.path(), dir).string());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(PostStore, AppendedPosts_ReadBackAfterAReopen)
{
    bstest::TempDir dir;
    {
        PostStore store;
        ASSERT_TRUE(store.open(dir.path(), "fp", nullptr));
        for (int n = 5; n <= 40; ++n)
            ASSERT_TRUE(store.append("1830001", "abc1", Post(n, "text\n" + std::to_string(n)), nullptr));
        ASSERT_TRUE(store.append("1830001", "new7", Post(1, "first"), nullptr));
        EXPECT_EQ(store.messageCount(), 37u);
    }
    PostStore store;
    std::vector<std::string> warnings;
    ASSERT_TRUE(store.open(dir.path() + "/", "fp", nullptr, &warnings));
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(store.messageCount(), 37u);
    const TopicPosts *topic = store.find("1830001", "abc1");
    ASSERT_NE(topic, nullptr);
    ASSERT_EQ(topic->posts.size(), 36u);
    for (int n = 5; n <= 40; ++n) {
        const PostMeta *meta = store.findPost(*topic, n);
        ASSERT_NE(meta, nullptr) << n;
        const auto post = store.read(*topic, *meta);
        ASSERT_TRUE(post);
        EXPECT_EQ(post->text, "text\n" + std::to_string(n));
        EXPECT_EQ(post->title, "title " + std::to_string(n));
        EXPECT_EQ(post->author, n % 2 ? "taro" : "hanako");
        EXPECT_EQ(post->minute, 1000 + n);
        EXPECT_EQ(post->replyTo, n - 1);
    }
    EXPECT_EQ(store.findPost(*topic, 4), nullptr);
    const TopicPosts *made = store.find("1830001", "new7");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->firstTitle, "title 1");
    EXPECT_EQ(store.topicsOf("1830001").size(), 2u);
    // Sixteen numbers to a segment, no temporary file left behind.
    EXPECT_EQ(FilesUnder(dir.path() + "/posts"),
              (std::vector<std::string>{"1830001/abc1/000000.seg", "1830001/abc1/000001.seg",
                                        "1830001/abc1/000002.seg", "1830001/new7/000000.seg"}));
}

TEST(PostStore, RefusesNumbersNotAboveTheLastAndUnsafeNames)
{
    bstest::TempDir dir;
    PostStore store;
    ASSERT_TRUE(store.open(dir.path(), "fp", nullptr));
    ASSERT_TRUE(store.append("b", "t", Post(3, "x"), nullptr));
    std::string error;
    EXPECT_FALSE(store.append("b", "t", Post(3, "again"), &error));
    EXPECT_FALSE(store.append("b", "t", Post(2, "back"), &error));
    EXPECT_FALSE(store.append("../b", "t", Post(4, "x"), &error));
    EXPECT_FALSE(store.append("b", "t/..", Post(4, "x"), &error));
    EXPECT_FALSE(store.append("b", "t", Post(0, "x"), &error));
    EXPECT_EQ(store.messageCount(), 1u);
}

TEST(PostStore, AppendMany_FillsSeveralSegmentsAtOnce_AndRefusesFallingNumbers)
{
    bstest::TempDir dir;
    {
        PostStore store;
        ASSERT_TRUE(store.open(dir.path(), "fp", nullptr));
        std::vector<StoredPost> posts;
        for (int n = 10; n <= 50; ++n)
            posts.push_back(Post(n, "bulk " + std::to_string(n)));
        ASSERT_TRUE(store.appendMany("b", "t", posts, nullptr));
        EXPECT_FALSE(store.appendMany("b", "t", {Post(52, "x"), Post(51, "y")}, nullptr));
        EXPECT_FALSE(store.appendMany("b", "t", {Post(50, "again")}, nullptr));
        EXPECT_EQ(store.messageCount(), 41u);
    }
    PostStore store;
    ASSERT_TRUE(store.open(dir.path(), "fp", nullptr));
    const TopicPosts *topic = store.find("b", "t");
    ASSERT_NE(topic, nullptr);
    ASSERT_EQ(topic->posts.size(), 41u);
    EXPECT_EQ(store.read(*topic, *store.findPost(*topic, 33))->text, "bulk 33");
    EXPECT_EQ(FilesUnder(dir.path() + "/posts/b/t").size(), 4u); // numbers 10-16, 17-32, 33-48, 49-50
}

TEST(PostStore, OtherSampleData_AndASecondServer_AreRefused)
{
    bstest::TempDir dir;
    {
        PostStore first;
        ASSERT_TRUE(first.open(dir.path(), "seed=1", nullptr));
        PostStore second;
        std::string error;
        EXPECT_FALSE(second.open(dir.path(), "seed=1", &error));
        EXPECT_NE(error.find("in use"), std::string::npos);
    }
    PostStore store;
    std::string error;
    EXPECT_FALSE(store.open(dir.path(), "seed=2", &error));
    EXPECT_NE(error.find("seed=1"), std::string::npos);
}

TEST(PostStore, DamagedSegment_IsReadUpToTheDamage_AndTheNextPostKeepsTheSoundPart)
{
    bstest::TempDir dir;
    std::string path;
    {
        PostStore store;
        ASSERT_TRUE(store.open(dir.path(), "fp", nullptr));
        for (int n = 1; n <= 3; ++n)
            ASSERT_TRUE(store.append("b", "t", Post(n, "text " + std::to_string(n)), nullptr));
        path = dir.path() + "/posts/b/t/000000.seg";
    }
    // Cut the file in the middle of the third record, as an outside hand might.
    const auto size = fs::file_size(path);
    fs::resize_file(path, size - 5);
    {
        PostStore store;
        std::vector<std::string> warnings;
        ASSERT_TRUE(store.open(dir.path(), "fp", nullptr, &warnings));
        EXPECT_EQ(warnings.size(), 1u);
        EXPECT_EQ(store.messageCount(), 2u);
        ASSERT_TRUE(store.append("b", "t", Post(3, "again"), nullptr));
    }
    {
        PostStore store;
        std::vector<std::string> warnings;
        ASSERT_TRUE(store.open(dir.path(), "fp", nullptr, &warnings));
        EXPECT_TRUE(warnings.empty());
        const TopicPosts *topic = store.find("b", "t");
        ASSERT_NE(topic, nullptr);
        ASSERT_EQ(topic->posts.size(), 3u);
        EXPECT_EQ(store.read(*topic, topic->posts[2])->text, "again");
        EXPECT_EQ(store.read(*topic, topic->posts[0])->text, "text 1");
    }
    // Garbage in place of a segment is skipped with a warning.
    std::ofstream(dir.path() + "/posts/b/t/000001.seg") << "not a segment";
    PostStore store;
    std::vector<std::string> warnings;
    ASSERT_TRUE(store.open(dir.path(), "fp", nullptr, &warnings));
    EXPECT_EQ(warnings.size(), 1u);
    EXPECT_EQ(store.messageCount(), 3u);
}

TEST(PostStore, WriteFileAtomically_ReplacesWhole_AndFailsCleanly)
{
    bstest::TempDir dir;
    const std::string path = dir.path() + "/file";
    ASSERT_TRUE(WriteFileAtomically(path, "first", nullptr));
    ASSERT_TRUE(WriteFileAtomically(path, "second", nullptr));
    std::ifstream in(path);
    std::string content((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(content, "second");
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(dir.path() + "/missing/dir/file", "x", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(FilesUnder(dir.path()), std::vector<std::string>{"file"});
}

} // namespace
