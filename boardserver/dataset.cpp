// The sample boards, made deterministically from a seed.
#include "boardserver/dataset.h"

#include <algorithm>
#include <cassert>
#include <deque>

#include "boardserver/corpus.h"
#include "boardserver/text.h"

namespace boardserver {

namespace {

// 2004/01/01 00:00, when the sample boards begin.
constexpr std::int64_t kFirstMinute = 12418LL * 1440;
constexpr std::int64_t kTwoYears = 731LL * 1440;
// Message texts stay within what the plug-in's text field holds in Shift_JIS.
constexpr std::size_t kMaxTextSjis = 4000;

std::uint64_t SplitMix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

template <typename T>
const T &Pick(Random &r, const std::vector<T> &items)
{
    assert(!items.empty() && "picking from an empty list");
    return items[r.below(items.size())];
}

std::string Digits(Random &r, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out.push_back(static_cast<char>('0' + (i == 0 ? 1 + r.below(9) : r.below(10))));
    return out;
}

// Fills a pattern: {N} a noun, {K} a half-width katakana word, {D} a four-digit code, {A} an
// ASCII word.
std::string Fill(Random &r, const Corpus &c, std::string_view pattern)
{
    static const std::vector<std::string> kAsciiWords = {"Linux", "Ruby", "jazz", "soba", "cats"};
    std::string out;
    out.reserve(pattern.size() + 16);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '{' && i + 2 < pattern.size() && pattern[i + 2] == '}') {
            switch (pattern[i + 1]) {
            case 'N':
                out += Pick(r, c.nouns);
                break;
            case 'K':
                out += Pick(r, c.kanaWords);
                break;
            case 'D':
                out += Digits(r, 4);
                break;
            case 'A':
                out += Pick(r, kAsciiWords);
                break;
            default:
                out.append(pattern.substr(i, 3));
            }
            i += 2;
            continue;
        }
        out.push_back(pattern[i]);
    }
    return out;
}

void AppendDecimal(std::string &out, std::int64_t value, int width)
{
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width)
        out.append(static_cast<std::size_t>(width) - digits.size(), '0');
    out += digits;
}

} // namespace

std::uint64_t Random::next()
{
    m_state += 0x9E3779B97F4A7C15ULL;
    std::uint64_t z = m_state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint64_t MixSeed(std::uint64_t seed, std::string_view text)
{
    std::uint64_t h = 0xCBF29CE484222325ULL;
    for (const char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001B3ULL;
    }
    return SplitMix(seed ^ h);
}

std::string DatasetOptions::fingerprint() const
{
    return "seed=" + std::to_string(seed) + " categories=" + std::to_string(categories) +
           " depth=" + std::to_string(depth) + " subcategories=" + std::to_string(subcategories) +
           " boards=" + std::to_string(boards) + " topics=" + std::to_string(topics) +
           " messages=" + std::to_string(messages) + " huge=" + std::to_string(hugeTopics) + "x" +
           std::to_string(hugeMessages) + " deleted=" + std::to_string(deletedPermille);
}

std::string MakeTid(std::string_view titleEuc, int serial)
{
    return HexLower(titleEuc.substr(0, std::min<std::size_t>(titleEuc.size(), 8))) + std::to_string(serial);
}

std::string FormatMinute(std::int64_t minute)
{
    if (minute < 0)
        minute = 0;
    const std::int64_t days = minute / 1440;
    const int minuteOfDay = static_cast<int>(minute % 1440);
    // Civil date from a day count (H. Hinnant's algorithm).
    const std::int64_t z = days + 719468;
    const std::int64_t era = z / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    std::int64_t year = yoe + era * 400;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    if (month <= 2)
        ++year;
    std::string out;
    out.reserve(16);
    AppendDecimal(out, year, 4);
    out.push_back('/');
    AppendDecimal(out, month, 2);
    out.push_back('/');
    AppendDecimal(out, day, 2);
    out.push_back(' ');
    AppendDecimal(out, minuteOfDay / 60, 2);
    out.push_back(':');
    AppendDecimal(out, minuteOfDay % 60, 2);
    return out;
}

Dataset::Dataset(const DatasetOptions &options) : m_options(options)
{
    const Corpus &c = GetCorpus();
    Random r(MixSeed(options.seed, "authors"));
    static const char *const kSuffixes[] = {"", "_2004", "1975", "_jp", "x", "77", "_san", "99"};
    for (std::size_t i = 0; i < c.authorStems.size() * 2; ++i) {
        std::string name = c.authorStems[(i + r.below(3)) % c.authorStems.size()];
        name += kSuffixes[(i + r.below(8)) % 8];
        if (std::find(m_authors.begin(), m_authors.end(), name) == m_authors.end())
            m_authors.push_back(std::move(name));
    }
    buildCategories();
    buildBoards();
}

void Dataset::buildCategories()
{
    const Corpus &c = GetCorpus();
    Random r(MixSeed(m_options.seed, "categories"));
    Category root;
    root.name = c.page.siteTitle;
    m_categories.push_back(root);

    for (int i = 0; i < m_options.categories; ++i) {
        const CategoryName &top = c.topCategories[static_cast<std::size_t>(i) % c.topCategories.size()];
        const int round = i / static_cast<int>(c.topCategories.size());
        Category cat;
        cat.path = top.slug + (round ? "_" + std::to_string(round + 1) : std::string()) + "/";
        cat.name = top.name + (round ? " " + std::to_string(round + 1) : std::string());
        cat.parent = 0;
        cat.level = 1;
        cat.form = CategoryLinkForm::Strong;
        m_categories.push_back(std::move(cat));
    }
    // The service's news category: on the root page like any other, dropped by the plug-in.
    Category news;
    news.path = "News_and_Media/";
    news.name = c.page.news;
    news.parent = 0;
    news.level = 1;
    news.form = CategoryLinkForm::Strong;
    news.listed = false;
    m_categories.push_back(std::move(news));
    for (int i = 1; i < static_cast<int>(m_categories.size()); ++i)
        m_categories[0].children.push_back(i);

    std::size_t nameCounter = r.below(c.subcategories.size());
    std::deque<int> pending;
    for (int i = 1; i < static_cast<int>(m_categories.size()); ++i)
        if (m_categories[static_cast<std::size_t>(i)].listed)
            pending.push_back(i);
    bool atNameAdded = false;
    while (!pending.empty()) {
        const int parentIndex = pending.front();
        pending.pop_front();
        if (m_categories[static_cast<std::size_t>(parentIndex)].level >= m_options.depth)
            continue;
        for (int k = 0; k < m_options.subcategories; ++k) {
            const bool atName = !atNameAdded && k == 1;
            Category cat;
            const int index = static_cast<int>(m_categories.size());
            const Category &parent = m_categories[static_cast<std::size_t>(parentIndex)];
            cat.path = parent.path + "c" + std::to_string(index) + "/";
            cat.parent = parentIndex;
            cat.level = parent.level + 1;
            if (atName) {
                // A name with "@" sits between two ordinary ones: the plug-in must drop it and
                // give its place to the next link.
                cat.name = c.atNames[1];
                cat.form = CategoryLinkForm::Row;
                cat.listed = false;
                atNameAdded = true;
                --k;
            } else {
                const std::size_t pool = c.subcategories.size();
                cat.name = c.subcategories[nameCounter % pool];
                if (nameCounter >= pool)
                    cat.name += " " + std::to_string(nameCounter / pool + 1);
                ++nameCounter;
                cat.form = k % 3 == 2 ? CategoryLinkForm::Bold : CategoryLinkForm::Row;
            }
            m_categories[static_cast<std::size_t>(parentIndex)].children.push_back(index);
            const bool listed = cat.listed;
            m_categoryByPath.emplace(cat.path, index);
            m_categories.push_back(std::move(cat));
            if (listed)
                pending.push_back(index);
        }
    }
    for (int i = 0; i < static_cast<int>(m_categories.size()); ++i)
        m_categoryByPath.emplace(m_categories[static_cast<std::size_t>(i)].path, i);
}

void Dataset::buildBoards()
{
    const Corpus &c = GetCorpus();
    Random r(MixSeed(m_options.seed, "boards"));
    std::vector<bool> reachable(m_categories.size(), false);
    reachable[0] = true;
    for (std::size_t i = 1; i < m_categories.size(); ++i) {
        const Category &cat = m_categories[i];
        reachable[i] = cat.listed && reachable[static_cast<std::size_t>(cat.parent)];
    }

    std::vector<int> reachableBoards;
    for (std::size_t ci = 1; ci < m_categories.size(); ++ci) {
        for (int k = 0; k < m_options.boards; ++k) {
            const int b = static_cast<int>(m_boards.size());
            Board board;
            board.id = std::to_string(1830000 + 17 * b + static_cast<int>(m_options.seed % 17));
            board.category = static_cast<int>(ci);
            board.form = b % 2 == 1 ? BoardLinkForm::IdThenName : BoardLinkForm::Name;
            if (b % 11 == 5) {
                board.name = c.atNames[static_cast<std::size_t>(b / 11) % c.atNames.size()];
                board.listed = false;
            } else {
                board.name = Fill(r, c, Pick(r, c.boardPatterns));
            }
            m_categories[ci].boards.push_back(b);
            if (board.listed && reachable[ci])
                reachableBoards.push_back(b);
            m_boards.push_back(std::move(board));
        }
    }

    // A few boards that answer their topic list in the two single-topic forms.
    if (reachableBoards.size() >= 4) {
        m_boards[static_cast<std::size_t>(reachableBoards[reachableBoards.size() / 3])].listForm =
            TopicListForm::SingleA;
        m_boards[static_cast<std::size_t>(reachableBoards[reachableBoards.size() * 2 / 3])].listForm =
            TopicListForm::SingleB;
    }

    m_topicByTid.resize(m_boards.size());
    for (std::size_t b = 0; b < m_boards.size(); ++b) {
        Board &board = m_boards[b];
        buildTopics(board, static_cast<int>(b), board.listForm == TopicListForm::List ? m_options.topics : 1);
        m_boardById.emplace(board.id, static_cast<int>(b));
    }

    // Huge topics, spread over the reachable boards that show lists.
    int placed = 0;
    const std::size_t step = std::max<std::size_t>(1, reachableBoards.size() / std::max(1, m_options.hugeTopics));
    for (std::size_t i = 0; i < reachableBoards.size() && placed < m_options.hugeTopics; i += step) {
        Board &board = m_boards[static_cast<std::size_t>(reachableBoards[i])];
        if (board.listForm != TopicListForm::List || board.topics.empty())
            continue;
        Topic &topic = board.topics.front();
        topic.messageCount = m_options.hugeMessages;
        topic.gapMinutes = 1 + static_cast<int>(MixSeed(m_options.seed, topic.tid) % 3);
        ++placed;
    }
}

void Dataset::buildTopics(Board &board, int boardIndex, int topicCount)
{
    const Corpus &c = GetCorpus();
    Random r(MixSeed(m_options.seed, "topics/" + board.id));
    auto &byTid = m_topicByTid[static_cast<std::size_t>(boardIndex)];
    for (int i = 0; i < topicCount; ++i) {
        Topic topic;
        topic.title = Fill(r, c, Pick(r, c.titlePatterns));
        int serial = i + 1;
        topic.tid = MakeTid(topic.title, serial);
        while (byTid.count(topic.tid))
            topic.tid = MakeTid(topic.title, serial += topicCount);
        const int mean = std::max(1, m_options.messages);
        topic.messageCount = std::max(1, mean / 2 + static_cast<int>(r.below(static_cast<std::uint64_t>(mean) + 1)));
        topic.firstMinute = kFirstMinute + static_cast<std::int64_t>(r.below(kTwoYears));
        topic.gapMinutes = 5 + static_cast<int>(r.below(240));
        topic.starter = static_cast<int>(r.below(m_authors.size()));
        byTid.emplace(topic.tid, i);
        board.topics.push_back(std::move(topic));
    }
}

const Category *Dataset::findCategory(std::string_view path) const
{
    auto it = m_categoryByPath.find(std::string(path));
    return it == m_categoryByPath.end() ? nullptr : &m_categories[static_cast<std::size_t>(it->second)];
}

const Board *Dataset::findBoard(std::string_view id) const
{
    auto it = m_boardById.find(std::string(id));
    return it == m_boardById.end() ? nullptr : &m_boards[static_cast<std::size_t>(it->second)];
}

const Topic *Dataset::findTopic(const Board &board, std::string_view tid) const
{
    const auto index = static_cast<std::size_t>(&board - m_boards.data());
    assert(index < m_boards.size() && "board of another dataset");
    const auto &byTid = m_topicByTid[index];
    auto it = byTid.find(std::string(tid));
    return it == byTid.end() ? nullptr : &board.topics[static_cast<std::size_t>(it->second)];
}

std::uint64_t Dataset::messageSeed(const Board &board, const Topic &topic, int mid) const
{
    return SplitMix(MixSeed(MixSeed(m_options.seed, board.id), topic.tid) + static_cast<std::uint64_t>(mid));
}

std::int64_t Dataset::messageMinute(const Topic &topic, int mid) const
{
    const std::uint64_t jitter = SplitMix(MixSeed(m_options.seed, topic.tid) ^ static_cast<std::uint64_t>(mid));
    return topic.firstMinute + static_cast<std::int64_t>(mid - 1) * topic.gapMinutes +
           static_cast<std::int64_t>(jitter % static_cast<std::uint64_t>(topic.gapMinutes));
}

bool Dataset::isDeleted(const Board &board, const Topic &topic, int mid) const
{
    if (mid <= 1 || m_options.deletedPermille <= 0)
        return false;
    return static_cast<int>(messageSeed(board, topic, mid) % 1000) < m_options.deletedPermille;
}

Message Dataset::message(const Board &board, const Topic &topic, int mid) const
{
    const Corpus &c = GetCorpus();
    Random r(messageSeed(board, topic, mid) ^ 0x5DEECE66DULL);
    Message m;
    m.minute = messageMinute(topic, mid);
    m.author = mid == 1 ? m_authors[static_cast<std::size_t>(topic.starter)] : Pick(r, m_authors);

    if (mid == 1)
        m.title = topic.title;
    else if (r.percent(65))
        m.title = "Re: " + topic.title;
    else
        m.title = Fill(r, c, Pick(r, c.titlePatterns));

    if (mid > 1) {
        const int roll = static_cast<int>(r.below(100));
        if (roll < 45)
            m.replyTo = std::max(1, mid - 1 - static_cast<int>(r.below(static_cast<std::uint64_t>(std::min(mid - 1, 30)))));
        else if (roll < 55)
            m.replyTo = 1;
    }

    // Most texts are short; a few are long, some of them as close to the limit as they come.
    const int sizeRoll = static_cast<int>(r.below(100));
    std::size_t target;
    if (sizeRoll < 4)
        target = kMaxTextSjis - r.below(40);
    else if (sizeRoll < 12)
        target = 800 + r.below(800);
    else
        target = 20 + r.below(380);

    std::string &text = m.text;
    std::size_t sjis = 0;
    auto add = [&](const std::string &piece) {
        const std::size_t n = SjisLengthOfEuc(piece);
        if (sjis + n > kMaxTextSjis)
            return false;
        text += piece;
        sjis += n;
        return true;
    };
    if (m.replyTo > 0) {
        const std::string ref = std::to_string(m.replyTo);
        add((r.percent(50) ? "&gt;&gt;" : ">>") + ref + "<br>");
    }
    int sentences = 0;
    while (sjis < target) {
        std::string piece;
        const int kind = static_cast<int>(r.below(100));
        if (kind < 70)
            piece = Fill(r, c, Pick(r, c.sentences));
        else if (kind < 78)
            piece = Fill(r, c, Pick(r, c.entitySentences));
        else if (kind < 84)
            piece = Fill(r, c, Pick(r, c.asciiSentences));
        else if (kind < 89)
            piece = Pick(r, c.rareWords) + Fill(r, c, Pick(r, c.sentences));
        else if (kind < 93)
            piece = Pick(r, c.necWords) + Fill(r, c, Pick(r, c.sentences));
        else if (kind < 97 && mid > 2)
            piece = (r.percent(50) ? ">>" : "&gt;&gt;") +
                    std::to_string(1 + r.below(static_cast<std::uint64_t>(mid - 1))) + " " +
                    Fill(r, c, Pick(r, c.sentences));
        else
            piece = Fill(r, c, Pick(r, c.kanaWords));
        if (sentences > 0)
            piece = (r.percent(35) ? (r.percent(20) ? "<br><br>" : "<br>") : "") + piece;
        if (sjis + SjisLengthOfEuc(piece) > target) {
            if (target - sjis < 8 || sentences > 0)
                break;
        }
        if (!add(piece))
            break;
        ++sentences;
    }
    // Long texts are topped up to their target so that some end within a few bytes of the limit.
    while (sizeRoll < 4 && sjis + 1 <= target)
        add(sjis + 2 <= target && r.percent(50) ? c.nouns[0].substr(0, 2) : std::string("w"));
    return m;
}

} // namespace boardserver
