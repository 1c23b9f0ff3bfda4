#include "frmabout.h"

#include "appicons.h"
#include "application.h"
#include "commandbutton.h"
#include "errorreport.h"
#include "linecontrol.h"
#include "twips.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

using platform::rectFromTwips;
using platform::twipsToPixels;

namespace about {

namespace {

QLabel *makeLabel(const QString &name, const QString &text, QRect geometry, bool black,
                  QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (black) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::black);
        label->setPalette(palette);
    }
    return label;
}

QPoint pointFromTwips(float x, float y)
{
    return QPoint(twipsToPixels(x), twipsToPixels(y));
}

} // namespace

QString FrmAbout::descriptionText()
{
    return QString(4, QLatin1Char(' ')) +
           QStringLiteral(
               "通过Quillary控件可以直接打开服务器上的Office文档（如Word,Excel,PPT,WPS等）"
               "进行编辑，完成后可以直接保存到远程服务器之上，方便用户管理本地和远程的"
               "Office文档。") +
           QString(58, QLatin1Char(' ')) + QStringLiteral("本程序功能可根据用户需求定制开发。");
}

FrmAbout::FrmAbout(platform::ErrorReport &errors, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_errors(errors)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("关于程序"));
    setWindowIcon(platform::iconB());
    setAttribute(Qt::WA_DeleteOnClose);
    // Shown at its stored screen position, not centred on the main window.
    setGeometry(rectFromTwips(2340, 1935, 5730, 3555));
    setFixedSize(size());

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picIcon->setLineWidth(2);
    picIcon->setPixmap(platform::aboutPicture());
    picIcon->move(rectFromTwips(240, 240, 330, 330).topLeft());
    picIcon->adjustSize();

    cmdOK = new platform::CommandButton(QStringLiteral("确定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(rectFromTwips(4125, 2625, 1500, 345));
    cmdOK->setDefault(true);

    Line1_1 = new platform::LineControl(pointFromTwips(90, 2445), pointFromTwips(5654, 2445),
                                        QColor(128, 128, 128), 1, this);
    Line1_1->setObjectName(QStringLiteral("Line1_1"));

    lblDescription = makeLabel(QStringLiteral("lblDescription"), descriptionText(),
                               rectFromTwips(1050, 1125, 3885, 1170), true, this);
    lblDescription->setWordWrap(true);

    lblTitle = makeLabel(QStringLiteral("lblTitle"), QStringLiteral("Quillary控件"),
                         rectFromTwips(1050, 240, 3885, 480), true, this);

    Line1_0 = new platform::LineControl(pointFromTwips(105, 2460), pointFromTwips(5654, 2460),
                                        QColor(255, 255, 255), 2, this);
    Line1_0->setObjectName(QStringLiteral("Line1_0"));

    lblVersion = makeLabel(QStringLiteral("lblVersion"), QStringLiteral("2017.1.0.6"),
                           rectFromTwips(1050, 780, 3885, 225), false, this);

    lblDisclaimer = makeLabel(
        QStringLiteral("lblDisclaimer"),
        QStringLiteral("警告：本程序受著作权法和国际条约保护。未经授权擅自复制或传播本程序的全部或"
                       "部分，可能受到民事及刑事制裁。"),
        rectFromTwips(255, 2625, 3630, 825), true, this);
    lblDisclaimer->setWordWrap(true);

    for (QLabel *label : {picIcon, lblDescription, lblTitle, lblVersion, lblDisclaimer})
        label->setFocusPolicy(Qt::NoFocus);
    cmdOK->setFocus();

    connect(cmdOK, &QPushButton::clicked, this,
            [this] { m_errors.run([this] { cmdOK_Click(); }); });

    m_errors.run([this] { Form_Load(); });
}

void FrmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("关于 ") + platform::applicationTitle());
    lblVersion->setText(QStringLiteral("版本 %1.%2.%3")
                            .arg(platform::versionMajor())
                            .arg(platform::versionMinor())
                            .arg(platform::versionRevision()));
    lblTitle->setText(platform::applicationTitle());
}

void FrmAbout::cmdOK_Click()
{
    accept();
}

// Esc runs the OK button, which is also the window's cancel button.
void FrmAbout::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        m_errors.run([this] { cmdOK_Click(); });
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace about
