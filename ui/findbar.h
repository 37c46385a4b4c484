// The find bar of the topic pane: a text box with next and previous, shown under the topics.
#pragma once

#include <QWidget>

class QLineEdit;

namespace ui {

/// Enter finds the next match, Shift+Enter the previous one, Esc closes the bar. The page
/// searching and highlighting is the view's own; the bar only asks for it.
class FindBar : public QWidget {
    Q_OBJECT
public:
    explicit FindBar(QWidget *parent = nullptr);

    /// Shows the bar with its text selected and the focus in it.
    void open();
    QString text() const;
    QLineEdit *edit() const { return m_edit; }

signals:
    /// Find text from the current match on; an empty text clears the highlighting.
    void findRequested(const QString &text, bool backward);
    void closed();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLineEdit *m_edit;
};

} // namespace ui
