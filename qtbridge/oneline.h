// One-line boxes that stay one line. A Qt line edit keeps the line breaks of pasted or dropped
// text; a value with one would split its line in nekomado.ini or an NG file and read back as
// something else. The desktop's own one-line boxes take pasted text up to its first line break,
// and so do ours.
#pragma once

#include <QValidator>

class QObject;

namespace qtbridge {

class OneLineValidator final : public QValidator {
public:
    using QValidator::QValidator;

    /// Cuts what was just put in before the cursor at its first line break, keeps what follows
    /// the cursor, and drops any other break; always Acceptable.
    State validate(QString &input, int &pos) const override;
};

/// Gives every line edit under root that has no validator of its own a OneLineValidator (an
/// edit with one, such as a spin box's, already refuses line breaks).
void KeepBoxesToOneLine(QObject *root);

} // namespace qtbridge
