// One-line boxes: pasted text is taken up to its first line break.
#include "qtbridge/oneline.h"

#include <gtest/gtest.h>

namespace {

struct Edit {
    QString text;
    int cursor;
};

Edit validated(QString text, int cursor)
{
    qtbridge::OneLineValidator validator;
    EXPECT_EQ(validator.validate(text, cursor), QValidator::Acceptable);
    return {text, cursor};
}

TEST(OneLineValidator, CutsWhatWasPutInAtItsFirstBreakAndKeepsTheRest)
{
    // "ab" + pasted "cd\r\nef" + "Z", the cursor after the pasted text.
    Edit e = validated(QStringLiteral("abcd\r\nefZ"), 8);
    EXPECT_EQ(e.text, QStringLiteral("abcdZ"));
    EXPECT_EQ(e.cursor, 4);

    e = validated(QStringLiteral("secret\n"), 7);
    EXPECT_EQ(e.text, QStringLiteral("secret"));
    EXPECT_EQ(e.cursor, 6);

    e = validated(QStringLiteral("\nabc"), 4);
    EXPECT_EQ(e.text, QString());
    EXPECT_EQ(e.cursor, 0);

    // A break after the cursor (text set by the program) is only dropped.
    e = validated(QStringLiteral("ab\rcd"), 1);
    EXPECT_EQ(e.text, QStringLiteral("abcd"));
    EXPECT_EQ(e.cursor, 1);

    e = validated(QStringLiteral("plain text"), 3);
    EXPECT_EQ(e.text, QStringLiteral("plain text"));
    EXPECT_EQ(e.cursor, 3);
}

} // namespace
