#include "dialog.h"
#include "quillarycontrol.h"

#include "appicons.h"
#include "commandbutton.h"
#include "errorreport.h"
#include "twips.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

using platform::rectFromTwips;

namespace doccontrol {

Dialog::Dialog(const QString &serverBase, QuillaryControl &quillary, platform::ErrorReport &errors,
               QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_quillary(quillary)
{
    setObjectName(QStringLiteral("Dialog"));
    setWindowTitle(QStringLiteral("输入Office文档的网址"));
    setWindowIcon(platform::iconA());
    setFixedSize(rectFromTwips(0, 0, 10575, 1215).size());

    Text1 = new QLineEdit(serverBase + QStringLiteral("/quillary/temp/file1.doc"), this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(rectFromTwips(1560, 240, 7095, 375));

    CancelButton = new platform::CommandButton(QStringLiteral("取消"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(rectFromTwips(8760, 720, 1695, 375));

    OKButton = new platform::CommandButton(QStringLiteral("确定"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(rectFromTwips(8760, 240, 1695, 375));

    Label1 = new QLabel(QStringLiteral("Office文档网址："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(rectFromTwips(120, 360, 1440, 180).topLeft());
    Label1->adjustSize();

    // Neither button is the default (Enter) or cancel (Esc) button.
    setTabOrder(OKButton, CancelButton);
    setTabOrder(CancelButton, Text1);

    connect(OKButton, &QPushButton::clicked, this,
            [this, &errors] { errors.run([this] { OKButton_Click(); }); });
    connect(CancelButton, &QPushButton::clicked, this,
            [this, &errors] { errors.run([this] { CancelButton_Click(); }); });
}

void Dialog::OKButton_Click()
{
    hide();
    const QString address = Text1->text();
    m_quillary.OpenDocument(clientcore::bstr(address));
}

void Dialog::CancelButton_Click()
{
    hide();
}

void Dialog::keyPressEvent(QKeyEvent *event)
{
    // Without a cancel button Esc does nothing; QDialog would otherwise hide the dialog.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Dialog::closeEvent(QCloseEvent *event)
{
    // The close box unloads the dialog: its next showing starts from the definition.
    QDialog::closeEvent(event);
    if (event->isAccepted())
        deleteLater();
}

void Dialog::showEvent(QShowEvent *event)
{
    if (!m_shownBefore) {
        m_shownBefore = true;
        if (QScreen *screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
        OKButton->setFocus(Qt::OtherFocusReason);
    }
    QDialog::showEvent(event);
}

} // namespace doccontrol
