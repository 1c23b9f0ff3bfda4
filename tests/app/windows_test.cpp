#include "formfixture.h"

#include "dialog.h"
#include "errorreport.h"
#include "frmabout.h"
#include "linecontrol.h"

#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace {

struct Place
{
    const char *name;
    int left, top, width, height; // twips, as the window definitions give them
};

void expectPlaced(QWidget *window, const std::vector<Place> &places)
{
    for (const Place &p : places) {
        auto *w = window->findChild<QWidget *>(QString::fromLatin1(p.name));
        ASSERT_NE(w, nullptr) << p.name;
        EXPECT_EQ(w->geometry(), QRect(p.left / 15, p.top / 15, p.width / 15, p.height / 15))
            << p.name;
    }
}

QStringList focusOrder(QWidget *first, const QList<QWidget *> &controls)
{
    QStringList order;
    QWidget *w = first;
    for (int guard = 0; guard < 500 && order.size() < controls.size(); ++guard) {
        if (controls.contains(w) && !order.contains(w->objectName()))
            order << w->objectName();
        w = w->nextInFocusChain();
    }
    return order;
}

QStringList menuItems(QMenu *menu)
{
    QStringList items;
    for (QAction *a : menu->actions())
        items << (a->isSeparator() ? QStringLiteral("-")
                                   : a->text() + QLatin1Char('|') + a->shortcut().toString());
    return items;
}

bool fixedWithoutMinMax(QWidget *w)
{
    const auto flags = w->windowFlags();
    return w->minimumSize() == w->maximumSize() && !(flags & Qt::WindowMinimizeButtonHint) &&
           !(flags & Qt::WindowMaximizeButtonHint) && (flags & Qt::WindowCloseButtonHint);
}

} // namespace

TEST_F(FormTest, mainWindow_controlsSitWhereTheDefinitionPutsThem)
{
    EXPECT_EQ(form->windowTitle(),
              QStringLiteral("Quillary控件本地打开远程Word、Excel、PPT和WPS示例"));
    expectPlaced(form->centralWidget(), {{"Quillary1", 3840, 0, 6015, 3015},
                                         {"Command13", 1800, 5880, 1335, 375},
                                         {"Command12", 1800, 7080, 1335, 375},
                                         {"Command11", 120, 7080, 1335, 375},
                                         {"Command10", 1800, 6480, 1335, 375},
                                         {"Command9", 120, 6480, 1335, 375},
                                         {"Command8", 120, 5880, 1335, 375},
                                         {"Command7", 1800, 5280, 1335, 375},
                                         {"Command6", 120, 5280, 1335, 375},
                                         {"Command5", 1800, 4680, 1335, 375},
                                         {"Combo1", 1320, 3600, 2295, 300},
                                         {"Command4", 120, 4680, 1335, 375},
                                         {"Command3", 2160, 960, 1575, 375},
                                         {"Command2", 1800, 4080, 1335, 375},
                                         {"Command1", 120, 4080, 1335, 375},
                                         {"List1", 120, 1440, 3615, 2040},
                                         {"WebBrowser1", 3960, 0, 3375, 1695},
                                         {"Label1", 120, 120, 3660, 900}});
    EXPECT_EQ(form->Label2->pos(), QPoint(8, 72));
    EXPECT_EQ(form->Label3->pos(), QPoint(8, 240));
    const QStringList captions = {
        form->Command1->text(),  form->Command2->text(),  form->Command3->text(),
        form->Command4->text(),  form->Command5->text(),  form->Command6->text(),
        form->Command7->text(),  form->Command8->text(),  form->Command9->text(),
        form->Command10->text(), form->Command11->text(), form->Command12->text(),
        form->Command13->text(), form->Label2->text(),    form->Label3->text()};
    EXPECT_EQ(captions, QStringList({"保存本地", "保存远程", "验证服务器文件", "替换内容",
                                     "插入图片", "盖章", "手写签名", "插入表格", "签发保护文档",
                                     "解除签发保护", "word转为pdf", "excel转pdf", "批量下载文件",
                                     "请选择服务器文件打开：", "选择模板打开"}));
    EXPECT_EQ(
        form->Label1->accessibleName(),
        QStringLiteral("注意：使用本示例，为能正确打开我们服务器网站上的Word,Excel,PPT,WPS文档，"
                       "请保证互联网畅通！我们服务器网址是：") +
            serverBase);
    EXPECT_TRUE(form->Label1->text().contains(serverBase));
    EXPECT_EQ(form->Combo1->count(), 0);
    EXPECT_TRUE(form->Combo1->isEditable());
    const auto flags = form->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMaximizeButtonHint);

    // Shown, the client area below the menu bar has the defined size.
    form->show();
    EXPECT_EQ(form->centralWidget()->size(), QSize(1148, 547));
}

TEST_F(FormTest, mainWindow_tabOrderFollowsTheTabIndexes_labelsTakeNoFocus)
{
    const QList<QWidget *> controls = {
        form->WebBrowser1, form->List1,    form->Command1,  form->Command2,  form->Command3,
        form->Command4,    form->Combo1,   form->Command5,  form->Command6,  form->Command7,
        form->Command8,    form->Command9, form->Command10, form->Command11, form->Command12,
        form->Command13,   form->Quillary1};
    QStringList expected;
    for (QWidget *w : controls)
        expected << w->objectName();
    EXPECT_EQ(focusOrder(form->WebBrowser1, controls), expected);
    for (QLabel *label : {form->Label1, form->Label2, form->Label3})
        EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(form->Command11->isDefault());
}

TEST_F(FormTest, mainWindow_ownFontsRenderWithACjkFace)
{
    const QFont button = form->Command3->font();
    EXPECT_EQ(button.family(), QStringLiteral("宋体"));
    EXPECT_EQ(button.pointSizeF(), 9.0);
    EXPECT_TRUE(button.underline());
    EXPECT_EQ(button.weight(), QFont::Normal);
    const QFont label = form->Label1->font();
    EXPECT_EQ(label.family(), QStringLiteral("宋体"));
    EXPECT_EQ(label.pointSizeF(), 10.5);
    EXPECT_FALSE(label.underline());
    EXPECT_TRUE(form->Label1->wordWrap());
    // SimSun is not installed: the substitute must carry CJK glyphs.
    EXPECT_TRUE(QFontInfo(label).family().contains(QStringLiteral("CJK")))
        << QFontInfo(label).family().toStdString();
}

TEST_F(FormTest, mainWindow_menuTreeAndShortcuts)
{
    const QList<QAction *> bar = form->menuBar()->actions();
    ASSERT_EQ(bar.size(), 2);
    EXPECT_EQ(bar[0]->text(), QStringLiteral("文件(&F)"));
    EXPECT_EQ(bar[1]->text(), QStringLiteral("帮助(&H)"));
    EXPECT_EQ(menuItems(bar[0]->menu()),
              QStringList({"打开本地文档(&O)|Ctrl+O", "打开远程文档(&R)|Ctrl+R", "-",
                           "关闭(&C)|Ctrl+Y", "退出(&E)|Ctrl+E"}));
    EXPECT_EQ(menuItems(bar[1]->menu()), QStringList({"技术论坛(&J)|F1", "产品说明(&P)|F2", "-",
                                                      "产品购买方法(&D)|", "-", "关于(&A)|F3"}));
    // The shortcuts belong to the window, so they work without opening a menu.
    for (QAction *a : {form->mnuOpenLoacl, form->mnuClose, form->mnuBBS, form->mnuAbout})
        EXPECT_TRUE(form->actions().contains(a)) << a->text().toStdString();
}

TEST_F(FormTest, urlDialog_definition)
{
    platform::ErrorReport errors(messages);
    doccontrol::Dialog dialog(serverBase, form->quillary(), errors, form.get());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("输入Office文档的网址"));
    EXPECT_EQ(dialog.size(), QSize(705, 81));
    EXPECT_TRUE(fixedWithoutMinMax(&dialog));
    EXPECT_EQ(dialog.parentWidget(), form.get()) << "an owned dialog has no task-bar button";
    expectPlaced(&dialog, {{"Text1", 1560, 240, 7095, 375},
                           {"CancelButton", 8760, 720, 1695, 375},
                           {"OKButton", 8760, 240, 1695, 375}});
    EXPECT_EQ(dialog.Label1->pos(), QPoint(8, 24));
    EXPECT_EQ(dialog.Label1->text(), QStringLiteral("Office文档网址："));
    EXPECT_EQ(dialog.Text1->text(), serverBase + "/quillary/temp/file1.doc");
    EXPECT_FALSE(dialog.OKButton->isDefault() || dialog.OKButton->autoDefault());
    EXPECT_FALSE(dialog.CancelButton->isDefault() || dialog.CancelButton->autoDefault());
    EXPECT_EQ(focusOrder(dialog.OKButton, {dialog.OKButton, dialog.CancelButton, dialog.Text1}),
              QStringList({"OKButton", "CancelButton", "Text1"}));
}

TEST_F(FormTest, aboutBox_definition)
{
    platform::ErrorReport errors(messages);
    about::FrmAbout box(errors, form.get());
    EXPECT_EQ(box.geometry(), QRect(156, 129, 382, 237)) << "shown at its stored position";
    EXPECT_TRUE(fixedWithoutMinMax(&box));
    expectPlaced(&box, {{"cmdOK", 4125, 2625, 1500, 345},
                        {"lblDescription", 1050, 1125, 3885, 1170},
                        {"lblTitle", 1050, 240, 3885, 480},
                        {"lblVersion", 1050, 780, 3885, 225},
                        {"lblDisclaimer", 255, 2625, 3630, 825}});
    EXPECT_EQ(box.picIcon->geometry(), QRect(16, 16, 22, 22));
    EXPECT_EQ(box.picIcon->pixmap().size(), QSize(18, 18));
    EXPECT_TRUE(box.cmdOK->isDefault());

    const QString description = box.lblDescription->text();
    EXPECT_EQ(description,
              QString(4, QLatin1Char(' ')) +
                  QStringLiteral(
                      "通过Quillary控件可以直接打开服务器上的Office文档（如Word,Excel,PPT,WPS等）"
                      "进行编辑，完成后可以直接保存到远程服务器之上，方便用户管理本地和远程的"
                      "Office文档。") +
                  QString(58, QLatin1Char(' ')) +
                  QStringLiteral("本程序功能可根据用户需求定制开发。"));
    EXPECT_EQ(description.size(), 4 + 97 + 58 + 17);
    EXPECT_TRUE(box.lblDescription->wordWrap());

    EXPECT_EQ(box.Line1_1->from(), QPoint(6, 163));
    EXPECT_EQ(box.Line1_1->to(), QPoint(377, 163));
    EXPECT_EQ(box.Line1_1->color(), QColor(128, 128, 128));
    EXPECT_EQ(box.Line1_0->from(), QPoint(7, 164));
    EXPECT_EQ(box.Line1_0->color(), QColor(255, 255, 255));
    EXPECT_EQ(box.Line1_0->lineWidth(), 2);
}
