// The address box (what it shows, what it refuses) and the progress bar's range: the window's
// side of the rules in ui/addressbox.h and ui/fetchprogress.h.
#include <QLineEdit>
#include <QProgressBar>

#include "app/mainform.h"
#include "qtbridge/sjis.h"
#include "ui/addressbox.h"
#include "ui/fetchprogress.h"
#include "ui/panes.h"
#include "ui/statusbar.h"

void TMainForm::wireAddressBox()
{
    // The box shows the active tab's address, or nothing once the strip has no tab: never the
    // address of a tab that was closed.
    connect(m_topicPane->strip(), &QTabWidget::currentChanged, this, [this] {
        ui::TopicPage *tab = m_topicPane->activePage();
        m_urlEdit->setText(tab ? QString::fromLatin1(tab->topicUrl.c_str()) : QString());
        updateProgress();
    });
}

void TMainForm::openAddress(store::OpenMode mode, bool local)
{
    std::string text = qtbridge::ToSjis(m_urlEdit->text());
    if (!ui::AddressAccepted(text, mode)) {
        ShowStatus(0, QString::fromUtf8(ui::kAddressRefusedText));
        return;
    }
    OpenUrl(text, 0, 0, mode, local);
}

void TMainForm::updateProgress()
{
    ui::ProgressShown shown = ui::ProgressFor(m_runningCount, m_settings.network.threadMax);
    QProgressBar *bar = m_statusBar->progressBar();
    if (bar->maximum() != shown.maximum)
        bar->setMaximum(shown.maximum);
    if (bar->value() != shown.value)
        bar->setValue(shown.value);
}
