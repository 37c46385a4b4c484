// The action list: every user command as a named QAction with its category, caption, shortcut
// and image, found by name by menus, tool bars, gestures and the settings dialog.
#pragma once

#include <QAction>
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <span>
#include <vector>

namespace ui {

/// One row of the action table. Texts are the program's own, in UTF-8.
struct ActionSpec {
    const char *name;
    const char *category; ///< "ファイル", "カテゴリ一覧", "スレッド一覧", "スレッド", "表示", "ツール", "ヘルプ"
    const char *caption;
    const char *shortcut; ///< QKeySequence text, or ""
    int image;            ///< index into the window's image list, or -1
    bool checkable;
};

/// Every action of the main window, in category order.
std::span<const ActionSpec> MainActionSpecs();

/// Owns the actions. An action gets its behaviour from setExecute; until then it stays
/// disabled, whatever its update handler says, so nothing pretends to work.
class ActionList : public QObject {
    Q_OBJECT
public:
    using Execute = std::function<void()>;
    /// Sets the enabled (and checked) state of its action.
    using Update = std::function<void(QAction &)>;

    explicit ActionList(QObject *parent = nullptr);

    /// Creates the actions of specs; icons come from images (by index, when in range).
    void create(std::span<const ActionSpec> specs, const std::vector<QIcon> &images);

    /// The action called name, or nullptr.
    QAction *action(const QString &name) const;
    QString category(const QString &name) const;
    /// Names in creation order.
    const std::vector<QString> &names() const { return m_order; }

    void setExecute(const QString &name, Execute execute);
    /// Whether the action has been given its behaviour.
    bool hasExecute(const QString &name) const;
    void setUpdate(const QString &name, Update update);
    /// Runs the action's update handler, then its execute handler when it is enabled: what a
    /// shortcut, a menu click or a gesture does.
    bool run(const QString &name);

    /// Runs every update handler; called before menus open and on a short idle timer.
    void updateAll();
    void update(const QString &name);

private:
    struct Entry {
        QAction *action = nullptr;
        QString category;
        Execute execute;
        Update update;
    };
    std::map<QString, Entry> m_entries;
    std::vector<QString> m_order;
};

} // namespace ui
