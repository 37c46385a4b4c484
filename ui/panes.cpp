// The panes, their CreatePage and their display settings.
#include "ui/panes.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPalette>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "qtbridge/sjis.h"
#include "ui/addressbox.h"
#include "ui/categorytreeview.h"
#include "ui/images.h"
#include "ui/topiclistview.h"
#include "ui/tablist.h"
#include "ui/treeguide.h"
#include "ui/theme.h"

namespace ui {

template <typename Page>
void PageList<Page>::move(int from, int to)
{
    MoveElement(m_pages, from, to);
}

template class PageList<CategoryPage>;
template class PageList<TopicListPage>;
template class PageList<TopicPage>;

QColor ColorFromSetting(int value)
{
    auto u = static_cast<unsigned>(value);
    if (u & 0x80000000u) {
        QPalette palette = QApplication::palette();
        switch (u & 0xFFu) {
        case 0x05: return palette.color(QPalette::Base);
        case 0x08: return palette.color(QPalette::Text);
        case 0x18: return palette.color(QPalette::ToolTipBase);
        case 0x17: return palette.color(QPalette::ToolTipText);
        case 0x0F: return palette.color(QPalette::Button);
        case 0x12: return palette.color(QPalette::ButtonText);
        case 0x0D: return palette.color(QPalette::Highlight);
        case 0x0E: return palette.color(QPalette::HighlightedText);
        default: return palette.color(QPalette::Window);
        }
    }
    return QColor(static_cast<int>(u & 0xFF), static_cast<int>((u >> 8) & 0xFF), static_cast<int>((u >> 16) & 0xFF));
}

QFont FontFromSetting(const settings::FontSetting &f)
{
    QFont font(qtbridge::FromSjis(f.name));
    // Pixel heights: negative values are the character height, positive ones the cell height,
    // which is a little taller.
    int pixels = f.height < 0 ? -f.height : (f.height * 4 + 2) / 5;
    if (pixels > 0)
        font.setPixelSize(pixels);
    font.setBold(f.bold);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeout);
    if (f.pitch == 2)
        font.setFixedPitch(true);
    // "ＭＳ Ｐゴシック" rarely exists here: let fontconfig substitute a Japanese sans-serif.
    font.setStyleHint(f.pitch == 2 ? QFont::Monospace : QFont::SansSerif);
    return font;
}

void ApplyTabStripSettings(TabStrip &strip, const settings::TabStripSettings &t, bool multi, bool atStartup)
{
    // Tab sizes are 16-bit quantities.
    int width = t.width & 0xFFFF;
    int height = t.height & 0xFFFF;
    QString sheet;
    if (width > 0)
        sheet += QStringLiteral("QTabBar::tab { width: %1px; }").arg(width);
    if (height > 0)
        sheet += QStringLiteral("QTabBar::tab { height: %1px; }").arg(height);
    strip.strip()->setStyleSheet(sheet);
    strip.setDocumentMode(t.style != 0);
    strip.strip()->setDrawBase(t.style != 2);
    strip.strip()->setExpanding(false);
    // Qt's tab bar has no several-rows mode. Its nearest is every tab in view at once: the tabs
    // shrink, their captions elided, instead of scrolling out of sight.
    strip.strip()->setUsesScrollButtons(!multi);
    strip.strip()->setElideMode(multi ? Qt::ElideRight : Qt::ElideNone);
    if (atStartup)
        strip.setTabPosition(t.bottom ? QTabWidget::South : QTabWidget::North);
}

namespace {

/// Gives every tab of the strip the icon, or takes it away, as [tab] icon says.
void syncTabIcons(TabStrip &strip, const QIcon &icon, bool on)
{
    for (int i = 0; i < strip.count(); ++i) {
        bool hasIcon = !strip.tabIcon(i).isNull();
        if (on && !hasIcon)
            strip.setTabIcon(i, icon);
        else if (!on && hasIcon)
            strip.setTabIcon(i, QIcon());
    }
}

} // namespace

PaneFrame::PaneFrame(const QString &objectName, QWidget *parent)
    : QWidget(parent), m_toolBar(new QToolBar(this)), m_strip(new TabStrip(this))
{
    setObjectName(objectName);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setMovable(false);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_strip, 1);
}

void PaneFrame::addCloseButton(const QIcon &icon)
{
    auto *spacer = new QWidget(m_toolBar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_toolBar->addWidget(spacer);
    QAction *close = m_toolBar->addAction(icon, QString::fromUtf8("閉じる"));
    close->setToolTip(QString::fromUtf8("閉じる"));
    connect(close, &QAction::triggered, this, &PaneFrame::closeRequested);
}

namespace {

/// The background of a tree or list. White is what the settings hold until the user picks a
/// colour; on a dark desktop it stands for the desktop's own background, as the system colours
/// do, or the desktop's light text would be unreadable on it.
QColor BackgroundFromSetting(int value)
{
    const QPalette palette = QApplication::palette();
    if (value == settings::DesignSettings{}.treeBackground && IsDark(palette))
        return palette.color(QPalette::Base);
    return ColorFromSetting(value);
}

void SetColors(QWidget &view, const QColor &base, const QColor &text)
{
    QPalette palette = view.palette();
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::Text, text);
    view.setPalette(palette);
}

void ApplyTreeLook(QTreeWidget &tree, const ViewLook &look)
{
    SetColors(tree, look.treeBase, look.treeText);
    tree.setFont(look.treeFont);
    tree.setRootIsDecorated(look.treeButtons);
    tree.setIndentation(look.treeGuide || look.treeButtons ? 16 : 8);
    tree.setStyle(TreeGuideStyle(look.treeGuide, look.treeButtons));
}

/// A topic-list tab's view: the list, or a tree (the message tree) in the trees' look.
void ApplyListLook(QWidget &view, bool tree, const ViewLook &look)
{
    SetColors(view, tree ? look.treeBase : look.listBase, tree ? look.treeText : look.listText);
    view.setFont(tree ? look.treeFont : look.listFont);
}

} // namespace

ViewLook LookFromSettings(const settings::Settings &s)
{
    ViewLook look;
    look.treeBase = BackgroundFromSetting(s.design.treeBackground);
    look.treeText = ColorFromSetting(s.design.treeFont.color);
    look.listBase = BackgroundFromSetting(s.design.thrlstBackground);
    look.listText = ColorFromSetting(s.design.thrlstFont.color);
    look.treeFont = FontFromSetting(s.design.treeFont);
    look.listFont = FontFromSetting(s.design.thrlstFont);
    look.treeGuide = s.general.treeGuide;
    look.treeButtons = s.general.treeButtons;
    return look;
}

CategoryPane::CategoryPane(const std::vector<QIcon> &images, QWidget *parent)
    : PaneFrame(QStringLiteral("LeftPanel"), parent), m_images(images)
{
    m_strip->setObjectName(QStringLiteral("LeftPageControl"));
    connect(m_strip, &TabStrip::tabMoved, this, [this](int from, int to) { m_pages.move(from, to); });
}

CategoryPage &CategoryPane::createPage(plugin_api::PluginHandle site, const std::string &caption, bool activate)
{
    CategoryPage &page = m_pages.append();
    page.site = site;
    // The favorites tree moves its nodes by its own rules.
    auto *favorites = site ? nullptr : new FavoritesTreeWidget;
    QTreeWidget *tree = favorites ? favorites : new QTreeWidget;
    tree->setHeaderHidden(true);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    tree->setUniformRowHeights(true);
    if (favorites)
        connect(favorites, &FavoritesTreeWidget::nodeMoved, this, [this, tree] { emit favoritesMoved(tree); });
    page.tree = tree;
    page.model = std::make_unique<CategoryTreeAdapter>(*tree, m_images);
    connect(tree, &QTreeWidget::itemExpanded, this, &CategoryPane::nodeExpanded);
    connect(tree, &QTreeWidget::itemCollapsed, this, &CategoryPane::nodeCollapsed);
    connect(tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) { emit nodeClicked(item); });
    connect(tree, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item) { emit nodeDoubleClicked(item); });
    connect(tree, &QWidget::customContextMenuRequested, this,
            [this, tree](const QPoint &pos) { emit contextMenuAt(tree, pos); });
    if (m_look)
        ApplyTreeLook(*tree, *m_look);
    m_strip->setCaption(m_strip->addTab(tree, QString()), caption);
    if (activate)
        m_strip->setCurrentIndex(m_strip->count() - 1);
    return page;
}

CategoryPage *CategoryPane::activePage()
{
    return m_pages.at(m_strip->currentIndex());
}

void CategoryPane::applyDisplay(const ViewLook &look)
{
    m_look = look;
    for (int i = 0; i < m_pages.size(); ++i)
        if (QTreeWidget *tree = m_pages[i].tree)
            ApplyTreeLook(*tree, look);
}

TopicListPane::TopicListPane(const std::vector<QIcon> &images, std::array<int, 8> &columnWidths, QWidget *parent)
    : PaneFrame(QStringLiteral("TopPanel"), parent), m_images(images), m_columnWidths(columnWidths)
{
    m_strip->setObjectName(QStringLiteral("TopPageControl"));
    m_strip->setIconSize(QSize(16, 16));
    connect(m_strip, &TabStrip::tabMoved, this, [this](int from, int to) { m_pages.move(from, to); });
    connect(m_strip, &QTabWidget::currentChanged, this, &TopicListPane::activeTabChanged);
}

TopicListPage &TopicListPane::createPage(plugin_api::PluginHandle site, const std::string &caption, bool treeForm,
                                         bool activate, bool withIcon)
{
    TopicListPage &page = m_pages.append();
    page.site = site;
    auto *view = new QTreeWidget;
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->setUniformRowHeights(true);
    if (treeForm) {
        view->setHeaderHidden(true);
    } else {
        view->setRootIsDecorated(false);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setAllColumnsShowFocus(true);
        view->setSortingEnabled(false);
        view->header()->setSectionsClickable(true);
        // Qt lets a header be dragged elsewhere; here a column's place is fixed, as its index is
        // what sorting and the stored widths go by.
        view->header()->setSectionsMovable(false);
        view->header()->setStretchLastSection(false);
        view->setHeaderLabels({QString(), QStringLiteral("No."), QString::fromUtf8("タイトル"),
                               QString::fromUtf8("投稿数"), QString::fromUtf8("取得済"), QString::fromUtf8("未取得"),
                               QString::fromUtf8("最新投稿日時"), QString::fromUtf8("カテゴリ")});
        for (int column : {1, 3, 4, 5})
            view->headerItem()->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        applyColumnWidths(view);
        connect(view->header(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
            if (column >= 0 && column < static_cast<int>(m_columnWidths.size()))
                m_columnWidths[static_cast<std::size_t>(column)] = size;
        });
        // The view fits the column itself; what is recorded is the widest sub-item text. This
        // runs after the view's own handler, so its resize does not overwrite the entry.
        connect(view->header(), &QHeaderView::sectionHandleDoubleClicked, this, [this, view](int column) {
            if (column >= 0 && column < static_cast<int>(m_columnWidths.size()))
                m_columnWidths[static_cast<std::size_t>(column)] = FittedColumnWidth(*view, column);
        });
        connect(view->header(), &QHeaderView::sectionClicked, this,
                [this](int column) { emit headerClicked(column); });
    }
    page.view = view;
    if (!treeForm) {
        connect(view, &QTreeWidget::itemClicked, this, [this] { emit rowClicked(); });
        connect(view, &QTreeWidget::itemDoubleClicked, this, [this] { emit rowDoubleClicked(); });
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint &pos) { emit contextMenuAt(view, pos); });
    }
    if (m_look)
        ApplyListLook(*view, treeForm, *m_look);
    int index = m_strip->addTab(view, QString());
    m_strip->setCaption(index, caption);
    if (withIcon)
        m_strip->setTabIcon(index, m_images[image::Board]);
    if (activate)
        m_strip->setCurrentIndex(index);
    return page;
}

void TopicListPane::fitUntouchedColumns(QTreeWidget *list)
{
    if (!list || list->isHeaderHidden() || list->topLevelItemCount() == 0 ||
        m_columnWidths != settings::kDefaultColumnWidths)
        return;
    std::array<int, 8> content{};
    const QFontMetrics headerMetrics(list->header()->font());
    for (int i = 0; i < static_cast<int>(content.size()); ++i) {
        const int header = headerMetrics.horizontalAdvance(list->headerItem()->text(i)) + 24;
        content[static_cast<std::size_t>(i)] = std::max(header, i == 0 ? 20 : FittedColumnWidth(*list, i));
    }
    const std::array<int, 8> widths = FitListColumns(content, list->viewport()->width());
    for (int i = 0; i < static_cast<int>(widths.size()); ++i)
        list->setColumnWidth(i, widths[static_cast<std::size_t>(i)]);
}

void TopicListPane::applyColumnWidths(QTreeWidget *list)
{
    QSignalBlocker block(list->header());
    for (int i = 0; i < static_cast<int>(m_columnWidths.size()); ++i)
        list->setColumnWidth(i, m_columnWidths[static_cast<std::size_t>(i)]);
}

void TopicListPane::activeTabChanged(int index)
{
    // The address box follows the active tab: a special list, or no tab at all, shows nothing.
    if (index < 0 || index >= m_pages.size()) {
        emit listUrlShown(QString());
        return;
    }
    TopicListPage &page = m_pages[index];
    emit listUrlShown(QString::fromLatin1(AddressOfList(page.listUrl).c_str()));
    if (page.isList())
        if (auto *list = qobject_cast<QTreeWidget *>(page.view.data()))
            applyColumnWidths(list);
}

void TopicListPane::closeTab(int index)
{
    if (index < 0 || index >= m_pages.size())
        return;
    QWidget *view = m_pages[index].view;
    if (auto *list = qobject_cast<QTreeWidget *>(view))
        list->clear(); // rows own their entries; they go before the view
    m_pages.remove(index);
    m_strip->removeTab(index);
    delete view;
}

TopicListPage *TopicListPane::activePage()
{
    return m_pages.at(m_strip->currentIndex());
}

void TopicListPane::applyDisplay(const ViewLook &look, bool tabIcons)
{
    m_look = look;
    for (int i = 0; i < m_pages.size(); ++i)
        if (m_pages[i].view)
            ApplyListLook(*m_pages[i].view, !m_pages[i].isList(), look);
    syncTabIcons(*m_strip, m_images[image::Board], tabIcons);
    if (QWidget *active = m_strip->currentWidget())
        active->update();
}

TopicPane::TopicPane(const std::vector<QIcon> &images, BrowserFactory makeBrowser, QWidget *parent)
    : PaneFrame(QStringLiteral("BottomPanel"), parent), m_images(images), m_makeBrowser(std::move(makeBrowser)),
      m_resBand(new QToolBar(this))
{
    m_strip->setObjectName(QStringLiteral("BottomPageControl"));
    m_strip->setIconSize(QSize(16, 16));
    connect(m_strip, &TabStrip::tabMoved, this, [this](int from, int to) { m_pages.move(from, to); });
    // The two bands live in a window of their own so that the user can move them like the main
    // window's bands.
    auto *frameLayout = static_cast<QVBoxLayout *>(layout());
    frameLayout->removeWidget(m_toolBar);
    frameLayout->removeWidget(m_strip);
    m_bands = new QMainWindow(this);
    m_bands->setWindowFlags(Qt::Widget);
    m_bands->setObjectName(QStringLiteral("BottomCoolBar"));
    m_toolBar->setObjectName(QStringLiteral("ViewToolBar"));
    m_toolBar->setMovable(true);
    m_resBand->setMovable(true);
    m_bands->addToolBar(Qt::TopToolBarArea, m_toolBar);
    m_bands->addToolBar(Qt::TopToolBarArea, m_resBand);
    m_bands->setCentralWidget(m_strip);
    frameLayout->addWidget(m_bands);
    m_resBand->setObjectName(QStringLiteral("ResPanel"));
    m_resBand->addWidget(new QLabel(QString::fromUtf8("レス番号へ移動"), m_resBand));
    auto *edit = new QLineEdit(m_resBand);
    edit->setObjectName(QStringLiteral("ResLabeledEdit"));
    edit->setMaximumWidth(80);
    m_resBand->addWidget(edit);
}

TopicPage &TopicPane::createPage(plugin_api::PluginHandle site, const std::string &caption, bool activate, bool withIcon)
{
    TopicPage &page = m_pages.append();
    page.site = site;
    QWidget *browser = m_makeBrowser ? m_makeBrowser(m_strip) : new QWidget(m_strip);
    page.browser = browser;
    int index = m_strip->addTab(browser, QString());
    m_strip->setCaption(index, caption);
    if (withIcon)
        m_strip->setTabIcon(index, m_images[image::TopicTab]);
    if (activate)
        m_strip->setCurrentIndex(index);
    return page;
}

void TopicPane::closeTab(int index)
{
    if (index < 0 || index >= m_pages.size())
        return;
    QWidget *browser = m_pages[index].browser;
    m_pages.remove(index);
    m_strip->removeTab(index);
    delete browser;
}

TopicPage *TopicPane::activePage()
{
    return m_pages.at(m_strip->currentIndex());
}

void TopicPane::applyDisplay(const settings::Settings &s)
{
    syncTabIcons(*m_strip, m_images[image::TopicTab], s.tab.icon);
}

} // namespace ui
