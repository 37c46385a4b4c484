// The version box: the program's icon, name and version.
#pragma once

#include <QDialog>

class QLabel;

namespace help {

/// `TAboutBox`: caption "バージョン情報", a fixed border, centred on the screen, client area
/// 347 × 196. Children by object name: "Panel1" (the bevelled panel), "ProgramIcon",
/// "ProductName", "Version" and "OKButton".
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    /// version: the program's version text (the CMake project version compiled into the
    /// program). The version label shows "Version." followed by it; when it is empty the label
    /// keeps its design text "バージョン番号".
    explicit TAboutBox(const QString &version, QWidget *parent = nullptr);

    QString versionText() const;

private:
    QLabel *m_version = nullptr;
};

} // namespace help
