// The version box and the program icon.
#include "help/aboutbox.h"
#include "help/programicon.h"

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

using help::TAboutBox;

QString U(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

TEST(AboutBox, VersionLabel_ShowsTheVersionGivenOrItsDesignText)
{
    TAboutBox withVersion(U("1.0.2.0"));
    EXPECT_EQ(withVersion.versionText(), U("Version.1.0.2.0"));
    QLabel *label = withVersion.findChild<QLabel *>(QStringLiteral("Version"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), U("Version.1.0.2.0"));

    TAboutBox without{QString()};
    EXPECT_EQ(without.versionText(), U("バージョン番号"));
}

TEST(AboutBox, Layout_FixedCentredBoxWithIconNameAndOkButton)
{
    TAboutBox box(U("0.1.0"));
    EXPECT_EQ(box.windowTitle(), U("バージョン情報"));
    EXPECT_EQ(box.size(), QSize(347, 196));
    EXPECT_EQ(box.minimumSize(), QSize(347, 196));
    EXPECT_EQ(box.maximumSize(), QSize(347, 196));
    EXPECT_FALSE(box.windowFlags() & Qt::WindowMaximizeButtonHint);

    QLabel *name = box.findChild<QLabel *>(QStringLiteral("ProductName"));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), U("Nekomado"));
    QLabel *icon = box.findChild<QLabel *>(QStringLiteral("ProgramIcon"));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    EXPECT_NE(box.findChild<QWidget *>(QStringLiteral("Panel1")), nullptr);

    box.show();
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    const QPoint boxCentre = box.geometry().center();
    EXPECT_LE((boxCentre - screenCentre).manhattanLength(), 4);
}

TEST(AboutBox, OkButton_ClosesTheBox)
{
    TAboutBox box(U("0.1.0"));
    box.open();
    ASSERT_TRUE(box.isVisible());
    QPushButton *ok = box.findChild<QPushButton *>(QStringLiteral("OKButton"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), U("OK"));
    EXPECT_TRUE(ok->isDefault());
    ok->click();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST(ProgramIcon, HasEveryDrawnSizeAndIsNotBlank)
{
    const QIcon icon = help::ProgramIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (int size : {16, 32, 48, 256})
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;

    const QImage image = icon.pixmap(QSize(32, 32)).toImage();
    ASSERT_EQ(image.size(), QSize(32, 32));
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            opaque += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
    }
    EXPECT_GT(opaque, 32 * 32 / 3); // the window and its ears fill most of the square
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "the corners stay transparent";
}

} // namespace
