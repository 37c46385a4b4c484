// What a desktop program adds around the reader: the zoom of the topic view and the pop-ups,
// the online or offline mode in the status bar, the dark skin on a dark desktop, and the first
// start, which says how to fetch the board directory instead of leaving an empty tree unexplained.
#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include "app/mainform.h"
#include "base/textfile.h"
#include "store/categoryfile.h"
#include "ui/panes.h"
#include "ui/statusbar.h"
#include "ui/theme.h"
#include "view/htmlview.h"

void TMainForm::wireDesktop()
{
    ui::ActionList &a = *m_actions;
    auto zoomBy = [this](int direction) {
        setZoom(direction == 0 ? 100 : ui::NextZoom(m_settings.view.zoom, direction));
    };
    a.setExecute(QStringLiteral("ViewZoomIn"), [zoomBy] { zoomBy(1); });
    a.setExecute(QStringLiteral("ViewZoomOut"), [zoomBy] { zoomBy(-1); });
    a.setExecute(QStringLiteral("ViewZoomReset"), [zoomBy] { zoomBy(0); });
    // Ctrl+= as well as Ctrl++: on most keyboards "+" needs Shift.
    if (QAction *in = a.action(QStringLiteral("ViewZoomIn")))
        in->setShortcuts({QKeySequence(QStringLiteral("Ctrl++")), QKeySequence(QStringLiteral("Ctrl+="))});
    if (QAction *online = a.action(QStringLiteral("FileOnline")))
        connect(online, &QAction::toggled, this, [this] { showOnlineMode(); });
}

void TMainForm::desktopStarted()
{
    m_settings.view.zoom = ui::SanitizedZoom(m_settings.view.zoom);
    setZoom(m_settings.view.zoom);
    showOnlineMode();

    // The first start has no directory: say how to get one rather than leave an empty tree
    // unexplained. Nothing is fetched before the user asks: the board sees no request, and the
    // status bar no crawl, that the user did not start.
    const bool online = m_actions->action(QStringLiteral("FileOnline"))->isChecked();
    if (!m_plugin || base::FileExists(store::CategoryFilePath(m_programDir, store::kPluginTreeName)))
        return;
    ShowStatus(0, online ? QString::fromUtf8("カテゴリ一覧がありません。カテゴリ一覧を更新してください")
                         : QString::fromUtf8("カテゴリ一覧がありません。オンラインにしてカテゴリ一覧を更新してください"));
}

void TMainForm::placeFirstWindow()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (screen)
        setGeometry(ui::FirstWindowGeometry(screen->availableGeometry()));
}

void TMainForm::showOnlineMode()
{
    const bool online = m_actions->action(QStringLiteral("FileOnline"))->isChecked();
    m_statusBar->setModeText(online ? QString::fromUtf8("オンライン") : QString::fromUtf8("オフライン"),
                             online ? QString::fromUtf8("掲示板からダウンロードします")
                                    : QString::fromUtf8("ログだけを読みます (Ctrl+Shift+O で切り替え)"));
}

void TMainForm::setZoom(int percent)
{
    m_settings.view.zoom = percent;
    for (int i = 0; i < m_topicPane->pages().size(); ++i)
        zoomBrowser(m_topicPane->pages()[i]);
    if (m_popup)
        m_popup->setFont(popupFont());
    if (percent != 100)
        ShowStatus(0, QString::fromUtf8("表示倍率 %1%").arg(percent));
}

void TMainForm::zoomBrowser(ui::TopicPage &page)
{
    if (auto *browser = qobject_cast<view::HtmlView *>(page.browser.data()))
        browser->setZoomFactor(m_settings.view.zoom / 100.0);
}

QFont TMainForm::popupFont() const
{
    QFont font = ui::FontFromSetting(m_settings.design.respopFont);
    if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, font.pixelSize() * m_settings.view.zoom / 100));
    else if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * m_settings.view.zoom / 100.0);
    return font;
}

bool TMainForm::darkDesktop() const
{
    return ui::IsDark(palette());
}
