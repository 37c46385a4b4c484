// Message pages: one message per page, or the page that reports a missing message.
#include "plugin/pagetext.h"
#include "plugin/parsers.h"

namespace hakobune {

namespace {

// "リクエストエラー" (request error)
constexpr std::string_view kErrorTitle = "\x83\x8a\x83\x4e\x83\x47\x83\x58\x83\x67\x83\x47\x83\x89\x81\x5b";
// "メッセージが見つかりませんでした。" (the message was not found)
constexpr std::string_view kErrorText = "\x83\x81\x83\x62\x83\x5a\x81\x5b\x83\x57\x82\xaa\x8c\xa9\x82\xc2\x82\xa9"
                                        "\x82\xe8\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81\x42";
// A zero date marks an error message for the merge.
constexpr std::string_view kErrorDate = "0000/00/00 00:00";

struct MessageTexts {
    std::string_view author;
    std::string_view date; // "YYYY/MM/DD HH:MM"
    std::string_view number;
    std::string_view lastNumber;
    std::string_view replyTo;
};

void completeRecord(MessageRecord &record, const MessageTexts &t)
{
    WriteAscii(record.date, t.date.substr(0, 10));
    WriteAscii(record.time, Slice(t.date, 11, 16));
    record.number = LeadingNumber(t.number);
    record.replyTo = LeadingNumber(t.replyTo);
    record.lastNumber = LeadingNumber(t.lastNumber);
    WriteText(record.author, t.author);
}

int parseMessage(std::string_view profileUrl, MessageRecord &record, std::string_view body)
{
    // Every search goes on from where the previous one ended; a missing marker leaves the
    // record untouched.
    const std::size_t titleMarker = body.find("<big><b>");
    const std::size_t titleStart = titleMarker + 8;
    const std::size_t titleEnd = body.find("</b>", titleStart);
    if (titleEnd == kNotFound)
        return 0;

    const std::size_t dateMarker = body.find("t><small>", titleEnd);
    if (dateMarker == kNotFound)
        return 0;
    const std::size_t dateStart = dateMarker + 9;
    const std::size_t dateEnd = body.find("<br>", dateStart);
    if (dateEnd == kNotFound)
        return 0;

    const std::size_t colon = body.find(':', dateEnd);
    if (colon == kNotFound)
        return 0;
    const std::size_t numberStart = colon + 2;
    const std::size_t numberEnd = body.find(' ', numberStart);
    if (numberEnd == kNotFound)
        return 0;
    const std::size_t lastStart = numberEnd + 3;
    const std::size_t lastEnd = body.find('<', lastStart);
    if (lastEnd == kNotFound)
        return 0;

    if (profileUrl.empty())
        return 0;
    const std::size_t profile = body.find(profileUrl, lastEnd);
    if (profile == kNotFound)
        return 0;
    const std::size_t authorTag = body.find('>', profile + profileUrl.size());
    if (authorTag == kNotFound)
        return 0;
    const std::size_t authorStart = authorTag + 1;
    const std::size_t authorEnd = body.find("</a>", authorStart);
    if (authorEnd == kNotFound)
        return 0;

    const std::size_t paragraph = body.find("<p>", authorEnd);
    if (paragraph == kNotFound)
        return 0;
    const std::size_t textStart = paragraph + 4;
    const std::size_t textEnd = body.find("\n</td>", textStart);
    if (textEnd == kNotFound)
        return 0;

    const std::size_t small = body.find("<small>", textEnd);
    if (small == kNotFound)
        return 0;
    const std::size_t replyTag = body.find('>', small + 9);
    if (replyTag == kNotFound)
        return 0;
    std::string_view replyTo = "0";
    if (IsDigit(ByteAt(body, replyTag + 1))) {
        const std::size_t replyEnd = body.find('<', replyTag + 1);
        if (replyEnd == kNotFound)
            return 0;
        replyTo = Slice(body, replyTag + 1, replyEnd);
    }

    WriteConverted(record.title, Slice(body, titleStart, titleEnd));
    WriteConverted(record.text, Slice(body, textStart, textEnd));
    MessageTexts t;
    t.date = Slice(body, dateStart, dateEnd);
    t.number = Slice(body, numberStart, numberEnd);
    t.lastNumber = Slice(body, lastStart, lastEnd);
    t.author = Slice(body, authorStart, authorEnd);
    t.replyTo = replyTo;
    completeRecord(record, t);
    return 1;
}

int parseError(MessageRecord &record, std::string_view requestUrl)
{
    char number[32];
    ExtractQueryValue("mid=", requestUrl, number, sizeof number);
    WriteText(record.title, kErrorTitle);
    WriteText(record.text, kErrorText);
    MessageTexts t;
    t.author = "Yahoo";
    t.date = kErrorDate;
    t.number = number;
    t.lastNumber = number;
    t.replyTo = "0";
    completeRecord(record, t);
    return 1;
}

} // namespace

int ParseThreadPage(std::string_view profileUrl, MessageRecord *record, std::string_view requestUrl,
                    const char *bodyText)
{
    if (!record || !bodyText)
        return 0;
    const std::string_view body(bodyText);
    if (body.find("<big><b>") != kNotFound)
        return parseMessage(profileUrl, *record, body);
    if (body.find("<center><b>") != kNotFound)
        return parseError(*record, requestUrl);
    return 0;
}

} // namespace hakobune
