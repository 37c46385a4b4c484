// The version box.
#include "help/aboutbox.h"

#include "help/programicon.h"

#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace help {

namespace {

constexpr int kClientWidth = 347;
constexpr int kClientHeight = 196;

} // namespace

TAboutBox::TAboutBox(const QString &version, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setWindowIcon(ProgramIcon());

    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(2);

    auto *icon = new QLabel(panel);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(ProgramIcon().pixmap(QSize(48, 48)));
    icon->setFixedSize(48, 48);

    auto *productName = new QLabel(QStringLiteral("Nekomado"), panel);
    productName->setObjectName(QStringLiteral("ProductName"));
    QFont nameFont = productName->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.5);
    productName->setFont(nameFont);

    m_version = new QLabel(QStringLiteral("バージョン番号"), panel);
    m_version->setObjectName(QStringLiteral("Version"));
    m_version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (!version.isEmpty())
        m_version->setText(QStringLiteral("Version.") + version);

    auto *panelLayout = new QGridLayout(panel);
    panelLayout->setContentsMargins(16, 16, 16, 16);
    panelLayout->setHorizontalSpacing(20);
    panelLayout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    panelLayout->addWidget(productName, 0, 1, Qt::AlignBottom);
    panelLayout->addWidget(m_version, 1, 1, Qt::AlignTop);
    panelLayout->setColumnStretch(1, 1);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(panel, 1);
    layout->addLayout(buttons);

    setSizeGripEnabled(false);
    setFixedSize(kClientWidth, kClientHeight);

    // Centred on the screen the owner is on (the primary one without an owner).
    QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
    }
}

QString TAboutBox::versionText() const
{
    return m_version->text();
}

} // namespace help
