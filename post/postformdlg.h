// The post form dialog: nickname, title and message of a reply or a new topic, its preview,
// and the collapse to its caption bar while another window has the focus.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace post {

/// `TPostFormDlg`: shown without blocking, above the other windows. It holds what the user
/// types; the window that owns it sends the post and handles the answer. Closing it in any way
/// deletes it. Texts cross its interface as Shift_JIS bytes. Main thread only.
class TPostFormDlg : public QDialog {
    Q_OBJECT
public:
    /// Makes the preview's HTML view (a view::HtmlView for the program).
    using BrowserFactory = std::function<QWidget *(QWidget *parent)>;

    TPostFormDlg(QWidget *owner, const BrowserFactory &makeBrowser);

    /// `FormUrl`: the post form page the dialog was opened for; it identifies the dialog.
    const std::string &formUrl() const { return m_formUrl; }
    void setFormUrl(std::string url) { m_formUrl = std::move(url); }
    /// `IsReply`: a reply (true) or a new topic.
    bool isReply() const { return m_isReply; }
    void setReply(bool reply) { m_isReply = reply; }
    /// `SavedHeight`: the height the dialog gets back when it is activated again.
    int savedHeight() const { return m_savedHeight; }
    bool collapsed() const { return m_collapsed; }

    void setCaption(const std::string &sjis);
    /// The title, cut to its 40 bytes.
    void setTitleText(const std::string &sjis);
    /// The message; lines separated by LF.
    void setMemoText(const std::string &sjis);
    std::string titleText() const;
    /// The message with every line end CR LF, as it is sent and counted.
    std::string memoText() const;
    /// The nicknames offered, the first selected.
    void setNicknames(const std::vector<std::string> &sjis);
    /// Index of the selected nickname (0 for the first).
    int nicknameIndex() const;

    /// Empties the preview.
    void clearPreview();
    /// Centres the dialog on its owner and shows it, above the other windows and activated.
    void showCentred();
    /// Puts the focus back into the dialog's active control when it is visible.
    void focusActiveControl();

signals:
    /// `OKBtn` was pressed: the owner checks and sends.
    void sendRequested();
    /// `HelpBtn` was pressed.
    void helpRequested();

protected:
    void changeEvent(QEvent *event) override;

private:
    /// `PostMemoChange`: the size counter and its colour.
    void updateSize();
    /// `PageControl1Change`: the preview page when its tab becomes active.
    void showPreview();
    /// What the user types or pastes goes in only as far as the title's limit allows; text set by
    /// the program (a reply's "Re:" title) is kept whole, and may be shortened by the user.
    void keepTitleWithinLimit(const QString &edited);
    void collapse();
    void restore();

    std::string m_formUrl;
    bool m_isReply = true;
    int m_savedHeight = 0;
    bool m_collapsed = false;

    QWidget *m_body = nullptr;
    QTabWidget *m_pages = nullptr;
    QComboBox *m_names = nullptr;
    QLineEdit *m_title = nullptr;
    QString m_titleNow, m_titleBefore; ///< the title's text, and its text before the last change
    QPlainTextEdit *m_memo = nullptr;
    QLabel *m_size = nullptr;
    QWidget *m_browser = nullptr;
};

} // namespace post
