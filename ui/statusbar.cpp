// Status panels laid out by hand: panel 0 takes whatever the fixed panels leave.
#include "ui/statusbar.h"

#include <QResizeEvent>

#include "ui/tablist.h"

namespace ui {

MainStatusBar::MainStatusBar(QWidget *parent)
    : QStatusBar(parent), m_fixedWidths(kStatusPanelDesignWidths), m_progress(new QProgressBar(this)),
      m_mode(new QLabel(this))
{
    setObjectName(QStringLiteral("MainStatusBar"));
    setSizeGripEnabled(false);
    for (std::size_t i = 0; i < m_panels.size(); ++i) {
        m_panels[i] = new QLabel(this);
        m_panels[i]->setFrameShape(QFrame::StyledPanel);
        m_panels[i]->setFrameShadow(QFrame::Sunken);
        m_panels[i]->setIndent(2);
    }
    m_mode->setObjectName(QStringLiteral("ModeLabel"));
    m_mode->setFrameShape(QFrame::StyledPanel);
    m_mode->setFrameShadow(QFrame::Sunken);
    m_mode->setAlignment(Qt::AlignCenter);
    m_mode->hide();
    m_progress->setObjectName(QStringLiteral("MainProgressBar"));
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 10);
    m_progress->setValue(0);
    setMinimumHeight(22);
    layOutPanels();
}

void MainStatusBar::setPanelText(int panel, const QString &text)
{
    if (panel >= 0 && panel < static_cast<int>(m_panels.size()))
        m_panels[static_cast<std::size_t>(panel)]->setText(text);
}

QString MainStatusBar::panelText(int panel) const
{
    if (panel < 0 || panel >= static_cast<int>(m_panels.size()))
        return {};
    return m_panels[static_cast<std::size_t>(panel)]->text();
}

int MainStatusBar::panelWidth(int panel) const
{
    if (panel < 0 || panel >= static_cast<int>(m_panels.size()))
        return 0;
    return m_panels[static_cast<std::size_t>(panel)]->width();
}

void MainStatusBar::setModeText(const QString &text, const QString &toolTip)
{
    m_mode->setText(text);
    m_mode->setToolTip(toolTip);
    m_mode->setVisible(!text.isEmpty());
    layOutPanels();
}

void MainStatusBar::resizeEvent(QResizeEvent *event)
{
    QStatusBar::resizeEvent(event);
    layOutPanels();
}

void MainStatusBar::layOutPanels()
{
    // The mode label takes its own width at the right; the panels share the rest as designed.
    const int modeWidth = m_mode->isVisibleTo(this) ? m_mode->sizeHint().width() + 12 : 0;
    m_mode->setGeometry(width() - modeWidth, 0, modeWidth, height());
    std::array<int, 4> widths = StatusPanelWidths(width() - modeWidth, m_fixedWidths);
    int x = 0;
    for (std::size_t i = 0; i < m_panels.size(); ++i) {
        m_panels[i]->setGeometry(x, 0, widths[i], height());
        x += widths[i];
    }
    m_progress->setGeometry(widths[0] + widths[1] + 2, 2, widths[2] - 2, height() - 4);
    m_progress->raise();
}

} // namespace ui
