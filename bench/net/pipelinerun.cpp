// The pipeline alone, with a main thread that does nothing but store each record.
#include "bench/net/pipelinerun.h"

#include <sys/resource.h>

#include <chrono>
#include <memory>

#include "net/notice.h"
#include "net/pipeline.h"
#include "plugin_api/records.h"
#include "settings/settings.h"

namespace benchnet {

namespace {

/// The main window's part: the pipeline's own notices, and a copy of every message record kept by
/// its number.
class StoringMainThread final : public net::NoticeHandler {
public:
    StoringMainThread(net::Pipeline &pipeline, int messages)
        : m_pipeline(pipeline), m_stored(static_cast<std::size_t>(messages))
    {
    }

    int handleNotice(net::NoticeCode code, const void *payload) override
    {
        switch (code) {
        case net::NoticeCode::RequestFailed:
            ++failures;
            return m_pipeline.handleRequestFailed(*static_cast<const FetchRequest *>(payload)).answer;
        case net::NoticeCode::WorkerEnded:
            m_pipeline.handleWorkerEnded();
            return 0;
        case net::NoticeCode::MessageParsed: {
            auto page = static_cast<const net::PageResult *>(payload);
            auto record = static_cast<const MessageRecord *>(page->result);
            if (record && record->number >= 1 && record->number <= static_cast<int>(m_stored.size())) {
                MessageRecord &slot = m_stored[static_cast<std::size_t>(record->number - 1)];
                if (slot.number == 0)
                    ++stored;
                slot = *record;
            }
            return 0;
        }
        case net::NoticeCode::MessageRejected:
            return m_pipeline.handleMessageRejected(*static_cast<const FetchRequest *>(payload));
        default:
            return 0;
        }
    }

    void handleStatus(net::StatusEvent event) override { m_pipeline.dispatcherStatus(event); }

    int stored = 0;
    int failures = 0;

private:
    net::Pipeline &m_pipeline;
    std::vector<MessageRecord> m_stored;
};

} // namespace

double ProcessCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

PipelineFigures RunPipeline(int port, void *plugin, const std::vector<std::string> &urls, const std::string &key,
                            int threadMax)
{
    auto queue = std::make_shared<net::NoticeQueue>();
    net::Pipeline pipeline(queue);
    settings::NetworkSettings network;
    network.proxy = true;
    network.proxyServer = "127.0.0.1";
    network.proxyPort = port;
    network.threadMax = threadMax;
    network.timeout = 10000;
    pipeline.setNetworkSettings(network);
    pipeline.setEndpoints(settings::EndpointSettings{});
    pipeline.setPlugin(plugin);
    StoringMainThread main(pipeline, static_cast<int>(urls.size()));
    if (!pipeline.start())
        return {};

    const double cpu0 = ProcessCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    for (const std::string &url : urls)
        pipeline.EnqueueRequest(plugin, url.c_str(), key.c_str(), nullptr, plugin_api::kMessagePage, 0, 0);
    const auto deadline = t0 + std::chrono::seconds(300);
    auto busy = [&] { return pipeline.waitingGeneral() > 0 || pipeline.runningCount() > 0; };
    while (busy() && std::chrono::steady_clock::now() < deadline)
        queue->waitAndProcess(main, std::chrono::milliseconds(100));
    PipelineFigures f;
    f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    pipeline.waitForWorkers(std::chrono::seconds(10));
    f.cpuSeconds = ProcessCpuSeconds() - cpu0;
    f.completed = main.stored;
    f.failures = main.failures;
    f.messageNotices = queue->times(net::NoticeCode::MessageParsed);
    f.endNotices = queue->times(net::NoticeCode::WorkerEnded);
    pipeline.shutdown();
    return f;
}

} // namespace benchnet
