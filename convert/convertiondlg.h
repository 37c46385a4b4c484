// The conversion dialog: the fields of a conversion, its checks and messages, and the run in
// slices on the main thread so that the progress bar moves and the window keeps answering.
#pragma once

#include "convert/conversion.h"
#include "settings/settings.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace convert {

/// `TConvertionDlg`, the "HTML 変換ツール". Modal; it stays open after a run. Main thread only.
class TConvertionDlg : public QDialog {
    Q_OBJECT
public:
    /// Shows a modal message; tests replace it.
    using MessageFn = std::function<void(const QString &caption, const QString &text)>;
    /// Opens the help at a keyword, owned by the given window.
    using HelpFn = std::function<void(QWidget *owner, const QString &keyword)>;
    /// Stands in for a file or folder dialog: the chosen path, or an empty text when cancelled.
    using ChooseFn = std::function<QString(QWidget *parent, const QString &start)>;

    struct Options {
        std::string programDir;                  ///< where the default skin goes when the chosen one is broken
        std::string profileBase;                 ///< [endpoint] profile, for the default skin
        std::string skinDir;                     ///< [path] skin: the initial skin field
        settings::ConversionSettings conversion; ///< the initial per-file count and overwrite box
        MessageFn showMessage;                   ///< default: a warning box
        HelpFn openHelp;                         ///< none: the help button does nothing
    };

    explicit TConvertionDlg(Options options, QWidget *parent = nullptr);
    ~TConvertionDlg() override;

    /// Puts path (file-system bytes) into the log field and reads what the dialog shows of it.
    void setDatPath(const std::string &path);
    /// The settings the dialog leaves behind: the per-file count (1000 when blank or not a
    /// number) and the overwrite box.
    settings::ConversionSettings conversionSettings() const;
    /// Replaces the file dialogs of the three "..." buttons (tests).
    void setChoosers(ChooseFn openDat, ChooseFn saveHtml, ChooseFn chooseSkin);

    /// `OKBtn`: checks the fields and starts a run; the run goes on from the event loop.
    void run();
    bool running() const { return m_converter != nullptr; }

signals:
    /// A run ended (also after a failed check or a failure to start).
    void runFinished();

protected:
    void done(int result) override;

private:
    void buildControls();
    void readDatInfo();
    void slice();
    void finish();
    void showMessage(const QString &text);
    std::string pathOf(const QLineEdit *edit, const std::string &raw) const;
    void setPath(QLineEdit *edit, std::string &raw, const std::string &path);

    Options m_options;
    ChooseFn m_openDat;
    ChooseFn m_saveHtml;
    ChooseFn m_chooseSkin;

    QGroupBox *m_infoGroup = nullptr;
    QLabel *m_title = nullptr;
    QLabel *m_count = nullptr;
    QLineEdit *m_datPath = nullptr;
    QLineEdit *m_htmlPath = nullptr;
    QLineEdit *m_skinPath = nullptr;
    QLineEdit *m_start = nullptr;
    QLineEdit *m_end = nullptr;
    QLineEdit *m_outputCount = nullptr;
    QCheckBox *m_overwrite = nullptr;
    QLabel *m_info = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_help = nullptr;
    // The paths as file-system bytes: a path the program gave (a board directory's name is
    // Shift_JIS) is used as it is while its field is not edited.
    std::string m_datRaw;
    std::string m_htmlRaw;
    std::string m_skinRaw;

    std::unique_ptr<Converter> m_converter;
    QTimer *m_sliceTimer = nullptr;
};

} // namespace convert
