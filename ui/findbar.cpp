// The topic pane's find bar.
#include "ui/findbar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace ui {

FindBar::FindBar(QWidget *parent) : QWidget(parent), m_edit(new QLineEdit(this))
{
    setObjectName(QStringLiteral("FindBar"));
    m_edit->setObjectName(QStringLiteral("FindEdit"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(new QLabel(QString::fromUtf8("検索:"), this));
    layout->addWidget(m_edit, 1);
    auto button = [this, layout](const char *caption, const char *name) {
        auto *b = new QToolButton(this);
        b->setText(QString::fromUtf8(caption));
        b->setObjectName(QString::fromLatin1(name));
        layout->addWidget(b);
        return b;
    };
    QToolButton *previous = button("前へ", "FindPrevButton");
    QToolButton *next = button("次へ", "FindNextButton");
    QToolButton *close = button("×", "FindCloseButton");
    connect(next, &QToolButton::clicked, this, [this] { emit findRequested(text(), false); });
    connect(previous, &QToolButton::clicked, this, [this] { emit findRequested(text(), true); });
    connect(close, &QToolButton::clicked, this, [this] {
        hide();
        emit closed();
    });
    // Matches are highlighted as the text is typed, as a browser's find does.
    connect(m_edit, &QLineEdit::textEdited, this, [this](const QString &t) { emit findRequested(t, false); });
    hide();
}

void FindBar::open()
{
    show();
    m_edit->setFocus(Qt::ShortcutFocusReason);
    m_edit->selectAll();
}

QString FindBar::text() const
{
    return m_edit->text();
}

void FindBar::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit findRequested(text(), (event->modifiers() & Qt::ShiftModifier) != 0);
        return;
    case Qt::Key_Escape:
        hide();
        emit closed();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace ui
