// The main window and its dialogs driven as a user drives them: mouse clicks on item
// rectangles, Tab, arrows, Enter and Space.
#include "formfixture.h"

#include "dialog.h"
#include "frmabout.h"
#include "pageobject.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using automation::Variant;

namespace {

const QString WordToPdfNotice =
    QStringLiteral("此功能可依据需要，WORD转换PDF后直接保存到服务器上。");
const QString PleaseWait = QStringLiteral("请稍等，正在打开上一个文档......");

class UserInputTest : public FormTest
{
protected:
    UserInputTest()
    {
        auto snapshot = std::make_shared<browser::PageSnapshot>();
        snapshot->hasBody = true;
        snapshot->bodyText = "a.doc 编辑 阅读\r\nb.xls 编辑 阅读\r\nc.ppt 编辑 阅读\r\n";
        snapshot->links = {"http://h/webdocedit.asp?oper=edit&id=1",
                           "http://h/webdocedit.asp?oper=edit&id=2",
                           "http://h/webdocedit.asp?oper=edit&id=3"};
        browser.complete(browser::makePageObject(snapshot));
        form->show();
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        control->calls.clear();
    }

    // The document ids opened so far, in order.
    std::vector<std::string> openedIds() const
    {
        std::vector<std::string> ids;
        for (const fakes::Call &call : control->calls)
            if (call.id == controlcontract::dispid::OpenDocument) {
                const std::string address = call.args.at(0).dereferenced().toString();
                ids.push_back(address.substr(address.find("id=") + 3, 1));
            }
        return ids;
    }

    void clickEntry(int row)
    {
        const QRect rect = form->List1->visualItemRect(form->List1->item(row));
        QTest::mouseClick(form->List1->viewport(), Qt::LeftButton, {}, rect.center());
    }

    // Acts on the modal window the next command opens once it is active; closes it if the
    // action left it open, so a failing check cannot hang the test.
    void onModal(std::function<void(QWidget *)> action)
    {
        QTimer::singleShot(0, [action] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || !QTest::qWaitForWindowActive(modal)) {
                ADD_FAILURE() << "no modal window came up";
                return;
            }
            action(modal);
            if (modal->isVisible()) {
                ADD_FAILURE() << "the modal window stayed open";
                modal->hide();
            }
        });
    }

    void focusList(Qt::Key key, Qt::KeyboardModifiers modifiers, QWidget *from)
    {
        from->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(from, key, modifiers);
        ASSERT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(form->List1));
    }
};

} // namespace

TEST_F(UserInputTest, listClick_onTheSameEntryTwice_opensItTwice)
{
    clickEntry(1);
    clickEntry(1);
    EXPECT_EQ(openedIds(), (std::vector<std::string>{"2", "2"}));
    EXPECT_EQ(form->state.saveurl, serverBase + "/quillary/uploadedit.asp?oper=edit&id=2");
}

TEST_F(UserInputTest, tabOrShiftTabIntoTheList_opensNothing)
{
    focusList(Qt::Key_Tab, Qt::NoModifier, form->WebBrowser1);
    focusList(Qt::Key_Backtab, Qt::ShiftModifier, form->Command1);
    EXPECT_TRUE(openedIds().empty());
    EXPECT_TRUE(form->state.saveurl.isEmpty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(UserInputTest, keysThatMoveTheSelection_openTheNewEntry_keysThatDoNot_openNothing)
{
    clickEntry(0);
    control->calls.clear();
    const struct
    {
        Qt::Key key;
        std::vector<std::string> opened;
    } steps[] = {
        {Qt::Key_Down, {"2"}}, {Qt::Key_End, {"3"}},      {Qt::Key_Down, {}},
        {Qt::Key_Home, {"1"}}, {Qt::Key_PageDown, {"3"}}, {Qt::Key_PageUp, {"1"}},
        {Qt::Key_Up, {}},
    };
    for (const auto &step : steps) {
        control->calls.clear();
        QTest::keyClick(form->List1, step.key);
        EXPECT_EQ(openedIds(), step.opened) << QKeySequence(step.key).toString().toStdString();
    }
}

TEST_F(UserInputTest, refillingTheList_opensNothing)
{
    clickEntry(2);
    control->calls.clear();
    auto snapshot = std::make_shared<browser::PageSnapshot>();
    snapshot->hasBody = true;
    snapshot->bodyText = "x.doc 编辑 阅读\r\n";
    snapshot->links = {"http://h/webdocedit.asp?oper=edit&id=7"};
    browser.complete(browser::makePageObject(snapshot));
    EXPECT_TRUE(control->calls.empty());
    EXPECT_EQ(form->state.saveurl, serverBase + "/quillary/uploadedit.asp?oper=edit&id=3");
}

TEST_F(UserInputTest, clicksDuringAnOpen_getTheMessageOncePerClick_andTheEntryOpensAfterwards)
{
    int nested = 0;
    control->during = [&](const fakes::Call &call) {
        if (call.id != controlcontract::dispid::OpenDocument || nested++ > 0)
            return;
        clickEntry(0); // the entry being opened, already selected
        clickEntry(0);
        clickEntry(2);
    };
    clickEntry(0);
    control->during = nullptr;
    EXPECT_EQ(messages.texts(), QStringList({PleaseWait, PleaseWait, PleaseWait}));
    EXPECT_EQ(openedIds(), (std::vector<std::string>{"1"}));

    clickEntry(2); // refused during the open, still selected: a click opens it now
    EXPECT_EQ(openedIds(), (std::vector<std::string>{"1", "3"}));
}

TEST_F(UserInputTest, enterInTheList_runsTheDefaultButton)
{
    clickEntry(0);
    messages.shown.clear();
    QTest::keyClick(form->List1, Qt::Key_Return);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.front().text, WordToPdfNotice);
}

TEST_F(UserInputTest, focusedButtons_runOnEnterAndOnSpace_notTheDefaultButton)
{
    form->Command4->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(form->Command4, Qt::Key_Return);
    ASSERT_FALSE(control->calls.empty());
    EXPECT_EQ(control->calls.back().id, controlcontract::dispid::ReplaceText);
    EXPECT_FALSE(messages.texts().contains(WordToPdfNotice));

    control->calls.clear();
    form->Command9->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(form->Command9, Qt::Key_Space);
    ASSERT_FALSE(control->calls.empty());
    EXPECT_EQ(control->calls.back().id, controlcontract::dispid::ProtectDocument);
}

TEST_F(UserInputTest, typingIntoTheTemplateBox_andEnter_addsNoEntry)
{
    QLineEdit *edit = form->Combo1->lineEdit();
    edit->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(edit, QStringLiteral("template"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(form->Combo1->count(), 0);
    EXPECT_EQ(form->Combo1->currentText(), QStringLiteral("template"));
}

TEST_F(UserInputTest, urlDialog_opensWithFocusOnOk_soEnterOpensTheTypedAddress)
{
    onModal([](QWidget *modal) {
        auto *dialog = qobject_cast<doccontrol::Dialog *>(modal);
        ASSERT_NE(dialog, nullptr);
        ASSERT_EQ(dialog->focusWidget(), dialog->OKButton);
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
    });
    form->mnuOpenRemote->trigger();
    ASSERT_FALSE(control->calls.empty());
    EXPECT_EQ(control->calls.back().id, controlcontract::dispid::OpenDocument);
    EXPECT_EQ(control->calls.back().args.at(0).toString(),
              (serverBase + "/quillary/temp/file1.doc").toStdString());
}

TEST_F(UserInputTest, urlDialog_spaceOnCancel_closesIt_andEnterInTheTextBoxDoesNothing)
{
    onModal([](QWidget *modal) {
        auto *dialog = qobject_cast<doccontrol::Dialog *>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->Text1->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(dialog->Text1, Qt::Key_Return);
        EXPECT_TRUE(dialog->isVisible()) << "neither button is the default";
        dialog->CancelButton->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(dialog->CancelButton, Qt::Key_Space);
    });
    form->mnuOpenRemote->trigger();
    EXPECT_FALSE(form->dialog()->isVisible());
    EXPECT_TRUE(control->calls.empty());
}

TEST_F(UserInputTest, aboutBox_spaceOnOk_closesIt)
{
    bool shown = false;
    onModal([&](QWidget *modal) {
        auto *box = qobject_cast<about::FrmAbout *>(modal);
        ASSERT_NE(box, nullptr);
        shown = true;
        box->cmdOK->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(box->cmdOK, Qt::Key_Space);
    });
    form->mnuAbout->trigger();
    EXPECT_TRUE(shown);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// The menu's keys work wherever the keyboard is outside the document control.
TEST_F(UserInputTest, exitsKeys_typedInTheListOrOnAButton_endTheProgram)
{
    for (QWidget *focused :
         {static_cast<QWidget *>(form->List1), static_cast<QWidget *>(form->Command4)}) {
        focused->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(focused, Qt::Key_E, Qt::ControlModifier);
    }
    EXPECT_EQ(terminated, 2);
    EXPECT_TRUE(openedIds().empty());
}
