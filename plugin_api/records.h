// The records that cross the boundary between the program and the site plug-in.
#pragma once

#include <cstddef>
#include <cstdint>

// Every record is plain data with fixed-size, zero-terminated text fields. Japanese text is
// Shift_JIS; URLs and identifiers are ASCII. The caller zero-fills each output buffer, so any
// field a parser skips reads as empty or 0. These layouts are shared with plug-ins built
// separately: never reorder or resize a field.
extern "C" {

/// One queued download. Parsers read only `url`. Allocated by the pipeline, which owns it.
struct FetchRequest {
    char url[256];
    char key[256];
    char *postQuery; ///< kind 7 only; owned by the request and freed with it
    void *plugin;    ///< module handle echoed back in result notices
    std::int32_t kind;
    std::int32_t retryCount;
    std::int32_t refetchCount;
};

/// Written by Plugin_Info.
struct PluginInfo {
    char siteName[32];
    char baseUrl[256];
    char author[32];
    std::int16_t version;
};

/// One category or board link of a directory page.
struct CategoryRecord {
    char url[256];
    char parentUrl[256];
    char name[128];
    std::int32_t isCategory;
    std::int32_t fetchChildren;
};

/// One topic of a board's topic list.
struct TopicRecord {
    char topicId[128];
    char topicUrl[256];
    char title[128];
    char date[16];
    char time[16];
    std::int32_t postCount;
};

/// One message of a topic. A date of "0000/00/00" and time "00:00" mark an error message.
struct MessageRecord {
    char author[128];
    char title[128];
    char text[4001];
    char date[16];
    char time[16];
    char padding[3];
    std::int32_t number;
    std::int32_t replyTo;
    std::int32_t lastNumber;
};

} // extern "C"

namespace plugin_api {

enum RequestKind : std::int32_t {
    kCategoryPage = 1,
    kTopicList = 2,
    kMessagePage = 3,
    kLogin = 4,
    kLogout = 5,
    kPostForm = 6,
    kPost = 7,
};

inline constexpr int kMaxCategoryRecords = 150;
inline constexpr int kMaxTopicRecords = 150;
inline constexpr int kPostFormTexts = 10;
inline constexpr int kPostFormTextSize = 256;
/// The main window's reused category result buffer: 150 records.
inline constexpr std::size_t kCategoryResultBytes = 97200;
/// A fresh topic-list result buffer: 150 records.
inline constexpr std::size_t kTopicListResultBytes = 82200;

} // namespace plugin_api

static_assert(offsetof(FetchRequest, url) == 0);
static_assert(offsetof(FetchRequest, key) == 256);
static_assert(offsetof(FetchRequest, postQuery) == 512);
static_assert(offsetof(FetchRequest, plugin) == 520);
static_assert(offsetof(FetchRequest, kind) == 528);
static_assert(offsetof(FetchRequest, retryCount) == 532);
static_assert(offsetof(FetchRequest, refetchCount) == 536);
static_assert(sizeof(FetchRequest) == 544);

static_assert(offsetof(PluginInfo, siteName) == 0);
static_assert(offsetof(PluginInfo, baseUrl) == 32);
static_assert(offsetof(PluginInfo, author) == 288);
static_assert(offsetof(PluginInfo, version) == 320);
static_assert(sizeof(PluginInfo) == 322);

static_assert(offsetof(CategoryRecord, url) == 0);
static_assert(offsetof(CategoryRecord, parentUrl) == 256);
static_assert(offsetof(CategoryRecord, name) == 512);
static_assert(offsetof(CategoryRecord, isCategory) == 640);
static_assert(offsetof(CategoryRecord, fetchChildren) == 644);
static_assert(sizeof(CategoryRecord) == 648);

static_assert(offsetof(TopicRecord, topicId) == 0);
static_assert(offsetof(TopicRecord, topicUrl) == 128);
static_assert(offsetof(TopicRecord, title) == 384);
static_assert(offsetof(TopicRecord, date) == 512);
static_assert(offsetof(TopicRecord, time) == 528);
static_assert(offsetof(TopicRecord, postCount) == 544);
static_assert(sizeof(TopicRecord) == 548);

static_assert(offsetof(MessageRecord, author) == 0);
static_assert(offsetof(MessageRecord, title) == 128);
static_assert(offsetof(MessageRecord, text) == 256);
static_assert(offsetof(MessageRecord, date) == 4257);
static_assert(offsetof(MessageRecord, time) == 4273);
static_assert(offsetof(MessageRecord, number) == 4292);
static_assert(offsetof(MessageRecord, replyTo) == 4296);
static_assert(offsetof(MessageRecord, lastNumber) == 4300);
static_assert(sizeof(MessageRecord) == 4304);

static_assert(plugin_api::kMaxCategoryRecords * sizeof(CategoryRecord) == plugin_api::kCategoryResultBytes);
static_assert(plugin_api::kMaxTopicRecords * sizeof(TopicRecord) == plugin_api::kTopicListResultBytes);
