// The fetch worker: one exchange, the plug-in's parser for the request's kind, and the notices
// that hand the result to the main thread.
#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <sys/resource.h>

#include "base/text.h"
#include "net/pipelinestate.h"
#include "net/texts.h"
#include "plugin_api/exports.h"
#include "plugin_api/loader.h"

namespace net {

namespace {

template <std::size_t N>
void copyText(char (&field)[N], std::string_view text)
{
    std::size_t n = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

/// A parser that filled a field to its end leaves it unterminated; the handlers read them as
/// zero-terminated texts.
template <std::size_t N>
void terminate(char (&field)[N])
{
    field[N - 1] = '\0';
}

void terminateRecord(CategoryRecord &r)
{
    terminate(r.url);
    terminate(r.parentUrl);
    terminate(r.name);
}

void terminateRecord(TopicRecord &r)
{
    terminate(r.topicId);
    terminate(r.topicUrl);
    terminate(r.title);
    terminate(r.date);
    terminate(r.time);
}

void terminateRecord(MessageRecord &r)
{
    terminate(r.author);
    terminate(r.title);
    terminate(r.text);
    terminate(r.date);
    terminate(r.time);
}

/// A parser's count as a number of records the handler may read.
int boundedCount(int count, int limit)
{
    return std::clamp(count, 0, limit);
}

class WorkerEvents final : public ExchangeEvents {
public:
    explicit WorkerEvents(PipelineState &state) : m_state(state) {}

    int notify(NoticeCode code, const void *payload) override
    {
        if (code == NoticeCode::PostAnswered)
            m_postAnswered = true;
        return m_state.notify(code, payload);
    }

    /// Whether the window has had the post's answer: it then holds no dialog for this post.
    bool postAnswered() const { return m_postAnswered; }

    void pause(std::chrono::milliseconds duration) override
    {
        std::unique_lock lock(m_state.lock);
        m_state.stopping.wait_for(lock, duration, [&] { return m_state.shuttingDown; });
    }

private:
    PipelineState &m_state;
    bool m_postAnswered = false;
};

void deliverCategories(PipelineState &state, void *plugin, const FetchRequest &request, const char *header,
                       const char *body)
{
    auto parse = plugin_api::FindExport<ParseCategoryFn>(plugin, plugin_api::kParseCategoryName);
    if (!parse)
        return;
    auto &records = state.categoryRecords;
    std::fill(records.begin(), records.end(), CategoryRecord{});
    int count = boundedCount(parse(records.data(), &request, header, body), plugin_api::kMaxCategoryRecords);
    if (count == 0)
        return;
    std::for_each(records.begin(), records.begin() + count, [](CategoryRecord &r) { terminateRecord(r); });
    CategoryResult result{request.plugin, records.data(), count};
    state.notify(NoticeCode::CategoryParsed, &result);
}

/// Whether the board answered with a success status and a body: a page without topics is then
/// a board that has none, not a failure.
bool answeredInFull(const char *header, const char *body)
{
    if (!body)
        return false;
    std::string_view line(header);
    line = line.substr(0, line.find('\n'));
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos)
        return false;
    const int status = base::ParseInt(line.substr(blank + 1, 3), 0);
    return status >= 200 && status < 300;
}

/// False when the plug-in found no topic on a page the board did not answer in full: an error
/// status or a page broken off.
bool deliverTopicList(PipelineState &state, void *plugin, const FetchRequest &request, const char *header,
                      const char *body)
{
    auto parse = plugin_api::FindExport<ParseThreadListFn>(plugin, plugin_api::kParseThreadListName);
    if (!parse)
        return true;
    std::vector<TopicRecord> records(plugin_api::kMaxTopicRecords);
    int count = boundedCount(parse(records.data(), &request, header, body), plugin_api::kMaxTopicRecords);
    // A board without topics is still a list: the window is told, so that the tab waiting for it
    // shows the stored topics and ends its wait.
    if (count == 0 && !answeredInFull(header, body))
        return false;
    std::for_each(records.begin(), records.begin() + count, [](TopicRecord &r) { terminateRecord(r); });
    PageResult result = MakePageResult(request, records.data(), false);
    result.value = count;
    state.notify(NoticeCode::TopicListParsed, &result);
    return true;
}

/// False when the plug-in could not read the page: a message page that the board answered with an
/// error status, or that broke off, holds no message. A plug-in without the parser is not asked.
bool deliverMessage(PipelineState &state, void *plugin, const FetchRequest &request, const char *header,
                    const char *body)
{
    auto parse = plugin_api::FindExport<ParseThreadFn>(plugin, plugin_api::kParseThreadName);
    if (!parse)
        return true;
    auto record = std::make_unique<MessageRecord>();
    if (parse(record.get(), &request, header, body) == 0)
        return false;
    terminateRecord(*record);
    PageResult result = MakePageResult(request, record.get());
    result.value = request.refetchCount;
    if (state.notify(NoticeCode::MessageParsed, &result) == -1)
        state.notify(NoticeCode::MessageRejected, &request);
    return true;
}

void deliverPostForm(PipelineState &state, void *plugin, const FetchRequest &request, const char *header,
                     const char *body)
{
    auto parse = plugin_api::FindExport<ParsePostFormFn>(plugin, plugin_api::kParsePostFormName);
    if (!parse)
        return;
    std::vector<std::array<char, plugin_api::kPostFormTextSize>> texts(plugin_api::kPostFormTexts);
    std::array<char *, plugin_api::kPostFormTexts> pointers{};
    for (std::size_t i = 0; i < texts.size(); ++i)
        pointers[i] = texts[i].data();
    int count = boundedCount(parse(pointers.data(), &request, header, body), plugin_api::kPostFormTexts);
    for (auto &text : texts)
        text.back() = '\0';
    if (count != 0) {
        PageResult result = MakePageResult(request, pointers.data());
        result.value = count;
        state.notify(NoticeCode::PostFormParsed, &result);
    } else {
        PageResult result = MakePageResult(request, nullptr, false);
        state.notify(NoticeCode::PostFormEmpty, &result);
    }
}

/// Hands the response to the plug-in's parser for the request's kind. Logins, logouts and posts
/// were decided while their header was read. False for a message page that brought no message
/// or a list page without topics: the topic waits for an answer for every number it asked for and
/// the list tab for its list, so such a page counts as failed (retried, then given up).
bool deliver(PipelineState &state, void *plugin, const FetchRequest &request, const Response &response)
{
    const char *header = response.header.c_str();
    const char *body = response.body ? response.body->c_str() : nullptr;
    switch (request.kind) {
    case plugin_api::kCategoryPage:
        deliverCategories(state, plugin, request, header, body);
        break;
    case plugin_api::kTopicList:
        return deliverTopicList(state, plugin, request, header, body);
    case plugin_api::kMessagePage:
        return deliverMessage(state, plugin, request, header, body);
    case plugin_api::kPostForm:
        deliverPostForm(state, plugin, request, header, body);
        break;
    default:
        break;
    }
    return true;
}

} // namespace

void LowerThreadPriority()
{
    // On Linux the nice value belongs to the thread (who 0 is the calling thread), and threads
    // it creates inherit it; 19 is the lowest priority.
    (void)::setpriority(PRIO_PROCESS, 0, 19);
}

int ReportFailure(PipelineState &state, const FetchRequest &request)
{
    if (state.notify(NoticeCode::RequestFailed, &request) != 0)
        return 1;

    MessageRecord record{};
    copyText(record.author, kFailureAuthor);
    copyText(record.title, kRetryErrorText);
    copyText(record.text, kReceiveFailedText);
    copyText(record.date, "0000/00/00");
    copyText(record.time, "00:00");
    std::string_view url(request.url, ::strnlen(request.url, sizeof request.url));
    int number = base::ParseInt(base::ExtractUrlParam("mid=", url).value_or(""), 0);
    record.number = number;
    record.lastNumber = number;
    record.replyTo = 0;
    PageResult result = MakePageResult(request, &record);
    result.value = request.refetchCount;
    result.givenUp = 1;
    state.notify(NoticeCode::MessageParsed, &result);
    return 0;
}

int FetchWorker(const std::shared_ptr<PipelineState> &statePtr, RequestPtr request)
{
    // Already at the lowest priority: a thread starts with the nice value of the dispatcher
    // that created it.
    PipelineState &state = *statePtr;

    bool requeued = false;
    try {
        void *plugin = nullptr;
        ExchangeSettings settings = state.exchangeSettings(&plugin);
        WorkerEvents events(state);
        ExchangeResult exchange = Exchange(*request, settings, events);
        if (request->kind == plugin_api::kPost) {
            // A post is settled by its answer alone. Without one (the exchange failed, or the
            // header broke off or had no status line) its outcome is unknown and the user must
            // hear so. After one, a later timeout must not reach the dialog again: by then the
            // user may have sent once more, and a second "unknown" would invite a double post.
            if (!events.postAnswered())
                requeued = ReportFailure(state, *request) != 0;
        } else if (exchange.error != ExchangeError::None)
            requeued = ReportFailure(state, *request) != 0;
        else if (!deliver(state, plugin, *request, exchange.response))
            requeued = ReportFailure(state, *request) != 0;
    } catch (const std::exception &) {
        // Only running out of memory gets here; the request then counts as failed.
        try {
            requeued = ReportFailure(state, *request) != 0;
        } catch (const std::exception &) {
            requeued = false;
        }
    }

    if (request->kind == plugin_api::kCategoryPage) {
        {
            std::lock_guard lock(state.lock);
            state.categoryRunning = false;
        }
        state.categoryWake.notify_all();
        // After a queued retry RequeueRequest has already woken the category dispatcher.
        if (!requeued)
            state.notify(NoticeCode::CategoryWorkerEnded, nullptr);
    } else {
        // Also after a queued retry: the place in the running count is always released.
        state.notify(NoticeCode::WorkerEnded, nullptr);
    }
    request.reset();

    {
        std::lock_guard lock(state.lock);
        --state.liveWorkers;
    }
    state.workersGone.notify_all();
    return 0;
}

} // namespace net
