// The action table of the main window and the registry that owns the actions.
#include "ui/actionlist.h"

#include <QKeySequence>
#include <QRegularExpression>

#include "ui/images.h"

namespace ui {

namespace {

using namespace ui::image;

constexpr const char kFile[] = "ファイル";
constexpr const char kCategory[] = "カテゴリ一覧";
constexpr const char kTopicList[] = "スレッド一覧";
constexpr const char kTopic[] = "スレッド";
constexpr const char kView[] = "表示";
constexpr const char kTool[] = "ツール";
constexpr const char kHelp[] = "ヘルプ";

constexpr ActionSpec kSpecs[] = {
    {"FileOnline", kFile, "オンライン(&O)", "Ctrl+Shift+O", Online, true},
    {"FileLogin", kFile, "ログイン(&L)", "Ctrl+Shift+L", Login, true},
    {"FileExit1", kFile, "終了(&X)", "", -1, false},

    {"PopCtgActiveOpen", kCategory, "アクティブタブで開く(&O)", "", -1, false},
    {"PopCtgNewOpen", kCategory, "新しいタブで開く(&N)", "", -1, false},
    {"CtgLocalActiveOpen", kCategory, "アクティブタブでローカルから開く(&S)", "", -1, false},
    {"CtgLocalNewOpen", kCategory, "新しいタブでローカルから開く(&F)", "", -1, false},
    {"CtgBrowserOpen", kCategory, "ブラウザで開く(&B)", "", Browser, false},
    {"PopCtgUrlCopy", kCategory, "URLをコピー(&U)", "", -1, false},
    {"CtgTitleUrlCopy", kCategory, "タイトルとURLをコピー(&T)", "", -1, false},
    {"CtgSearch", kCategory, "カテゴリ一覧の検索(&E)", "Ctrl+F", Search, false},
    {"CtgSearchNext", kCategory, "次を検索(&L)", "F3", -1, false},
    {"CtgUpdate", kCategory, "カテゴリ一覧の更新(&K)", "", Update, false},
    {"CtgUpdateStop", kCategory, "カテゴリ一覧の更新の停止(&M)", "", Stop, false},
    {"CtgAddFavorite", kCategory, "お気に入りに追加(&A)", "", Favorite, false},
    {"CtgCreateFolder", kCategory, "フォルダの作成(&C)", "", FolderClosed, false},
    {"CtgDelFavorite", kCategory, "削除(&D)", "", Delete, false},

    {"PopThrLstActiveOpen", kTopicList, "アクティブタブで開く(&O)", "", -1, false},
    {"PopThrLstNewOpen", kTopicList, "新しいタブで開く(&N)", "", -1, false},
    {"ThrLstLocalActiveOpen", kTopicList, "アクティブタブでローカルから開く(&S)", "", -1, false},
    {"ThrLstLocalNewOpen", kTopicList, "新しいタブでローカルから開く(&F)", "", -1, false},
    {"ThrLstBrowserOpen", kTopicList, "ブラウザで開く(&B)", "", Browser, false},
    {"PopThrLstUrlCopy", kTopicList, "URLをコピー(&U)", "", -1, false},
    {"ThrLstTitleUrlCopy", kTopicList, "タイトルとURLをコピー(&T)", "", -1, false},
    {"ThrLstTreeOpen", kTopicList, "スレッドをツリーで表示する(&Q)", "", -1, false},
    {"ThrLstOpenCtg", kTopicList, "カテゴリを開く(&Y)", "", OpenCategory, false},
    {"ThrLstReload", kTopicList, "スレッド一覧のリロード(&R)", "Ctrl+R", Reload, false},
    {"ThrLstDlCount", kTopicList, "取得数(&H)", "", -1, false},
    {"ThrLstDlNew", kTopicList, "最新メッセージから取得する(&I)", "", -1, true},
    {"ThrLstExtra", kTopicList, "スレッドの絞り込み(&E)", "Ctrl+T", Extract, false},
    {"ThrLstWrite", kTopicList, "スレッドの作成(&P)", "", NewTopic, false},
    {"PopThrLstDelete", kTopicList, "選択スレッドのログを削除(&V)", "", Delete, false},
    {"ThrLstConversion", kTopicList, "HTML 変換ツール(&K)", "", -1, false},
    {"ThrLstFavoriteTab", kTopicList, "お気に入りタブを開く(&F)", "F12", FavoriteTab, false},
    {"ThrLstAddFavorite", kTopicList, "お気に入りに追加(&A)", "", Favorite, false},
    {"ThrLstDelFavorite", kTopicList, "お気に入りから削除(&D)", "", Delete, false},
    {"ThrLstActiveClose", kTopicList, "アクティブタブを閉じる(&C)", "", Close, false},
    {"ThrLstNoneActiveClose", kTopicList, "アクティブタブ以外を閉じる(&W)", "", -1, false},
    {"ThrLstAllClose", kTopicList, "すべてのタブを閉じる(&G)", "", CloseAll, false},
    {"ThrLstLeftClose", kTopicList, "ここより左のタブを閉じる(&H)", "", -1, false},
    {"ThrLstRightClose", kTopicList, "ここより右のタブを閉じる(&J)", "", -1, false},

    {"ThrMsgNext", kTopic, "次のメッセージ(&N)", "", Next, false},
    {"ThrMsgPrev", kTopic, "前のメッセージ(&P)", "", Previous, false},
    {"ThrReload", kTopic, "スレッドのリロード(&R)", "Ctrl+F5", Reload, false},
    {"ThrStop", kTopic, "スレッド取得の停止(&S)", "", Stop, false},
    {"ThrBrowserOpen", kTopic, "ブラウザで開く(&B)", "", Browser, false},
    {"ThrOpenThrLst", kTopic, "スレッド一覧を開く(&Y)", "", TopicListPane, false},
    {"ThrDlRes", kTopic, "アクティブスレッドのレスを取得(&Q)", "Ctrl+G", Download, false},
    {"ThrResExtra", kTopic, "レスの抽出(&E)", "Ctrl+L", Extract, false},
    {"ThrRes", kTopic, "レス(&L)...", "Ctrl+E", Reply, false},
    {"ThrUrlCopy", kTopic, "URLをコピー(&U)", "", -1, false},
    {"ThrTitleUrlCopy", kTopic, "タイトルとURLコピー(&T)", "", -1, false},
    {"ThrMark", kTopic, "マーク(&M)", "", Mark, false},
    {"ThrFavorite", kTopic, "お気に入りに追加(&A)", "", Favorite, true},
    {"ThrDelete", kTopic, "スレッドのログを削除(&V)", "", Delete, false},
    {"ThrActiveClose", kTopic, "アクティブタブを閉じる(&C)", "Ctrl+W", Close, false},
    {"ThrNoneActiveClose", kTopic, "アクティブタブ以外を閉じる(&W)", "", -1, false},
    {"ThrAllClose", kTopic, "すべてのタブを閉じる(&G)", "Ctrl+Q", CloseAll, false},
    {"ThrLeftClose", kTopic, "ここより左のタブを閉じる(&H)", "", -1, false},
    {"ThrRightClose", kTopic, "ここより右のタブを閉じる(&J)", "", -1, false},
    // The message menu: each acts on the message whose number was clicked.
    {"PopRes", kTopic, "レス(&L)...", "", -1, false},
    {"PopResQuo", kTopic, "引用付きレス(&R)...", "", -1, false},
    {"PopResDel", kTopic, "このレスを削除する(&D)", "", -1, false},
    {"AddNGName", kTopic, "NGName へ追加する(&N)", "", -1, false},
    {"AddNGTitle", kTopic, "NGTitle へ追加する(&G)", "", -1, false},
    {"PopMark", kTopic, "マーク(&M)", "", -1, false},

    {"WindowCtg", kView, "カテゴリ一覧ペイン(&C)", "F6", CategoryPane, true},
    {"WindowThrLst", kView, "スレッド一覧ペイン(&L)", "F7", TopicListPane, true},
    {"WindowThr", kView, "スレッドペイン(&M)", "F8", TopicPane, true},
    {"WindowChangePane", kView, "ペインの切り替え(&P)", "", ChangePane, true},
    // Zoom of the topic view and the pop-ups, as every desktop reader has it.
    {"ViewZoomIn", kView, "拡大(&I)", "Ctrl++", -1, false},
    {"ViewZoomOut", kView, "縮小(&O)", "Ctrl+-", -1, false},
    {"ViewZoomReset", kView, "標準の大きさ(&R)", "Ctrl+0", -1, false},
    // Finding text in the topic shown ("/" in the topic pane, as browsers do).
    {"ViewFindInTopic", kView, "スレッドの中を検索(&S)...", "", -1, false},

    {"ToolSetting", kTool, "設定(&S)", "", Settings, false},
    {"ToolMsgFilter", kTool, "メッセージフィルタ(&F)", "", -1, false},
    {"ToolConversion", kTool, "HTML 変換ツール", "", -1, false},
    // The search through every stored log.
    {"ToolSearch", kTool, "ログ検索(&G)...", "Ctrl+Shift+F", -1, false},

    {"HelpOpen", kHelp, "ヘルプ(&C)...", "", -1, false},
    {"HelpYahoo", kHelp, "Yahoo! 掲示板へ(&Y)", "", -1, false},
    {"HelpHomepage", kHelp, "Nekomado のホームページ(&W)", "", -1, false},
    {"HelpVersion", kHelp, "バージョン情報(&A)...", "", -1, false},
};

} // namespace

std::span<const ActionSpec> MainActionSpecs()
{
    return kSpecs;
}

ActionList::ActionList(QObject *parent) : QObject(parent) {}

void ActionList::create(std::span<const ActionSpec> specs, const std::vector<QIcon> &images)
{
    for (const ActionSpec &spec : specs) {
        QString name = QString::fromLatin1(spec.name);
        Q_ASSERT_X(!m_entries.count(name), "ActionList::create", "duplicate action name");
        auto *action = new QAction(QString::fromUtf8(spec.caption), this);
        action->setObjectName(name);
        if (*spec.shortcut)
            action->setShortcut(QKeySequence(QString::fromLatin1(spec.shortcut)));
        if (spec.image >= 0 && spec.image < static_cast<int>(images.size()))
            action->setIcon(images[static_cast<std::size_t>(spec.image)]);
        action->setCheckable(spec.checkable);
        action->setEnabled(false);
        // The hint is the caption without its access key and ellipsis.
        QString hint = action->text();
        hint.remove(QRegularExpression(QStringLiteral("\\(&.\\)"))).remove(QLatin1String("..."));
        action->setToolTip(hint);
        connect(action, &QAction::triggered, this, [this, name] {
            auto it = m_entries.find(name);
            if (it != m_entries.end() && it->second.execute)
                it->second.execute();
        });
        m_entries[name] = Entry{action, QString::fromUtf8(spec.category), {}, {}};
        m_order.push_back(name);
    }
}

QAction *ActionList::action(const QString &name) const
{
    auto it = m_entries.find(name);
    return it == m_entries.end() ? nullptr : it->second.action;
}

QString ActionList::category(const QString &name) const
{
    auto it = m_entries.find(name);
    return it == m_entries.end() ? QString() : it->second.category;
}

void ActionList::setExecute(const QString &name, Execute execute)
{
    auto it = m_entries.find(name);
    Q_ASSERT_X(it != m_entries.end(), "ActionList::setExecute", qPrintable(name));
    if (it == m_entries.end())
        return;
    it->second.execute = std::move(execute);
    update(name);
}

bool ActionList::hasExecute(const QString &name) const
{
    auto it = m_entries.find(name);
    return it != m_entries.end() && static_cast<bool>(it->second.execute);
}

void ActionList::setUpdate(const QString &name, Update update)
{
    auto it = m_entries.find(name);
    Q_ASSERT_X(it != m_entries.end(), "ActionList::setUpdate", qPrintable(name));
    if (it == m_entries.end())
        return;
    it->second.update = std::move(update);
    this->update(name);
}

void ActionList::update(const QString &name)
{
    auto it = m_entries.find(name);
    if (it == m_entries.end())
        return;
    Entry &e = it->second;
    if (!e.execute) {
        e.action->setEnabled(false);
        return;
    }
    if (e.update)
        e.update(*e.action);
    else
        e.action->setEnabled(true);
}

void ActionList::updateAll()
{
    for (const QString &name : m_order)
        update(name);
}

bool ActionList::run(const QString &name)
{
    auto it = m_entries.find(name);
    if (it == m_entries.end())
        return false;
    update(name);
    if (!it->second.action->isEnabled() || !it->second.execute)
        return false;
    // trigger() toggles a checkable action first, as a click does.
    it->second.action->trigger();
    return true;
}

} // namespace ui
