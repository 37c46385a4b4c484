// Directory pages: links to deeper category pages and to boards.
#include "plugin/eucjp.h"
#include "plugin/pagetext.h"
#include "plugin/parsers.h"

#include <cstring>

namespace hakobune {

namespace {

// "ニュース、時事問題" (news, current affairs): this category is never taken into the tree.
constexpr std::string_view kNewsCategory = "\x83\x6a\x83\x85\x81\x5b\x83\x58\x81\x41\x8e\x9e\x8e\x96\x96\xe2\x91\xe8";

bool isBoardTarget(std::string_view target)
{
    return target.size() >= 4 && target.substr(1, 3) == "bbs";
}

bool isHexDigitLower(unsigned char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'f');
}

} // namespace

int ParseCategoryPage(std::string_view boardUrl, CategoryRecord *records, int capacity, std::string_view requestUrl,
                      const char *bodyText)
{
    if (!records || !bodyText || capacity <= 0 || boardUrl.empty() || !requestUrl.starts_with(boardUrl))
        return 0;
    const std::string_view body(bodyText);

    MarkerFinder href(body, "href");
    MarkerFinder tagEnd(body, ">");
    MarkerFinder strongEnd(body, "</strong>");
    MarkerFinder linkEnd(body, "</a>");
    MarkerFinder itemEnd(body, "</li>");
    MarkerFinder boldEnd(body, "</b>");
    MarkerFinder atSign(body, "@");
    // Whether the rest of the page still holds a marker is whether its last occurrence lies
    // ahead, which keeps the question cheap for every link.
    const std::size_t lastLeftCell = body.rfind("<td valign=top align=left>");
    const std::size_t lastRowSeparator = body.rfind("&nbsp;|&nbsp;");
    const bool requestEndsInNumber = requestUrl.size() >= 6 && IsDigit(ByteAt(requestUrl, requestUrl.size() - 6));

    bool boardSeen = false;
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
        const bool rooted = target.starts_with('/');
        const bool board = isBoardTarget(target);
        // The text starts after the ">" that closes the target, whichever quoting the link has.
        const std::size_t textStart = close + 1;

        std::size_t nameStart;
        std::size_t nameEnd;
        std::size_t nameMarker; // where the end marker of the name starts
        if (rooted && StartsWithAt(body, textStart, "<strong>")) {
            nameStart = textStart + 8;
            nameMarker = strongEnd.next(nameStart);
            if (nameMarker == kNotFound)
                break;
            nameEnd = nameMarker;
        } else if (rooted && board) {
            const std::size_t e = linkEnd.next(textStart);
            if (e == kNotFound)
                break;
            // "<a href=/bbs…>1834578</a>\n - name</li>": the link shows the board id, the name
            // follows it.
            if (isHexDigitLower(ByteAt(body, e - 1)) && ByteAt(body, e + 6) == '-') {
                nameStart = e + 8;
                nameMarker = itemEnd.next(nameStart);
                if (nameMarker == kNotFound)
                    break;
                nameEnd = nameMarker;
            } else {
                nameStart = textStart;
                nameMarker = e;
                nameEnd = e;
            }
            boardSeen = true;
        } else if (rooted) {
            const bool cellsAhead = lastLeftCell != kNotFound && lastLeftCell >= h;
            const bool separatorAhead = lastRowSeparator != kNotFound && lastRowSeparator >= h;
            if (cellsAhead || !separatorAhead || boardSeen || requestEndsInNumber) {
                pos = h + 1;
                continue;
            }
            nameStart = textStart;
            nameMarker = linkEnd.next(textStart);
            if (nameMarker == kNotFound)
                break;
            nameEnd = nameMarker > nameStart ? nameMarker - 1 : nameStart;
        } else {
            if (!StartsWithAt(body, textStart, "<b>")) {
                pos = h + 1;
                continue;
            }
            nameStart = textStart + 3;
            nameMarker = boldEnd.next(nameStart);
            if (nameMarker == kNotFound)
                break;
            nameEnd = nameMarker;
        }
        const std::string_view nameText = Slice(body, nameStart, nameEnd);

        CategoryRecord record{};
        FieldBuilder url(record.url, sizeof record.url);
        if (rooted)
            url.append(boardUrl).append(target.substr(1));
        else
            url.append(target);
        if (url.lastChar() == '/')
            url.append("index.html");
        WriteAscii(record.parentUrl, requestUrl);
        WriteConverted(record.name, nameText);

        bool dropped = false;
        if (board) {
            record.isCategory = 0;
            record.fetchChildren = 0;
        } else if (std::string_view(record.name) == kNewsCategory) {
            dropped = true;
        } else {
            record.isCategory = 1;
            record.fetchChildren = 1;
        }
        const std::size_t at = atSign.next(nameStart);
        if (at != kNotFound && at < nameEnd)
            dropped = true;
        if (dropped) {
            pos = nameMarker + 1;
            continue;
        }
        std::memcpy(&records[count], &record, sizeof record);
        ++count;
        pos = h + 1;
    }
    return count;
}

} // namespace hakobune
