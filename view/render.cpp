// The topic page: skin templates filled with the tab's log lines.
#include "view/render.h"

#include <algorithm>
#include <unordered_set>

#include "base/text.h"
#include "view/answers.h"
#include "view/ngfilter.h"
#include "view/texttransform.h"

namespace view {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendPercent(std::string &out, unsigned char c)
{
    out.push_back('%');
    out.push_back(kHex[c >> 4]);
    out.push_back(kHex[c & 15]);
}

// A URL placed inside a double-quoted attribute: nothing in it may end the attribute or the tag,
// and no reply marker may remain for LinkReferences to find.
void AppendAttributeUrl(std::string &out, std::string_view url)
{
    for (std::size_t i = 0; i < url.size(); ++i) {
        const auto c = static_cast<unsigned char>(url[i]);
        if (c == '&') {
            const std::string_view rest = url.substr(i);
            const char *decoded = rest.starts_with("&gt;")     ? ">"
                                  : rest.starts_with("&lt;")   ? "<"
                                  : rest.starts_with("&quot;") ? "\""
                                                               : nullptr;
            if (decoded) {
                AppendPercent(out, static_cast<unsigned char>(*decoded));
                i += rest.starts_with("&quot;") ? 5 : 3;
                continue;
            }
            out.push_back('&');
        } else if (c == '"' || c == '\'' || c == '<' || c == '>' || c == ' ' || c == '`') {
            AppendPercent(out, c);
        } else if (c < 0x20 || c == 0x7f) {
            continue;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// The href of an "<a …>" tag that starts at text[0], and the tag's length; nullopt when the
// tag has no end or no href.
struct AnchorTag {
    std::string_view href;
    std::size_t length = 0;
};

std::optional<AnchorTag> ParseAnchorTag(std::string_view text)
{
    if (text.size() < 3 || !StartsWithNoCase(text, "<a") || !IsSpace(text[2]))
        return std::nullopt;
    std::optional<std::string_view> href;
    std::size_t i = 3;
    while (i < text.size()) {
        while (i < text.size() && IsSpace(text[i]))
            ++i;
        if (i >= text.size())
            break;
        const std::size_t attributeStart = i;
        if (text[i] == '>') {
            if (!href)
                return std::nullopt;
            return AnchorTag{*href, i + 1};
        }
        const std::size_t nameStart = i;
        while (i < text.size() && !IsSpace(text[i]) && text[i] != '=' && text[i] != '>')
            ++i;
        const std::string_view name = text.substr(nameStart, i - nameStart);
        while (i < text.size() && IsSpace(text[i]))
            ++i;
        std::string_view value;
        if (i < text.size() && text[i] == '=') {
            ++i;
            while (i < text.size() && IsSpace(text[i]))
                ++i;
            if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
                const char quote = text[i];
                const std::size_t end = text.find(quote, i + 1);
                if (end == std::string_view::npos)
                    return std::nullopt;
                value = text.substr(i + 1, end - i - 1);
                i = end + 1;
            } else {
                const std::size_t start = i;
                while (i < text.size() && !IsSpace(text[i]) && text[i] != '>')
                    ++i;
                value = text.substr(start, i - start);
            }
        }
        if (!href && name.size() == 4 && StartsWithNoCase(name, "href"))
            href = value;
        if (i == attributeStart)
            ++i;
    }
    return std::nullopt;
}

bool IsWebAddress(std::string_view url)
{
    while (!url.empty() && IsSpace(url.front()))
        url.remove_prefix(1);
    return StartsWithNoCase(url, "http://") || StartsWithNoCase(url, "https://");
}

} // namespace

std::string MessageLinkBase(std::string_view boardBase, std::string_view topicUrl)
{
    const std::string board = base::ExtractUrlParam("board=", topicUrl).value_or("");
    const std::string tid = base::ExtractUrlParam("tid=", topicUrl).value_or("");
    std::string out;
    AppendAttributeUrl(out, boardBase);
    out += "bbs?action=m&board=";
    AppendAttributeUrl(out, board);
    out += "&sid=";
    AppendAttributeUrl(out, board);
    out += "&tid=";
    AppendAttributeUrl(out, tid);
    out += "&mid=";
    return out;
}

bool IsNgMessage(const store::LogFields &fields, const settings::NgLists &ng)
{
    return ng.names.contains(fields.author) || ng.titles.contains(fields.title) ||
           ContainsAnyEntry(fields.body, ng.words);
}

std::string EscapeFieldText(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

std::string SafeMessageHtml(std::string_view text)
{
    static constexpr std::string_view kBreaks[] = {"<br>", "<BR>", "<br/>", "<br />"};
    std::string out;
    out.reserve(text.size() + 16);
    int open = 0;
    std::size_t i = 0;
    // A ">" right after a tag kept here would make a reply marker with the tag's own ">", and
    // LinkReferences would then cut the tag open; as "&gt;" it shows the same.
    auto escapeNextCloser = [&] {
        if (i < text.size() && text[i] == '>') {
            out += "&gt;";
            ++i;
        }
    };
    while (i < text.size()) {
        const std::size_t lt = text.find('<', i);
        if (lt == std::string_view::npos) {
            out.append(text, i);
            break;
        }
        out.append(text, i, lt - i);
        const std::string_view rest = text.substr(lt);
        i = lt + 1;
        const auto brk = std::find_if(std::begin(kBreaks), std::end(kBreaks),
                                      [&](std::string_view b) { return rest.starts_with(b); });
        if (brk != std::end(kBreaks)) {
            out += *brk;
            i = lt + brk->size();
            escapeNextCloser();
            continue;
        }
        if (open > 0 && StartsWithNoCase(rest, "</a>")) {
            out += "</a>";
            --open;
            i = lt + 4;
            escapeNextCloser();
            continue;
        }
        if (const std::optional<AnchorTag> tag = ParseAnchorTag(rest); tag && IsWebAddress(tag->href)) {
            std::string_view href = tag->href;
            while (!href.empty() && IsSpace(href.front()))
                href.remove_prefix(1);
            out += "<a href=\"";
            AppendAttributeUrl(out, href);
            out += "\">";
            ++open;
            i = lt + tag->length;
            escapeNextCloser();
            continue;
        }
        out += "&lt;";
    }
    for (; open > 0; --open)
        out += "</a>";
    return out;
}

std::string BuildTopicPage(const Skin &skin, const std::vector<std::string> &lines, const store::TopicState &tab,
                           const PageOptions &options)
{
    static const settings::NgLists kNoNg;
    const settings::NgLists &ng = options.ng ? *options.ng : kNoNg;
    const std::string linkBase = MessageLinkBase(options.boardBase, tab.topicUrl);
    const std::string postCount = std::to_string(tab.postCount);
    const std::unordered_set<std::string_view> newNumbers(tab.newNumbers.begin(), tab.newNumbers.end());

    std::string page;
    const std::size_t first = static_cast<std::size_t>(std::max(0, tab.viewStart));
    const std::size_t count = first < lines.size() ? std::min<std::size_t>(lines.size() - first,
                                                                           std::max(0, options.msgview))
                                                   : 0;
    page.reserve(skin.header.size() + skin.footer.size() + count * (skin.newRes.size() + 512));
    page += skin.header;

    // Answers are collected only for what needs them: a skin without the tag and a filter
    // without patterns or chain build the page exactly as without either.
    auto hasTag = [](const std::string &tpl) { return tpl.find(kReplyCountTag) != std::string::npos; };
    const bool countAnswers = hasTag(skin.res) || hasTag(skin.newRes) || hasTag(skin.res2) || hasTag(skin.newRes2);
    const bool patterns = options.ngPatterns && !options.ngPatterns->empty();
    AnswerIndex answers;
    if (count > 0 && (countAnswers || options.ngChain))
        answers = BuildAnswerIndex(lines);
    std::vector<bool> hiddenLines;
    if (count > 0 && (patterns || options.ngChain))
        hiddenLines = HiddenLines(lines, NgFilter{&ng, options.ngPatterns, options.ngChain}, &answers);

    for (std::size_t j = first; j < first + count; ++j) {
        const store::LogFields f = store::SplitLogLine(lines[j]);
        const bool hidden = hiddenLines.empty() ? IsNgMessage(f, ng) : static_cast<bool>(hiddenLines[j]);
        const std::string message = hidden ? std::string(kNgText) : LinkReferences(SafeMessageHtml(f.body), linkBase);
        const bool repliesToNone = base::ParseInt(f.replyTo, 0) == 0;
        const std::string *tpl;
        if (newNumbers.count(f.number))
            tpl = repliesToNone && !skin.newRes2.empty() ? &skin.newRes2 : &skin.newRes;
        else
            tpl = repliesToNone && !skin.res2.empty() ? &skin.res2 : &skin.res;

        const std::string replyTo = EscapeFieldText(f.replyTo);
        std::string block = ReplaceAll(*tpl, "<NUMBER/>", EscapeFieldText(f.number));
        if (f.replyTo != "0")
            block = ReplaceAll(block, "<RESNUMBER/>", replyTo);
        block = ReplaceAll(block, "<MSGCOUNT/>", postCount);
        block = ReplaceAll(block, "<RESURL/>", linkBase + replyTo);
        block = ReplaceAll(block, "<DATE/>", EscapeFieldText(f.dateTime));
        block = ReplaceAll(block, "<NAME/>", hidden ? std::string(kNgText) : EscapeFieldText(f.author));
        block = ReplaceAll(block, "<TITLE/>", hidden ? std::string(kNgText) : EscapeFieldText(f.title));
        if (countAnswers)
            block = ReplaceAll(block, kReplyCountTag,
                               ReplyCountHtml(base::ParseInt(f.number, 0), answers.answers[j].size()));
        page += ReplaceAll(block, "<MESSAGE/>", message);
    }
    page += skin.footer;
    return page;
}

RenderedPage RenderTopicPage(const store::TopicState &tab, const std::vector<std::string> &lines,
                             const RenderSettings &settings)
{
    RenderedPage out;
    out.skinDir = settings.skinDir;
    switch (EnsureSkin(settings.skinDir, settings.programDir, settings.profileBase, &out.error)) {
    case SkinStatus::Present:
        break;
    case SkinStatus::DefaultWritten:
        out.skinDir = ProgramSkinDir(settings.programDir);
        out.skinDirChanged = true;
        break;
    case SkinStatus::WriteFailed:
        // Shown to the user under a Japanese caption: the detail stays for the build tool.
        out.error = std::string(kSkinWriteFailedText) + "\n" + ProgramSkinDir(settings.programDir);
        return out;
    }
    PageOptions options;
    options.boardBase = settings.boardBase;
    options.msgview = settings.msgview;
    options.ng = settings.ng;
    options.ngPatterns = settings.ngPatterns;
    options.ngChain = settings.ngChain;
    Skin skin = ReadSkin(out.skinDir);
    if (settings.dark && skin.header == DefaultHeader())
        skin.header = DefaultDarkHeader();
    out.html = BuildTopicPage(skin, lines, tab, options);
    out.ok = true;
    return out;
}

} // namespace view
