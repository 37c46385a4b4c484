// The help window and its page view.
#include "help/helpwindow.h"

#include "help/programicon.h"
#include "qtbridge/sjis.h"

#include "base/text.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStringDecoder>
#include <QStyle>
#include <QTextDocument>
#include <QToolBar>
#include <QVBoxLayout>

namespace help {

namespace {

// Our pages are a few kilobytes; anything this large in the help directory is not one of them.
constexpr qint64 kMaxResourceBytes = 8 * 1024 * 1024;

const char kWindowTitle[] = "Nekomado ヘルプ";

} // namespace

HelpBrowser::HelpBrowser(HelpWindow *window) : QTextBrowser(window), m_window(window)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
}

QVariant HelpBrowser::loadResource(int type, const QUrl &name)
{
    QUrl url = name;
    if (url.isRelative())
        url = (source().isValid() ? source() : m_window->baseUrl()).resolved(name);
    const QString page = m_window->localPage(url);
    if (page.isEmpty())
        return {};
    if (page == QLatin1String(kIndexPage))
        return type == QTextDocument::HtmlResource ? QVariant(m_window->index().indexPageHtml()) : QVariant();

    QFile file(QDir(m_window->baseUrl().toLocalFile()).filePath(page));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxResourceBytes)
        return {};
    const QByteArray bytes = file.readAll();
    switch (type) {
    case QTextDocument::HtmlResource: {
        // A page declares its own encoding; one that declares none is taken as UTF-8.
        QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
        if (!decoder.isValid())
            decoder = QStringDecoder(QStringDecoder::Utf8);
        return QVariant(decoder.decode(bytes));
    }
    case QTextDocument::StyleSheetResource:
        return QVariant(QString::fromUtf8(bytes));
    default:
        return QVariant(bytes);
    }
}

HelpWindow::HelpWindow(const QString &helpDir, const HelpIndex &index, QWidget *parent)
    : QMainWindow(parent, Qt::Window), m_helpDir(QDir::cleanPath(QDir(helpDir).absolutePath())), m_index(index)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowIcon(ProgramIcon());
    setWindowTitle(QString::fromUtf8(kWindowTitle));

    m_browser = new HelpBrowser(this);
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));

    auto *indexPanel = new QWidget(this);
    auto *indexLayout = new QVBoxLayout(indexPanel);
    indexLayout->setContentsMargins(4, 4, 4, 4);
    auto *keywordLabel = new QLabel(QStringLiteral("キーワード(&K):"), indexPanel);
    m_keywordEdit = new QLineEdit(indexPanel);
    m_keywordEdit->setObjectName(QStringLiteral("KeywordEdit"));
    keywordLabel->setBuddy(m_keywordEdit);
    m_keywordList = new QListWidget(indexPanel);
    m_keywordList->setObjectName(QStringLiteral("KeywordList"));
    for (const IndexEntry *entry : m_index.sorted()) {
        auto *item = new QListWidgetItem(entry->keyword, m_keywordList);
        item->setData(Qt::UserRole, entry->target);
    }
    auto *showButton = new QPushButton(QStringLiteral("表示(&D)"), indexPanel);
    indexLayout->addWidget(keywordLabel);
    indexLayout->addWidget(m_keywordEdit);
    indexLayout->addWidget(m_keywordList, 1);
    indexLayout->addWidget(showButton);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(indexPanel);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({180, 580});
    setCentralWidget(splitter);

    QToolBar *toolBar = addToolBar(QStringLiteral("ツールバー"));
    toolBar->setMovable(false);
    toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QAction *back = toolBar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("戻る"));
    back->setShortcut(QKeySequence::Back);
    back->setEnabled(false);
    QAction *forward = toolBar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("進む"));
    forward->setShortcut(QKeySequence::Forward);
    forward->setEnabled(false);
    QAction *contents = toolBar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("目次"));
    QAction *indexAction =
        toolBar->addAction(style()->standardIcon(QStyle::SP_FileDialogContentsView), QStringLiteral("索引"));

    connect(back, &QAction::triggered, m_browser, &QTextBrowser::backward);
    connect(forward, &QAction::triggered, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(contents, &QAction::triggered, this, &HelpWindow::showStartPage);
    connect(indexAction, &QAction::triggered, this, [this] { showIndexPage(m_keywordEdit->text()); });

    connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl &link) { followLink(link); });
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] { updateTitle(); });
    connect(m_browser, &QTextBrowser::highlighted, this, [this](const QUrl &link) {
        // Only links that will not be followed are worth naming: the user sees where they lead.
        const bool inside = link.isEmpty() || !localPage(link.isRelative() ? baseUrl().resolved(link) : link).isEmpty();
        statusBar()->showMessage(inside ? QString() : link.toDisplayString());
    });
    connect(m_keywordEdit, &QLineEdit::textEdited, this, &HelpWindow::selectNearestKeyword);
    connect(m_keywordEdit, &QLineEdit::returnPressed, this, &HelpWindow::openSelectedKeyword);
    connect(m_keywordList, &QListWidget::itemActivated, this, &HelpWindow::openSelectedKeyword);
    connect(showButton, &QPushButton::clicked, this, &HelpWindow::openSelectedKeyword);

    statusBar();
}

QUrl HelpWindow::baseUrl() const
{
    return QUrl::fromLocalFile(m_helpDir + QLatin1Char('/'));
}

QString HelpWindow::localPage(const QUrl &url) const
{
    const QUrl absolute = url.isRelative() ? baseUrl().resolved(url) : url;
    if (!absolute.isLocalFile())
        return {};
    const QString path = QDir::cleanPath(absolute.toLocalFile());
    const QString prefix = m_helpDir + QLatin1Char('/');
    if (!path.startsWith(prefix) || path.size() == prefix.size())
        return {};
    return path.mid(prefix.size());
}

bool HelpWindow::followLink(const QUrl &link)
{
    const QUrl url =
        link.isRelative() ? (m_browser->source().isValid() ? m_browser->source() : baseUrl()).resolved(link) : link;
    const QString page = localPage(url);
    if (page.isEmpty())
        return false;
    if (page != QLatin1String(kIndexPage) && !QFileInfo(QDir(m_helpDir).filePath(page)).isFile())
        return false;
    m_browser->setSource(url);
    return true;
}

void HelpWindow::showStartPage()
{
    showTarget(QLatin1String(kStartPage));
}

void HelpWindow::showTarget(const QString &target)
{
    const QString page = TargetPage(target);
    if (!IsHelpTarget(target) || !QFileInfo(QDir(m_helpDir).filePath(page)).isFile()) {
        showIndexPage();
        return;
    }
    m_browser->setSource(baseUrl().resolved(QUrl(target)));
}

void HelpWindow::showKeyword(const QString &keyword)
{
    const IndexEntry *entry = m_index.find(keyword);
    if (!entry) {
        showIndexPage(keyword);
        return;
    }
    m_keywordEdit->setText(entry->keyword);
    selectNearestKeyword(entry->keyword);
    showTarget(entry->target);
}

void HelpWindow::showIndexPage(const QString &keyword)
{
    m_keywordEdit->setText(keyword);
    selectNearestKeyword(keyword);
    m_browser->setSource(baseUrl().resolved(QUrl(QLatin1String(kIndexPage))));
    m_keywordEdit->setFocus();
}

QString HelpWindow::currentPage() const
{
    return localPage(m_browser->source());
}

QString HelpWindow::currentAnchor() const
{
    return m_browser->source().fragment();
}

void HelpWindow::selectNearestKeyword(const QString &typed)
{
    if (m_keywordList->count() == 0)
        return;
    const std::string key = qtbridge::ToSjis(typed.trimmed());
    if (key.empty()) {
        m_keywordList->setCurrentRow(0);
        return;
    }
    // Like a printed index: the list is in index order, so the first keyword not before the typed
    // text is the first one that begins with it, or else the one that would follow it.
    int nearest = m_keywordList->count() - 1;
    for (int row = 0; row < m_keywordList->count(); ++row) {
        if (base::CompareTextNoCase(qtbridge::ToSjis(m_keywordList->item(row)->text()), key) >= 0) {
            nearest = row;
            break;
        }
    }
    m_keywordList->setCurrentRow(nearest);
    m_keywordList->scrollToItem(m_keywordList->item(nearest));
}

void HelpWindow::openSelectedKeyword()
{
    if (QListWidgetItem *item = m_keywordList->currentItem())
        showTarget(item->data(Qt::UserRole).toString());
}

void HelpWindow::updateTitle()
{
    // The program's name once: the start page's own title already holds it.
    const QString title = m_browser->documentTitle().trimmed();
    const QString name = QString::fromUtf8(kWindowTitle);
    setWindowTitle(title.isEmpty() || title.contains(QLatin1String("Nekomado")) ? name
                                                                                  : title + QStringLiteral(" - ") + name);
}

} // namespace help
