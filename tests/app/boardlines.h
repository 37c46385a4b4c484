// The log line the program must store for a message of the bundled board server's sample data,
// made from the data itself: what the whole-program soak and kill runs compare stored lines with.
#pragma once

#include "boardserver/dataset.h"
#include "boardserver/text.h"
#include "plugin_api/records.h"
#include "store/threadlog.h"

#include <cstring>
#include <string>

namespace apptest {

inline std::string ExpectedLine(const boardserver::Dataset &data, const boardserver::Board &board,
                                const boardserver::Topic &topic, int mid)
{
    const boardserver::Message m = data.message(board, topic, mid);
    MessageRecord r{};
    auto put = [](char *field, std::size_t size, const std::string &text) {
        std::strncpy(field, text.c_str(), size - 1);
    };
    put(r.title, sizeof r.title, boardserver::EucToSjis(m.title));
    put(r.text, sizeof r.text, boardserver::EucToSjis(m.text));
    put(r.author, sizeof r.author, m.author);
    const std::string when = boardserver::FormatMinute(m.minute);
    put(r.date, sizeof r.date, when.substr(0, 10));
    put(r.time, sizeof r.time, when.substr(11));
    r.number = mid;
    r.replyTo = m.replyTo;
    r.lastNumber = topic.messageCount;
    return store::FormatLogLine(r);
}

} // namespace apptest
