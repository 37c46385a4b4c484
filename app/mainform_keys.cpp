// The keys a desktop user reaches for beside the commands' own shortcuts: Enter opens, Ctrl+Page
// Up/Down switch tabs, and "/" finds text in the topic while the topic has the focus.
#include "app/mainform.h"
#include "ui/findbar.h"
#include "ui/panes.h"
#include "view/htmlview.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QTreeWidget>
#include <QWebEngineView>
#include <functional>

namespace {

/// An event filter made of a function, for keys that belong to no single widget.
class KeyFilter : public QObject {
public:
    KeyFilter(QObject *parent, std::function<bool(QObject *, QEvent *)> filter)
        : QObject(parent), m_filter(std::move(filter))
    {
        qApp->installEventFilter(this);
    }
    ~KeyFilter() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override { return m_filter(watched, event); }

private:
    std::function<bool(QObject *, QEvent *)> m_filter;
};

bool within(const QObject *object, const QWidget *area)
{
    auto *w = qobject_cast<const QWidget *>(object);
    return w && area && (w == area || area->isAncestorOf(w));
}

/// "/" alone, as browsers take it for finding in the page. Ctrl+F stays the category search's
/// everywhere, as the menus say.
bool isFindKey(const QKeyEvent *key)
{
    return key->key() == Qt::Key_Slash && !(key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier));
}

} // namespace

void TMainForm::wireKeys()
{
    m_findBar = new ui::FindBar(m_topicPane);
    m_topicPane->layout()->addWidget(m_findBar);
    connect(m_findBar, &ui::FindBar::findRequested, this, &TMainForm::findInTopic);
    connect(m_findBar, &ui::FindBar::closed, this, [this] {
        findInTopic(QString(), false);
        if (ui::TopicPage *page = m_topicPane->activePage(); page && page->browser)
            page->browser->setFocus();
    });

    new KeyFilter(this, [this](QObject *watched, QEvent *event) {
        if (m_destroyed)
            return false;
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::ShortcutOverride)
            refreshBeforeInput(watched, event);
        if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        // Not offered to the box, which would claim it: the window's command runs.
        if (event->type() == QEvent::ShortcutOverride && commandKeyInBox(watched, key))
            return true;
        if (event->type() != QEvent::KeyPress)
            return false;
        // In the topic, not in a box one types into (the jump box, the find bar itself).
        if (isFindKey(key) && within(watched, m_topicPane) && !qobject_cast<QLineEdit *>(watched) &&
            m_topicPane->activePage()) {
            m_findBar->open();
            return true;
        }
        if (key->modifiers() & ~Qt::KeypadModifier)
            return false;
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        // Enter opens the selected board or topic, as a double click opens it in the active tab.
        if (ui::CategoryPage *page = m_categoryPane->activePage(); page && watched == page->tree.data())
            return m_actions->run(QStringLiteral("PopCtgActiveOpen")) || true;
        if (ui::TopicListPage *page = m_topicListPane->activePage();
            page && page->isList() && watched == page->view.data())
            return m_actions->run(QStringLiteral("PopThrLstActiveOpen")) || true;
        return false;
    });

    m_actions->setExecute(QStringLiteral("ViewFindInTopic"), [this] { m_findBar->open(); });
    m_actions->setUpdate(QStringLiteral("ViewFindInTopic"),
                         [this](QAction &act) { act.setEnabled(m_topicPane->activePage() != nullptr); });

    auto switchTab = [this](int step) {
        ui::TabStrip *strip = focusedStrip();
        int count = strip->count();
        if (count > 1)
            strip->setCurrentIndex((strip->currentIndex() + step + count) % count);
    };
    auto *next = new QAction(this);
    next->setObjectName(QStringLiteral("NextTabKey"));
    next->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    connect(next, &QAction::triggered, this, [switchTab] { switchTab(1); });
    auto *previous = new QAction(this);
    previous->setObjectName(QStringLiteral("PreviousTabKey"));
    previous->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    connect(previous, &QAction::triggered, this, [switchTab] { switchTab(-1); });
    addAction(next);
    addAction(previous);
}

bool TMainForm::commandKeyInBox(QObject *watched, const QKeyEvent *key) const
{
    // A box one types into claims some of the commands' Ctrl keys for its own editing on this
    // platform (Ctrl+E moves to the end of the line), and the command would never run while the
    // address box or the jump box has the focus. The keys of editing itself stay the box's.
    auto *box = qobject_cast<QLineEdit *>(watched);
    if (!box || box->window() != this || !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    for (QKeySequence::StandardKey editing : {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste,
                                              QKeySequence::Undo, QKeySequence::Redo, QKeySequence::SelectAll})
        if (key->matches(editing))
            return false;
    const QKeySequence pressed(key->keyCombination());
    for (QAction *action : QWidget::actions())
        if (action->isEnabled() && action->shortcut() == pressed)
            return true;
    return false;
}

void TMainForm::refreshBeforeInput(QObject *watched, QEvent *event)
{
    // The commands' states are otherwise brought up to date on an idle timer, and Qt drops the
    // shortcut of a disabled action and the click on a disabled button: a key pressed just after
    // a tab opened would be lost. So the states are refreshed before Qt looks at either. A key
    // is offered to the focus first and then to its parents; the first offer is enough.
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != this)
        return;
    if (event->type() == QEvent::ShortcutOverride) {
        QObject *focus = QGuiApplication::focusObject();
        if (focus && focus != watched)
            return;
    } else if (!qobject_cast<QAbstractButton *>(widget)) {
        return;
    }
    m_actions->updateAll();
}

ui::TabStrip *TMainForm::focusedStrip() const
{
    QWidget *focus = QApplication::focusWidget();
    if (within(focus, m_categoryPane))
        return m_categoryPane->strip();
    if (within(focus, m_topicListPane))
        return m_topicListPane->strip();
    return m_topicPane->strip();
}

void TMainForm::findInTopic(const QString &text, bool backward)
{
    ui::TopicPage *page = m_topicPane->activePage();
    auto *view = page ? qobject_cast<view::HtmlView *>(page->browser.data()) : nullptr;
    if (!view || !view->webView())
        return;
    view->webView()->findText(text, backward ? QWebEnginePage::FindBackward : QWebEnginePage::FindFlags());
}
