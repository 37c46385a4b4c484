// The log search window and the painting of its excerpts with the match marked.
#include "search/searchdlg.h"

#include "qtbridge/sjis.h"
#include "search/regexmatcher.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <tuple>

namespace search {

namespace {

constexpr int kHitRole = Qt::UserRole + 1;
constexpr int kBeforeRole = Qt::UserRole + 2;
constexpr int kMatchRole = Qt::UserRole + 3;
constexpr int kAfterRole = Qt::UserRole + 4;

// Draws an excerpt as its text before the match, the match on a marker colour, and the text
// after it, cut at the column's edge.
class ExcerptDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        opt.text.clear();
        QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

        const QString before = index.data(kBeforeRole).toString();
        const QString match = index.data(kMatchRole).toString();
        const QString after = index.data(kAfterRole).toString();
        const QRect area = opt.rect.adjusted(4, 0, -4, 0);
        const QFontMetrics fm(opt.font);
        const bool selected = opt.state & QStyle::State_Selected;
        const QColor text = opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        painter->save();
        painter->setClipRect(area);
        int x = area.left();
        const int baseline = area.top() + (area.height() + fm.ascent() - fm.descent()) / 2;
        painter->setPen(text);
        painter->drawText(x, baseline, before);
        x += fm.horizontalAdvance(before);
        const int width = fm.horizontalAdvance(match);
        painter->fillRect(QRect(x, area.top() + 1, width, area.height() - 2), QColor(255, 230, 0));
        painter->setPen(Qt::black);
        painter->drawText(x, baseline, match);
        x += width;
        painter->setPen(text);
        painter->drawText(x, baseline, fm.elidedText(after, Qt::ElideRight, std::max(0, area.right() - x)));
        painter->restore();
    }
};

QString Sjis(const std::string &bytes)
{
    return qtbridge::FromSjis(bytes);
}

// A result row: numbers sort as numbers, and rows equal in a column keep the order of board,
// topic and message.
class ResultRow : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;

    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        auto key = [column](const QTreeWidgetItem &row) {
            const int number = row.text(NumberColumn).toInt();
            const bool byNumber = column == NumberColumn;
            return std::make_tuple(byNumber ? number : 0, byNumber ? QString() : row.text(column),
                                   row.text(BoardColumn), row.text(TopicColumn), number);
        };
        return key(*this) < key(other);
    }
};

} // namespace

TSearchDlg::TSearchDlg(Options options, QWidget *parent) : QDialog(parent), m_options(std::move(options))
{
    setWindowTitle(QString::fromUtf8("ログ検索"));
    setObjectName(QStringLiteral("SearchDlg"));
    setModal(false);
    resize(860, 520);

    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("SearchText"));
    auto *textLabel = new QLabel(QString::fromUtf8("検索する文字列(&T):"), this);
    textLabel->setBuddy(m_text);
    m_find = new QPushButton(QString::fromUtf8("検索(&F)"), this);
    m_find->setDefault(true);
    m_stop = new QPushButton(QString::fromUtf8("中止(&P)"), this);

    m_scope = new QComboBox(this);
    m_scope->addItem(QString::fromUtf8("すべての板"));
    m_scope->addItem(QString::fromUtf8("現在の板"));
    m_scope->addItem(QString::fromUtf8("現在のスレッド"));
    auto *scopeLabel = new QLabel(QString::fromUtf8("検索範囲(&S):"), this);
    scopeLabel->setBuddy(m_scope);
    m_regex = new QCheckBox(QString::fromUtf8("正規表現(&R)"), this);
    m_ignoreCase = new QCheckBox(QString::fromUtf8("英字の大文字と小文字を区別しない(&I)"), this);
    m_ignoreCase->setChecked(true);

    m_results = new QTreeWidget(this);
    m_results->setObjectName(QStringLiteral("SearchResults"));
    m_results->setRootIsDecorated(false);
    m_results->setUniformRowHeights(true);
    m_results->setAllColumnsShowFocus(true);
    m_results->setHeaderLabels({QString::fromUtf8("板"), QString::fromUtf8("スレッド"), QString::fromUtf8("番号"),
                                QString::fromUtf8("日時"), QString::fromUtf8("内容")});
    m_results->setColumnWidth(BoardColumn, 120);
    m_results->setColumnWidth(TopicColumn, 200);
    m_results->setColumnWidth(NumberColumn, 50);
    m_results->setColumnWidth(DateColumn, 120);
    m_results->setItemDelegateForColumn(ExcerptColumn, new ExcerptDelegate(m_results));

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("SearchStatus"));
    m_open = new QPushButton(QString::fromUtf8("開く(&O)"), this);
    auto *close = new QPushButton(QString::fromUtf8("閉じる"), this);

    auto *top = new QHBoxLayout;
    top->addWidget(textLabel);
    top->addWidget(m_text, 1);
    top->addWidget(m_find);
    top->addWidget(m_stop);
    auto *second = new QHBoxLayout;
    second->addWidget(scopeLabel);
    second->addWidget(m_scope);
    second->addSpacing(12);
    second->addWidget(m_regex);
    second->addWidget(m_ignoreCase);
    second->addStretch(1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_open);
    bottom->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(second);
    layout->addWidget(m_results, 1);
    layout->addLayout(bottom);

    connect(m_find, &QPushButton::clicked, this, [this] { startSearch(); });
    connect(m_text, &QLineEdit::returnPressed, this, [this] { startSearch(); });
    connect(m_stop, &QPushButton::clicked, this, &TSearchDlg::stopSearch);
    connect(m_open, &QPushButton::clicked, this, [this] { openResult(m_results->currentItem()); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_results, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *row) { openResult(row); });
    connect(m_results, &QTreeWidget::currentItemChanged, this, [this] { updateButtons(); });
    updateButtons();
}

TSearchDlg::~TSearchDlg()
{
    ++m_generation;
    m_search.stop();
}

bool TSearchDlg::startSearch()
{
    const QString text = m_text->text();
    if (text.isEmpty())
        return false;
    std::shared_ptr<const Matcher> matcher;
    if (m_regex->isChecked()) {
        auto regex = std::make_shared<RegexMatcher>(text, m_ignoreCase->isChecked());
        if (!regex->isValid()) {
            if (m_options.showMessage)
                m_options.showMessage(QString::fromUtf8("ログ検索"),
                                      QString::fromUtf8("正規表現が正しくありません: %1").arg(regex->errorString()));
            return false;
        }
        matcher = regex;
    } else {
        // The lines of the log hold no line breaks or tabs between words: a pasted text keeps to one line.
        QString oneLine = text;
        oneLine.replace(QRegularExpression(QStringLiteral("[\\r\\n\\t]+")), QStringLiteral(" "));
        matcher = std::make_shared<TextMatcher>(qtbridge::ToSjis(oneLine), m_ignoreCase->isChecked());
    }
    QString why;
    std::optional<std::vector<LogSource>> sources;
    if (m_options.sources)
        sources = m_options.sources(static_cast<SearchScope>(m_scope->currentIndex()), why);
    if (!sources) {
        setStatus(why);
        return false;
    }

    ++m_generation;
    m_search.stop();
    m_results->setSortingEnabled(false); // rows stay in the order they come while the search runs
    m_results->header()->setSortIndicator(-1, Qt::AscendingOrder);
    m_results->clear();
    m_hits.clear();
    m_sources = std::move(*sources);
    m_searching = true;
    updateButtons();
    setStatus(QString::fromUtf8("検索中... (%1 ログ)").arg(m_sources.size()));

    const unsigned generation = m_generation;
    SearchCallbacks callbacks;
    callbacks.hits = [this, generation](std::vector<Hit> hits) {
        auto batch = std::make_shared<std::vector<Hit>>(std::move(hits));
        QMetaObject::invokeMethod(
            this,
            [this, generation, batch] {
                if (generation == m_generation)
                    addHits(std::move(*batch));
            },
            Qt::QueuedConnection);
    };
    callbacks.progress = [this, generation](const Progress &p) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, p] {
                if (generation == m_generation && m_searching)
                    showProgress(p);
            },
            Qt::QueuedConnection);
    };
    callbacks.finished = [this, generation](const Progress &p, bool stopped) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, p, stopped] {
                if (generation == m_generation)
                    finish(p, stopped);
            },
            Qt::QueuedConnection);
    };
    m_search.start(m_sources, std::move(matcher), std::move(callbacks), m_options.search);
    return true;
}

void TSearchDlg::stopSearch()
{
    if (!m_searching)
        return;
    // The search's last hand-overs are still queued: they arrive, then its end.
    m_search.stop();
}

void TSearchDlg::addHits(std::vector<Hit> hits)
{
    m_results->setUpdatesEnabled(false);
    QList<QTreeWidgetItem *> rows;
    rows.reserve(static_cast<qsizetype>(hits.size()));
    for (Hit &h : hits) {
        if (h.source >= m_sources.size())
            continue;
        const LogSource &s = m_sources[h.source];
        auto *row = new ResultRow;
        row->setText(BoardColumn, Sjis(s.boardName));
        row->setText(TopicColumn, Sjis(h.title));
        row->setText(NumberColumn, QString::number(h.number));
        row->setTextAlignment(NumberColumn, Qt::AlignRight | Qt::AlignVCenter);
        row->setText(DateColumn, Sjis(h.dateTime));
        const QString before = Sjis(h.excerpt.before);
        const QString match = Sjis(h.excerpt.match);
        const QString after = Sjis(h.excerpt.after);
        row->setText(ExcerptColumn, before + match + after);
        row->setData(ExcerptColumn, kBeforeRole, before);
        row->setData(ExcerptColumn, kMatchRole, match);
        row->setData(ExcerptColumn, kAfterRole, after);
        row->setData(BoardColumn, kHitRole, static_cast<qulonglong>(m_hits.size()));
        m_hits.push_back(std::move(h));
        rows.push_back(row);
    }
    m_results->addTopLevelItems(rows);
    if (!m_results->currentItem() && m_results->topLevelItemCount() > 0)
        m_results->setCurrentItem(m_results->topLevelItem(0));
    m_results->setUpdatesEnabled(true);
}

void TSearchDlg::showProgress(const Progress &p)
{
    setStatus(QString::fromUtf8("検索中... %1 / %2 ログ、%3 件").arg(p.filesDone).arg(p.filesTotal).arg(p.hits));
}

void TSearchDlg::finish(const Progress &p, bool stopped)
{
    m_search.wait();
    m_searching = false;
    const std::size_t found = m_hits.size();
    if (stopped)
        setStatus(QString::fromUtf8("検索を中止しました: %1 件 (%2 / %3 ログ)")
                      .arg(found)
                      .arg(p.filesDone)
                      .arg(p.filesTotal));
    else if (p.limited)
        setStatus(QString::fromUtf8("見つかった数が多いため %1 件で打ち切りました").arg(found));
    else
        setStatus(QString::fromUtf8("検索終了: %1 件 (%2 ログ)").arg(found).arg(p.filesTotal));
    m_results->setSortingEnabled(true); // a click on a heading sorts now
    updateButtons();
    emit searchFinished();
}

void TSearchDlg::setStatus(const QString &text)
{
    m_status->setText(text);
    emit statusChanged(text);
}

QString TSearchDlg::statusText() const
{
    return m_status->text();
}

void TSearchDlg::updateButtons()
{
    m_stop->setEnabled(m_searching);
    m_open->setEnabled(m_results->currentItem() != nullptr);
}

const Hit *TSearchDlg::hitOf(const QTreeWidgetItem *row) const
{
    if (!row || row->treeWidget() != m_results)
        return nullptr;
    bool ok = false;
    const qulonglong i = row->data(BoardColumn, kHitRole).toULongLong(&ok);
    return ok && i < m_hits.size() ? &m_hits[i] : nullptr;
}

const LogSource *TSearchDlg::sourceOf(const QTreeWidgetItem *row) const
{
    const Hit *hit = hitOf(row);
    return hit && hit->source < m_sources.size() ? &m_sources[hit->source] : nullptr;
}

void TSearchDlg::openResult(QTreeWidgetItem *row)
{
    const Hit *hit = hitOf(row);
    const LogSource *source = sourceOf(row);
    if (!hit || !source)
        return;
    emit openRequested(*source, hit->number, Sjis(hit->excerpt.match));
}

void TSearchDlg::keyPressEvent(QKeyEvent *event)
{
    // Enter searches in the text box and opens a row in the list (their own handling); what they
    // pass on must not close the window.
    if (event->key() == Qt::Key_Escape && m_searching) {
        stopSearch();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return;
    QDialog::keyPressEvent(event);
}

} // namespace search
