// Shift_JIS regular expressions through QRegularExpression.
#include "qtbridge/sjisregex.h"

#include "qtbridge/sjis.h"

#include <QRegularExpression>

namespace qtbridge {

namespace {

class SjisRegex final : public settings::TextPattern {
public:
    explicit SjisRegex(QRegularExpression re) : m_re(std::move(re)) {}
    bool search(std::string_view sjis) const override
    {
        // A pattern that runs past the engine's limits ends without a match: it hides nothing.
        return m_re.match(FromSjis(sjis)).hasMatch();
    }

private:
    QRegularExpression m_re;
};

void compileList(const base::SortedTextList &list, std::vector<std::shared_ptr<const settings::TextPattern>> &out,
                 std::vector<std::string> *invalid)
{
    for (const std::string &entry : list.items()) {
        // An empty entry would match every message.
        if (entry.empty())
            continue;
        if (auto pattern = CompileSjisRegex(entry))
            out.push_back(std::move(pattern));
        else if (invalid)
            invalid->push_back(entry);
    }
}

} // namespace

std::shared_ptr<const settings::TextPattern> CompileSjisRegex(std::string_view pattern, std::string *error)
{
    QRegularExpression re(FromSjis(pattern), QRegularExpression::CaseInsensitiveOption);
    if (pattern.empty() || !re.isValid()) {
        if (error) {
            *error = pattern.empty() ? std::string("正規表現が空です。")
                                     : "正規表現が正しくありません: " + re.errorString().toStdString() + " (" +
                                           std::to_string(re.patternErrorOffset() + 1) + "文字目)";
        }
        return nullptr;
    }
    // A pattern that an empty text satisfies ("a*", "x|") is found in every message: taken as
    // an entry it would hide them all, which no one means by it.
    if (re.match(QString()).hasMatch()) {
        if (error)
            *error = "空の文字列にも当てはまる正規表現は、すべてのメッセージを隠すので使えません。";
        return nullptr;
    }
    re.optimize();
    return std::make_shared<SjisRegex>(std::move(re));
}

settings::NgPatterns CompileNgPatterns(const settings::NgLists &lists, std::vector<std::string> *invalid)
{
    settings::NgPatterns out;
    compileList(lists.nameRegex, out.names, invalid);
    compileList(lists.titleRegex, out.titles, invalid);
    compileList(lists.wordRegex, out.words, invalid);
    return out;
}

} // namespace qtbridge
