// Runs the module's parsers over the golden EUC-JP pages and compares every field of every
// record with the expected records.
#include <iconv.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/plugin/pluginmodule.h"

namespace {

namespace fs = std::filesystem;
using plugintest::Hakobune;

const fs::path kDataDir = fs::path(NK_TEST_DATA_DIR) / "plugin";

std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

/// UTF-8 to the named encoding through the C library, independent of the plug-in's conversion.
std::string fromUtf8(const std::string &text, const char *encoding)
{
    iconv_t cd = ::iconv_open(encoding, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return "<no iconv for " + std::string(encoding) + ">";
    std::string in = text;
    std::string out(in.size() * 2 + 4, '\0');
    char *src = in.data();
    char *dst = out.data();
    std::size_t srcLeft = in.size();
    std::size_t dstLeft = out.size();
    const std::size_t rc = ::iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    ::iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1))
        return "<not convertible: " + text + ">";
    out.resize(out.size() - dstLeft);
    return out;
}

std::string unescape(const std::string &value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char c = value[++i];
            out += c == 'n' ? '\n' : c;
        } else {
            out += value[i];
        }
    }
    return out;
}

struct Expected {
    std::string parser;
    std::string page;
    std::string request;
    int result = -1;
    std::vector<std::map<std::string, std::string>> records;
};

Expected readExpected(const fs::path &path)
{
    Expected e;
    std::istringstream lines(readFile(path));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::size_t blank = line.find(' ');
        const std::string key = line.substr(0, blank);
        const std::string value = blank == std::string::npos ? std::string() : unescape(line.substr(blank + 1));
        if (key == "record")
            e.records.emplace_back();
        else if (!e.records.empty())
            e.records.back()[key] = value;
        else if (key == "parser")
            e.parser = value;
        else if (key == "page")
            e.page = value;
        else if (key == "request")
            e.request = value;
        else if (key == "result")
            e.result = std::stoi(value);
    }
    return e;
}

enum class Kind { Sjis, Euc, Int };

struct Field {
    const char *name;
    std::size_t offset;
    std::size_t size;
    Kind kind;
};

const std::vector<Field> kCategoryFields = {
    {"url", offsetof(CategoryRecord, url), 256, Kind::Sjis},
    {"parentUrl", offsetof(CategoryRecord, parentUrl), 256, Kind::Sjis},
    {"name", offsetof(CategoryRecord, name), 128, Kind::Sjis},
    {"isCategory", offsetof(CategoryRecord, isCategory), 4, Kind::Int},
    {"fetchChildren", offsetof(CategoryRecord, fetchChildren), 4, Kind::Int},
};
const std::vector<Field> kTopicFields = {
    {"topicId", offsetof(TopicRecord, topicId), 128, Kind::Sjis},
    {"topicUrl", offsetof(TopicRecord, topicUrl), 256, Kind::Sjis},
    {"title", offsetof(TopicRecord, title), 128, Kind::Sjis},
    {"date", offsetof(TopicRecord, date), 16, Kind::Sjis},
    {"time", offsetof(TopicRecord, time), 16, Kind::Sjis},
    {"postCount", offsetof(TopicRecord, postCount), 4, Kind::Int},
};
const std::vector<Field> kMessageFields = {
    {"author", offsetof(MessageRecord, author), 128, Kind::Euc},
    {"title", offsetof(MessageRecord, title), 128, Kind::Sjis},
    {"text", offsetof(MessageRecord, text), 4001, Kind::Sjis},
    {"date", offsetof(MessageRecord, date), 16, Kind::Sjis},
    {"time", offsetof(MessageRecord, time), 16, Kind::Sjis},
    {"number", offsetof(MessageRecord, number), 4, Kind::Int},
    {"replyTo", offsetof(MessageRecord, replyTo), 4, Kind::Int},
    {"lastNumber", offsetof(MessageRecord, lastNumber), 4, Kind::Int},
};
const std::vector<Field> kPostFormFields = {
    {"text", 0, 256, Kind::Euc},
};

/// Checks one record against its expected fields; unlisted fields must be empty or 0, and no
/// byte after a text's terminator may be set.
void checkRecord(const unsigned char *record, const std::vector<Field> &fields,
                 const std::map<std::string, std::string> &expected, int index)
{
    for (const auto &[name, value] : expected) {
        bool known = false;
        for (const Field &f : fields)
            known = known || name == f.name;
        EXPECT_TRUE(known) << "record " << index << ": unknown field " << name;
    }
    for (const Field &f : fields) {
        const auto it = expected.find(f.name);
        const unsigned char *p = record + f.offset;
        if (f.kind == Kind::Int) {
            std::int32_t actual;
            std::memcpy(&actual, p, sizeof actual);
            EXPECT_EQ(actual, it == expected.end() ? 0 : std::stoi(it->second))
                << "record " << index << " field " << f.name;
            continue;
        }
        const std::size_t length = ::strnlen(reinterpret_cast<const char *>(p), f.size);
        ASSERT_LT(length, f.size) << "record " << index << " field " << f.name << " has no terminator";
        const std::string actual(reinterpret_cast<const char *>(p), length);
        std::string want;
        if (it != expected.end())
            want = fromUtf8(it->second, f.kind == Kind::Sjis ? "CP932" : "EUC-JP");
        EXPECT_EQ(actual, want) << "record " << index << " field " << f.name;
        for (std::size_t i = length; i < f.size; ++i)
            ASSERT_EQ(p[i], 0) << "record " << index << " field " << f.name << " has a stray byte at " << i;
    }
}

void checkUntouched(const unsigned char *record, std::size_t size, int index)
{
    for (std::size_t i = 0; i < size; ++i)
        ASSERT_EQ(record[i], 0) << "record " << index << " beyond the result was written at byte " << i;
}

std::vector<std::string> expectedFiles()
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(kDataDir / "expected"))
        if (entry.path().extension() == ".expected")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class GoldenPage : public testing::TestWithParam<std::string> {};

TEST_P(GoldenPage, GivesTheExpectedRecords)
{
    ASSERT_TRUE(Hakobune().complete()) << "cannot load " << plugintest::kModulePath;
    const Expected e = readExpected(kDataDir / "expected" / GetParam());
    const std::string body = readFile(kDataDir / "pages" / e.page);
    ASSERT_FALSE(body.empty()) << "missing page " << e.page;
    ASSERT_GE(e.result, 0) << "no result line";
    ASSERT_EQ(static_cast<std::size_t>(e.result), e.records.size()) << "the result must match the records listed";
    const FetchRequest request = plugintest::MakeRequest(e.request);
    const char header[] = "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=EUC-JP";

    const std::vector<Field> *fields = nullptr;
    std::size_t recordSize = 0;
    int capacity = 0;
    std::vector<unsigned char> out;
    int result = -1;
    if (e.parser == "category") {
        fields = &kCategoryFields;
        recordSize = sizeof(CategoryRecord);
        capacity = plugin_api::kMaxCategoryRecords;
        out.assign(recordSize * capacity, 0);
        result = Hakobune().parseCategory(reinterpret_cast<CategoryRecord *>(out.data()), &request, header,
                                          body.c_str());
    } else if (e.parser == "threadlist") {
        fields = &kTopicFields;
        recordSize = sizeof(TopicRecord);
        capacity = plugin_api::kMaxTopicRecords;
        out.assign(recordSize * capacity, 0);
        result = Hakobune().parseThreadList(reinterpret_cast<TopicRecord *>(out.data()), &request, header,
                                            body.c_str());
    } else if (e.parser == "thread") {
        fields = &kMessageFields;
        recordSize = sizeof(MessageRecord);
        capacity = 1;
        out.assign(recordSize, 0);
        result = Hakobune().parseThread(reinterpret_cast<MessageRecord *>(out.data()), &request, header,
                                        body.c_str());
    } else if (e.parser == "postform") {
        fields = &kPostFormFields;
        recordSize = plugin_api::kPostFormTextSize;
        capacity = plugin_api::kPostFormTexts;
        out.assign(recordSize * capacity, 0);
        char *texts[plugin_api::kPostFormTexts];
        for (int i = 0; i < capacity; ++i)
            texts[i] = reinterpret_cast<char *>(out.data()) + i * recordSize;
        result = Hakobune().parsePostForm(texts, &request, header, body.c_str());
    } else {
        FAIL() << "unknown parser " << e.parser;
    }

    ASSERT_EQ(result, e.result);
    for (int i = 0; i < capacity; ++i) {
        const unsigned char *record = out.data() + i * recordSize;
        if (i < result)
            checkRecord(record, *fields, e.records[i], i);
        else
            checkUntouched(record, recordSize, i);
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, GoldenPage, testing::ValuesIn(expectedFiles()),
                         [](const testing::TestParamInfo<std::string> &param) {
                             std::string name = param.param.substr(0, param.param.rfind('.'));
                             for (char &c : name)
                                 if (c == '.')
                                     c = '_';
                             return name;
                         });

TEST(GoldenPages, EveryPageHasExpectedRecords)
{
    // A page added without its expectations would silently test nothing.
    std::vector<std::string> used;
    for (const std::string &name : expectedFiles())
        used.push_back(readExpected(kDataDir / "expected" / name).page);
    for (const auto &entry : fs::directory_iterator(kDataDir / "pages"))
        EXPECT_NE(std::find(used.begin(), used.end(), entry.path().filename().string()), used.end())
            << entry.path().filename() << " has no expected records";
}

} // namespace
