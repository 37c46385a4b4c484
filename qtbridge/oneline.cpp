#include "qtbridge/oneline.h"

#include <QLineEdit>
#include <QRegularExpression>

#include <algorithm>

namespace qtbridge {

QValidator::State OneLineValidator::validate(QString &input, int &pos) const
{
    static const QRegularExpression breaks(QStringLiteral("[\r\n]"));
    const qsizetype at = input.indexOf(breaks);
    if (at < 0)
        return Acceptable;
    if (pos > at) {
        // The break came with the text just inserted, which ends at the cursor.
        input = input.left(at) + input.mid(pos);
        pos = static_cast<int>(at);
    }
    input.remove(breaks);
    pos = std::min(pos, static_cast<int>(input.size()));
    return Acceptable;
}

void KeepBoxesToOneLine(QObject *root)
{
    for (QLineEdit *edit : root->findChildren<QLineEdit *>())
        if (!edit->validator())
            edit->setValidator(new OneLineValidator(edit));
}

} // namespace qtbridge
