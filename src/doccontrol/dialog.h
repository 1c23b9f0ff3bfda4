#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace platform {
class ErrorReport;
}

namespace clientcore {
class QuillaryControl;
}

namespace doccontrol {

using clientcore::QuillaryControl;

// The URL input dialog. OK and Cancel only hide it, so the typed address is kept for the next
// showing; its close box unloads it.
class Dialog : public QDialog
{
    Q_OBJECT
public:
    Dialog(const QString &serverBase, QuillaryControl &quillary, platform::ErrorReport &errors,
           QWidget *parent = nullptr);

    void OKButton_Click();
    void CancelButton_Click();

    QLineEdit *Text1;
    QPushButton *OKButton;
    QPushButton *CancelButton;
    QLabel *Label1;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QuillaryControl &m_quillary;
    bool m_shownBefore = false;
};

} // namespace doccontrol
