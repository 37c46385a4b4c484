// The NG lists' regular expressions in the window: compiled once per change of their entries,
// for the pages and the pop-ups.
#include "app/mainform.h"
#include "qtbridge/sjisregex.h"

const settings::NgPatterns &TMainForm::ngPatterns()
{
    std::array<std::vector<std::string>, 3> source = {m_ngLists.nameRegex.items(), m_ngLists.titleRegex.items(),
                                                      m_ngLists.wordRegex.items()};
    if (!m_ngPatternsCompiled || source != m_ngPatternSource) {
        // Entries that do not compile were refused by the dialog; one edited into the file by
        // hand is left out and hides nothing.
        m_ngPatterns = qtbridge::CompileNgPatterns(m_ngLists);
        m_ngPatternSource = std::move(source);
        m_ngPatternsCompiled = true;
    }
    return m_ngPatterns;
}
