// The main window's status bar: four text panels and the progress bar inside panel 2.
#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <array>

namespace ui {

class MainStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit MainStatusBar(QWidget *parent = nullptr);

    /// Panel 0 messages, panel 1 network state, panel 2 the progress bar, panel 3 counts.
    void setPanelText(int panel, const QString &text);
    QString panelText(int panel) const;
    QProgressBar *progressBar() const { return m_progress; }
    int panelWidth(int panel) const;
    /// The online or offline mode, shown at the right end, outside the four panels.
    void setModeText(const QString &text, const QString &toolTip);
    QString modeText() const { return m_mode->text(); }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    /// `MainStatusBarResize`.
    void layOutPanels();

    std::array<QLabel *, 4> m_panels{};
    std::array<int, 4> m_fixedWidths; ///< the design widths, copied at creation
    QProgressBar *m_progress;
    QLabel *m_mode;
};

} // namespace ui
