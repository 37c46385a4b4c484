// The settings a topic download reads.
#include "store/topicstate.h"

#include <algorithm>

#include "base/text.h"

namespace store {

int FetchLimit(const settings::NetworkSettings &network)
{
    if (network.dlCountIndex <= 0 || network.dlCount.empty())
        return -1;
    const std::size_t index = std::min(static_cast<std::size_t>(network.dlCountIndex), network.dlCount.size());
    const int value = base::ParseInt(network.dlCount[index - 1], 1);
    return value < 1 ? 1 : value;
}

int DlCountIndexFor(std::string_view caption, const std::vector<std::string> &dlCount)
{
    for (std::size_t i = 0; i < dlCount.size(); ++i) {
        if (dlCount[i] == caption)
            return static_cast<int>(i + 1);
    }
    return 0;
}

FetchOptions MakeFetchOptions(const settings::Settings &settings, std::string boardBase)
{
    FetchOptions options;
    options.boardBase = std::move(boardBase);
    options.msgview = settings.general.msgview;
    options.resretry = settings.network.resretry;
    options.dlNew = settings.network.dlNew;
    options.limit = FetchLimit(settings.network);
    return options;
}

} // namespace store
