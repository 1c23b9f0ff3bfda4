#include "form1.h"

#include "browser.h"
#include "commandbutton.h"
#include "listbox.h"
#include "twips.h"

#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>

// The main window as it is defined: its controls in definition order with their captions,
// geometry and tab order, and its menus with their shortcut keys.
using platform::rectFromTwips;

namespace {

QFont simSun(qreal points, bool underline)
{
    QFont font(QStringLiteral("宋体"));
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    font.setUnderline(underline);
    return font;
}

QLabel *autoSizedLabel(const QString &name, const QString &caption, QRect geometry, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->move(geometry.topLeft());
    label->adjustSize();
    return label;
}

} // namespace

void Form1::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("clientArea"));
    setCentralWidget(client);

    // Created in definition order; the tab order follows the tab indexes below.
    Quillary1 = m_parts.quillaryWidget;
    Quillary1->setParent(client);
    Quillary1->setObjectName(QStringLiteral("Quillary1"));
    Quillary1->setGeometry(rectFromTwips(3840, 0, 6015, 3015));

    Command13 = addButton(QStringLiteral("Command13"), QStringLiteral("批量下载文件"),
                          rectFromTwips(1800, 5880, 1335, 375), &Form1::Command13_Click);
    Command12 = addButton(QStringLiteral("Command12"), QStringLiteral("excel转pdf"),
                          rectFromTwips(1800, 7080, 1335, 375), &Form1::Command12_Click);
    Command11 = addButton(QStringLiteral("Command11"), QStringLiteral("word转为pdf"),
                          rectFromTwips(120, 7080, 1335, 375), &Form1::Command11_Click);
    Command10 = addButton(QStringLiteral("Command10"), QStringLiteral("解除签发保护"),
                          rectFromTwips(1800, 6480, 1335, 375), &Form1::Command10_Click);
    Command9 = addButton(QStringLiteral("Command9"), QStringLiteral("签发保护文档"),
                         rectFromTwips(120, 6480, 1335, 375), &Form1::Command9_Click);
    Command8 = addButton(QStringLiteral("Command8"), QStringLiteral("插入表格"),
                         rectFromTwips(120, 5880, 1335, 375), &Form1::Command8_Click);
    Command7 = addButton(QStringLiteral("Command7"), QStringLiteral("手写签名"),
                         rectFromTwips(1800, 5280, 1335, 375), &Form1::Command7_Click);
    Command6 = addButton(QStringLiteral("Command6"), QStringLiteral("盖章"),
                         rectFromTwips(120, 5280, 1335, 375), &Form1::Command6_Click);
    Command5 = addButton(QStringLiteral("Command5"), QStringLiteral("插入图片"),
                         rectFromTwips(1800, 4680, 1335, 375), &Form1::Command5_Click);

    Combo1 = new QComboBox(client);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert); // typed text stays in the edit field
    Combo1->setGeometry(rectFromTwips(1320, 3600, 2295, 300));
    Combo1->setAccessibleName(QStringLiteral("Combo1"));

    Command4 = addButton(QStringLiteral("Command4"), QStringLiteral("替换内容"),
                         rectFromTwips(120, 4680, 1335, 375), &Form1::Command4_Click);
    Command3 = addButton(QStringLiteral("Command3"), QStringLiteral("验证服务器文件"),
                         rectFromTwips(2160, 960, 1575, 375), &Form1::Command3_Click);
    Command3->setFont(simSun(9, true));
    Command3->setCursor(Qt::PointingHandCursor);
    Command3->setStyleSheet(QStringLiteral(
        "QPushButton { color: #0033cc; background: #fff4c2; border: 1px solid #c8a400;"
        " border-radius: 3px; }"
        "QPushButton:hover { background: #ffe98a; }"
        "QPushButton:pressed { background: #f2d65a; }"
        "QPushButton:focus { border: 1px dotted #0033cc; }"));
    Command2 = addButton(QStringLiteral("Command2"), QStringLiteral("保存远程"),
                         rectFromTwips(1800, 4080, 1335, 375), &Form1::Command2_Click);
    Command1 = addButton(QStringLiteral("Command1"), QStringLiteral("保存本地"),
                         rectFromTwips(120, 4080, 1335, 375), &Form1::Command1_Click);

    List1 = new platform::ListBox(client);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setAccessibleName(QStringLiteral("List1"));
    List1->setGeometry(rectFromTwips(120, 1440, 3615, 2040));
    List1->setSortingEnabled(false);
    List1->setUniformItemSizes(true);
    connect(List1, &platform::ListBox::Click, this, [this] { handle(&Form1::List1_Click); });

    WebBrowser1 = m_parts.browser->widget();
    WebBrowser1->setParent(client);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(rectFromTwips(3960, 0, 3375, 1695));
    WebBrowser1->lower(); // behind the document control

    Label3 = autoSizedLabel(QStringLiteral("Label3"), QStringLiteral("选择模板打开"),
                            rectFromTwips(120, 3600, 1080, 180), client);
    Label2 = autoSizedLabel(QStringLiteral("Label2"), QStringLiteral("请选择服务器文件打开："),
                            rectFromTwips(120, 1080, 1980, 180), client);
    const QString notice =
        QStringLiteral("注意：使用本示例，为能正确打开我们服务器网站上的Word,Excel,"
                       "PPT,WPS文档，请保证互联网畅通！我们服务器网址是：") +
        m_parts.serverBase;
    // The CJK substitute for SimSun has tall line spacing; lines 15 pixels apart keep the whole
    // notice, the site's address included, inside the label as SimSun would.
    Label1 = new QLabel(
        QStringLiteral("<div style=\"line-height:15px; -qt-line-height-type:fixed\">%1</div>")
            .arg(notice.toHtmlEscaped()),
        client);
    Label1->setTextFormat(Qt::RichText);
    Label1->setAccessibleName(notice);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(simSun(10.5, false));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setGeometry(rectFromTwips(120, 120, 3660, 900));

    // Tab indexes 0..19: labels hold 2, 3 and 9 but never take the focus.
    const QList<QWidget *> tabOrder = {WebBrowser1, List1,    Command1,  Command2,  Command3,
                                       Command4,    Combo1,   Command5,  Command6,  Command7,
                                       Command8,    Command9, Command10, Command11, Command12,
                                       Command13,   Quillary1};
    for (int i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    // "word转为pdf" is the window's default button: Enter runs it (see keyPressEvent).
    Command11->setDefault(true);
}

void Form1::buildMenus()
{
    QMenu *mnuFile = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuOpenLoacl =
        addMenuItem(mnuFile, QStringLiteral("mnuOpenLoacl"), QStringLiteral("打开本地文档(&O)"),
                    QKeySequence(Qt::CTRL | Qt::Key_O), &Form1::mnuOpenLoacl_Click);
    mnuOpenRemote =
        addMenuItem(mnuFile, QStringLiteral("mnuOpenRemote"), QStringLiteral("打开远程文档(&R)"),
                    QKeySequence(Qt::CTRL | Qt::Key_R), &Form1::mnuOpenRemote_Click);
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuline"));
    mnuClose = addMenuItem(mnuFile, QStringLiteral("mnuClose"), QStringLiteral("关闭(&C)"),
                           QKeySequence(Qt::CTRL | Qt::Key_Y), &Form1::mnuClose_Click);
    mnuExit = addMenuItem(mnuFile, QStringLiteral("mnuExit"), QStringLiteral("退出(&E)"),
                          QKeySequence(Qt::CTRL | Qt::Key_E), &Form1::mnuExit_Click);

    QMenu *mnuHelp = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuBBS = addMenuItem(mnuHelp, QStringLiteral("mnuBBS"), QStringLiteral("技术论坛(&J)"),
                         QKeySequence(Qt::Key_F1), &Form1::mnuBBS_Click);
    mnuPro = addMenuItem(mnuHelp, QStringLiteral("mnuPro"), QStringLiteral("产品说明(&P)"),
                         QKeySequence(Qt::Key_F2), &Form1::mnuPro_Click);
    mnuHelp->addSeparator()->setObjectName(QStringLiteral("mnulin32"));
    mnuBuy = addMenuItem(mnuHelp, QStringLiteral("mnuBuy"), QStringLiteral("产品购买方法(&D)"),
                         QKeySequence(), &Form1::mnuBuy_Click);
    mnuHelp->addSeparator()->setObjectName(QStringLiteral("mnuline3"));
    mnuAbout = addMenuItem(mnuHelp, QStringLiteral("mnuAbout"), QStringLiteral("关于(&A)"),
                           QKeySequence(Qt::Key_F3), &Form1::mnuAbout_Click);
}

QPushButton *Form1::addButton(const QString &name, const QString &caption, QRect geometry,
                              void (Form1::*handler)())
{
    auto *button = new platform::CommandButton(caption, centralWidget());
    button->setObjectName(name);
    button->setGeometry(geometry);
    connect(button, &QPushButton::clicked, this, [this, handler] { handle(handler); });
    return button;
}

QAction *Form1::addMenuItem(QMenu *menu, const QString &name, const QString &caption,
                            const QKeySequence &shortcut, void (Form1::*handler)())
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action); // shortcuts work without opening the menu
    connect(action, &QAction::triggered, this, [this, handler] { handle(handler); });
    return action;
}
