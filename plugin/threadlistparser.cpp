// Topic-list pages: the board's list, and the two page forms that describe a single topic.
#include "plugin/pagetext.h"
#include "plugin/parsers.h"

#include <cstring>

namespace hakobune {

namespace {

constexpr std::string_view kListMarker = "<td valign=top width=97%>";
constexpr std::string_view kSingleAMarker = "<td valign=top width=\"5%\">";
constexpr std::string_view kSingleBMarker = "<td valign=top align=right>";

struct TopicTexts {
    std::string_view title;
    std::string_view count;
    std::string_view date; // "YYYY/MM/DD HH:MM"
    std::string_view target;
};

void fillTopic(TopicRecord &record, std::string_view boardUrl, std::string_view boardId, const TopicTexts &t)
{
    record = TopicRecord{};
    WriteConverted(record.title, t.title);
    record.postCount = LeadingNumber(t.count);
    WriteAscii(record.date, t.date.substr(0, 10));
    WriteAscii(record.time, Slice(t.date, 11, 16));
    if (ExtractQueryValue("tid=", t.target, record.topicId, sizeof record.topicId)) {
        FieldBuilder(record.topicUrl, sizeof record.topicUrl)
            .append(boardUrl)
            .append("bbs?action=m&board=")
            .append(boardId)
            .append("&sid=")
            .append(boardId)
            .append("&tid=")
            .append(record.topicId)
            .append("&mid=1");
    } else {
        WriteAscii(record.topicUrl, t.target);
    }
}

/// The text after the first blank that follows marker, up to the next line feed.
bool findTitleLine(std::string_view body, std::string_view marker, std::size_t &titleStart, std::string_view &title)
{
    const std::size_t m = body.find(marker);
    if (m == kNotFound)
        return false;
    const std::size_t blank = body.find(' ', m + marker.size());
    if (blank == kNotFound)
        return false;
    const std::size_t lf = body.find('\n', blank + 1);
    if (lf == kNotFound)
        return false;
    titleStart = blank + 1;
    // A page with CR LF line ends would otherwise leave the CR at the end of the title.
    const std::size_t end = lf > titleStart && body[lf - 1] == '\r' ? lf - 1 : lf;
    title = Slice(body, titleStart, end);
    return true;
}

/// A link target cut at the ">" that closes it, without the quote before that ">" when it has one:
/// a quote left at its end would end the topic id when "tid=" is the last parameter.
std::string_view unquoted(std::string_view target)
{
    if (target.ends_with('"'))
        target.remove_suffix(1);
    return target;
}

int parseList(std::string_view boardUrl, std::string_view boardId, TopicRecord *records, int capacity,
              std::string_view body)
{
    MarkerFinder href(body, "href");
    MarkerFinder tagEnd(body, ">");
    MarkerFinder linkEnd(body, "</a>");
    MarkerFinder nowrap(body, "nowrap");
    MarkerFinder cellEnd(body, "</td>");

    int count = 0;
    std::size_t pos = 0;
    while (count < capacity) {
        const std::size_t h = href.next(pos);
        if (h == kNotFound)
            break;
        std::size_t start = h + 5;
        if (ByteAt(body, start) == '"')
            ++start;
        const std::size_t close = tagEnd.next(start);
        if (close == kNotFound)
            break;
        const std::size_t end = close > start && body[close - 1] == '"' ? close - 1 : close;
        const std::string_view target = Slice(body, start, end);
        if (!(target.size() >= 4 && target.substr(1, 3) == "bbs") || target.find("first=1") == kNotFound) {
            pos = end;
            continue;
        }
        TopicTexts t;
        t.target = target;
        // The title starts after the ">" that closes the target, quoted or not.
        const std::size_t titleStart = close + 1;
        const std::size_t titleEnd = linkEnd.next(titleStart);
        if (titleEnd == kNotFound)
            break;
        t.title = Slice(body, titleStart, titleEnd);

        const std::size_t countCell = nowrap.next(titleEnd);
        if (countCell == kNotFound)
            break;
        const std::size_t countStart = countCell + 7;
        const std::size_t countEnd = cellEnd.next(countStart);
        if (countEnd == kNotFound)
            break;
        t.count = Slice(body, countStart, countEnd);

        const std::size_t dateCell = nowrap.next(countEnd);
        if (dateCell == kNotFound)
            break;
        const std::size_t dateStart = dateCell + 7;
        const std::size_t dateEnd = cellEnd.next(dateStart);
        if (dateEnd == kNotFound)
            break;
        t.date = Slice(body, dateStart, dateEnd);

        fillTopic(records[count], boardUrl, boardId, t);
        ++count;
        pos = dateStart;
    }
    return count;
}

int parseSingleA(std::string_view boardUrl, std::string_view boardId, TopicRecord *records, std::string_view body)
{
    TopicTexts t;
    std::size_t titleStart;
    if (!findTitleLine(body, "<font size=+1>", titleStart, t.title))
        return 0;

    const std::size_t cell = body.find(kSingleAMarker);
    const std::size_t countMarker = body.find("<font size=-1>", cell);
    if (countMarker == kNotFound)
        return 0;
    const std::size_t countStart = countMarker + 14;
    const std::size_t countEnd = body.find('<', countStart);
    if (countEnd == kNotFound)
        return 0;
    t.count = Slice(body, countStart, countEnd);

    const std::size_t link = body.find("<a href=", countEnd);
    if (link == kNotFound)
        return 0;
    const std::size_t targetEnd = body.find('>', link + 8);
    if (targetEnd == kNotFound)
        return 0;
    const std::size_t targetStart = ByteAt(body, link + 8) == '"' ? link + 9 : link + 8;
    t.target = unquoted(Slice(body, targetStart, targetEnd));

    const std::size_t dateMarker = body.find("ap><small>", targetEnd);
    if (dateMarker == kNotFound)
        return 0;
    const std::size_t rawStart = dateMarker + 10;
    const std::size_t rawEnd = body.find('<', rawStart);
    if (rawEnd == kNotFound)
        return 0;
    // An entity between date and time ("&nbsp;") stands for one blank.
    const std::string_view raw = Slice(body, rawStart, rawEnd);
    char date[32] = {};
    std::size_t n = 0;
    for (std::size_t i = 0; i < raw.size() && n < sizeof date - 1;) {
        if (raw[i] == '&') {
            date[n++] = ' ';
            i += 6;
        } else {
            date[n++] = raw[i++];
        }
    }
    t.date = std::string_view(date, n);

    fillTopic(records[0], boardUrl, boardId, t);
    return 1;
}

int parseSingleB(std::string_view boardUrl, std::string_view boardId, TopicRecord *records, std::string_view body)
{
    TopicTexts t;
    std::size_t titleStart;
    if (!findTitleLine(body, "<font size=\"+1\">", titleStart, t.title))
        return 0;

    const std::size_t cell = body.find("<td nowrap><small>", titleStart);
    if (cell == kNotFound)
        return 0;
    const std::size_t link = body.find("<a href=", cell);
    if (link == kNotFound)
        return 0;
    const std::size_t targetEnd = body.find('>', link);
    if (targetEnd == kNotFound)
        return 0;
    t.target = unquoted(Slice(body, link, targetEnd));

    const std::size_t countCell = body.find(kSingleBMarker, targetEnd);
    if (countCell == kNotFound)
        return 0;
    const std::size_t lf = body.find('\n', countCell);
    if (lf == kNotFound)
        return 0;
    const std::size_t slash = body.find('/', lf);
    if (slash == kNotFound)
        return 0;
    const std::size_t countEnd = body.find('<', slash + 2);
    if (countEnd == kNotFound)
        return 0;
    t.count = Slice(body, slash + 2, countEnd);

    // The page shows no date.
    t.date = "1899/12/30 00:00";

    fillTopic(records[0], boardUrl, boardId, t);
    return 1;
}

} // namespace

int ParseThreadListPage(std::string_view boardUrl, TopicRecord *records, int capacity, std::string_view requestUrl,
                        const char *bodyText)
{
    if (!records || !bodyText || capacity <= 0 || boardUrl.empty() || !requestUrl.starts_with(boardUrl))
        return 0;
    const std::string_view body(bodyText);
    char boardId[256];
    ExtractQueryValue("board=", requestUrl, boardId, sizeof boardId);

    if (body.find(kListMarker) != kNotFound)
        return parseList(boardUrl, boardId, records, capacity, body);
    if (body.find(kSingleAMarker) != kNotFound)
        return parseSingleA(boardUrl, boardId, records, body);
    if (body.find(kSingleBMarker) != kNotFound)
        return parseSingleB(boardUrl, boardId, records, body);
    return 0;
}

} // namespace hakobune
