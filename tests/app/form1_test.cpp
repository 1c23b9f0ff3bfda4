#include "formfixture.h"

#include "dialog.h"
#include "frmabout.h"
#include "hostsite.h"
#include "pageobject.h"
#include "windowspath.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>

using automation::InvokeKind;
using automation::Variant;
using Lines = std::vector<std::string>;

namespace {

QStringList listEntries(QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

std::shared_ptr<automation::Dispatch> page(std::string text, std::vector<std::string> links,
                                           bool hasBody = true)
{
    auto snapshot = std::make_shared<browser::PageSnapshot>();
    snapshot->hasBody = hasBody;
    snapshot->bodyText = std::move(text);
    snapshot->links = std::move(links);
    return browser::makePageObject(snapshot);
}

// Runs the action once the modal window the handler opens is up.
void whenModalShown(std::function<void(QWidget *)> action)
{
    QTimer::singleShot(0, [action] {
        QWidget *modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        action(modal);
    });
}

} // namespace

TEST_F(FormTest, formLoad_showsTheWaitingEntry_andNavigatesOnceToTheListPage)
{
    EXPECT_EQ(listEntries(form->List1),
              QStringList({QStringLiteral(" 请稍等，正在加载服务器上文档列表......")}));
    EXPECT_EQ(form->List1->item(0)->text().size(), 23);
    ASSERT_EQ(browser.navigations.size(), 1u);
    EXPECT_EQ(browser.navigations[0], serverBase + "/quillary/webdocumentlist.asp");
    EXPECT_FALSE(form->state.isopened);
    EXPECT_FALSE(form->state.isopening);
    EXPECT_TRUE(form->state.saveurl.isEmpty());
}

TEST_F(FormTest, documentComplete_replacesTheListWithOneEntryPerDocument)
{
    const std::string edit1 = serverBase.toStdString() + "/quillary/webdocedit.asp?oper=edit&id=1";
    const std::string edit2 = serverBase.toStdString() + "/quillary/webdocedit.asp?oper=edit&id=2";
    browser.complete(
        page("文档列表\r\na.doc 编辑 阅读 9 KB\r\nb.xls 编辑 阅读\r\n",
             {edit1, serverBase.toStdString() + "/quillary/webdocread.asp?id=1", edit2}));
    EXPECT_EQ(listEntries(form->List1), QStringList({QString::fromStdString("a.doc" + edit1),
                                                     QString::fromStdString("b.xls" + edit2)}));
    EXPECT_TRUE(control->calls.empty()) << "filling the list clicks nothing";

    browser.complete(page("browser error page", {}));
    EXPECT_EQ(form->List1->count(), 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FormTest, pageWithoutBody_reportsTheError_andKeepsTheList)
{
    browser.complete(page("", {}, false));
    EXPECT_EQ(form->List1->count(), 1);
    ASSERT_EQ(messages.shown.size(), 1u);

    // The window goes on: a later page still fills the list.
    browser.complete(page("a 编辑 阅读\r\n", {"http://h/webdocedit?oper=edit&id=4"}));
    EXPECT_EQ(listEntries(form->List1), QStringList({"ahttp://h/webdocedit?oper=edit&id=4"}));
}

TEST_F(FormTest, listClick_opensTheChosenDocument)
{
    browser.complete(page("a.doc 编辑 阅读\r\n", {"http://h/webdocedit.asp?oper=edit&id=12"}));
    form->show();
    form->Command3->click();
    ASSERT_TRUE(form->Quillary1->isHidden());
    control->calls.clear();
    const QRect entry = form->List1->visualItemRect(form->List1->item(0));
    QTest::mouseClick(form->List1->viewport(), Qt::LeftButton, {}, entry.center());
    EXPECT_FALSE(form->Quillary1->isHidden()) << "the click shows the control through its site";
    EXPECT_EQ(fakes::describe(control->calls),
              (Lines{"10004 method(VT_BYREF|VT_VARIANT " + serverBase.toStdString() +
                     "/quillary/writefile.asp?id=12&operfile=office)"}));
    EXPECT_EQ(form->state.saveurl, serverBase + "/quillary/uploadedit.asp?oper=edit&id=12");
    EXPECT_TRUE(form->state.isopened);
}

TEST_F(FormTest, resize_setsTheControlSizeThroughItsSite)
{
    form->resize(1148, 570);
    form->Form_Resize();
    const auto frame = form->frameGeometry().size();
    const auto &last = control->calls; // site properties never reach the control itself
    EXPECT_TRUE(last.empty());
    const auto get = [&](automation::DispId id) {
        return form->quillary().dispatch().invoke(id, InvokeKind::PropertyGet, {}).asR4();
    };
    EXPECT_EQ(get(platform::siteid::Width), frame.width() * 15.0f - 4100.0f);
    EXPECT_EQ(get(platform::siteid::Height), frame.height() * 15.0f - 900.0f);
    EXPECT_EQ(form->Quillary1->width(), qRound((frame.width() * 15.0f - 4100.0f) / 15.0f));
    EXPECT_EQ(form->Quillary1->pos(), QPoint(256, 0)) << "the position never changes";
}

TEST_F(FormTest, resize_narrowerThanTheMargin_leavesThatSizeUnchanged)
{
    const auto get = [&](automation::DispId id) {
        return form->quillary().dispatch().invoke(id, InvokeKind::PropertyGet, {}).asR4();
    };
    form->resize(1148, 570);
    const float widthBefore = get(platform::siteid::Width);
    form->resize(200, 400); // 3000 x 6000 twips
    form->Form_Resize();
    EXPECT_EQ(get(platform::siteid::Width), widthBefore);
    EXPECT_EQ(get(platform::siteid::Height), 5100.0f);
}

TEST_F(FormTest, handlerError_isReportedOnce_andTheWindowKeepsWorking)
{
    control->failing.insert(controlcontract::dispid::CloseDocument);
    form->mnuClose->trigger();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("模拟的失败")));
    EXPECT_FALSE(form->state.isopened);

    form->Command4->click();
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(control->calls.back().id, controlcontract::dispid::ReplaceText);
}

TEST_F(FormTest, exit_endsAtOnce_withoutAnyCallOnTheControl)
{
    form->mnuExit->trigger();
    EXPECT_EQ(terminated, 1);
    EXPECT_TRUE(control->calls.empty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FormTest, verify_thenMenuCommands_bringTheControlBack)
{
    form->show();
    form->Command3->click();
    EXPECT_TRUE(form->Quillary1->isHidden());
    form->Command4->click(); // editing commands act on the hidden control
    EXPECT_TRUE(form->Quillary1->isHidden());
    form->mnuClose->trigger();
    EXPECT_FALSE(form->Quillary1->isHidden());
}

TEST_F(FormTest, urlDialog_keepsTheTypedTextAcrossOkAndCancel_andStartsAfreshAfterItsCloseBox)
{
    const QString initial = serverBase + "/quillary/temp/file1.doc";
    whenModalShown([](QWidget *modal) {
        auto *dialog = qobject_cast<doccontrol::Dialog *>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->focusWidget(), dialog->OKButton);
        dialog->Text1->setText(QStringLiteral("typed"));
        dialog->CancelButton->click();
    });
    form->mnuOpenRemote->trigger();
    EXPECT_EQ(form->dialog()->Text1->text(), QStringLiteral("typed"));
    EXPECT_TRUE(control->calls.empty()) << "Cancel opens nothing";

    whenModalShown([](QWidget *modal) {
        auto *dialog = qobject_cast<doccontrol::Dialog *>(modal);
        EXPECT_EQ(dialog->Text1->text(), QStringLiteral("typed"));
        dialog->Text1->clear();
        dialog->OKButton->click();
    });
    form->mnuOpenRemote->trigger();
    EXPECT_EQ(fakes::describe(control->calls.back()), "10004 method(VT_BSTR )");

    whenModalShown([](QWidget *modal) { modal->close(); });
    form->mnuOpenRemote->trigger();
    QTest::qWait(0);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(form->dialog(), nullptr) << "the close box unloads the dialog";
    EXPECT_EQ(control->calls.size(), 1u) << "closing opens nothing";

    whenModalShown([&](QWidget *modal) {
        EXPECT_EQ(qobject_cast<doccontrol::Dialog *>(modal)->Text1->text(), initial);
        qobject_cast<doccontrol::Dialog *>(modal)->CancelButton->click();
    });
    form->mnuOpenRemote->trigger();
}

TEST_F(FormTest, urlDialog_escapeDoesNotCloseIt)
{
    whenModalShown([](QWidget *modal) {
        QTest::keyClick(modal, Qt::Key_Escape);
        EXPECT_TRUE(modal->isVisible());
        qobject_cast<doccontrol::Dialog *>(modal)->CancelButton->click();
    });
    form->mnuOpenRemote->trigger();
}

TEST_F(FormTest, aboutBox_isLoadedAfreshEachTime_andClosesByOkEnterOrEsc)
{
    const QString version = QStringLiteral("版本 2017.1.6");
    for (auto close : std::vector<std::function<void(about::FrmAbout *)>>{
             [](about::FrmAbout *box) { box->cmdOK->click(); },
             [](about::FrmAbout *box) { QTest::keyClick(box, Qt::Key_Escape); },
             [](about::FrmAbout *box) { QTest::keyClick(box, Qt::Key_Return); },
             [](about::FrmAbout *box) { box->close(); }}) {
        bool checked = false;
        whenModalShown([&](QWidget *modal) {
            auto *box = qobject_cast<about::FrmAbout *>(modal);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), QStringLiteral("关于 Quillary控件"));
            EXPECT_EQ(box->lblTitle->text(), QStringLiteral("Quillary控件"));
            EXPECT_EQ(box->lblVersion->text(), version);
            checked = true;
            close(box);
        });
        form->mnuAbout->trigger();
        EXPECT_TRUE(checked);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form->findChildren<about::FrmAbout *>().isEmpty()) << "each box is unloaded";
}

TEST_F(FormTest, helpLinks_launchTheFileShellMinimised)
{
    form->mnuBBS->trigger();
    form->mnuPro->trigger();
    form->mnuBuy->trigger();
    const std::vector<std::pair<QString, int>> expected = {
        {"explorer " + serverBase + "/officebbs/", 2},
        {"explorer " + serverBase + "/quillaryintro.htm", 2},
        {"explorer " + serverBase + "/quillary.htm", 2},
    };
    EXPECT_EQ(launcher.launched, expected);
    EXPECT_TRUE(control->calls.empty());
}

TEST_F(FormTest, insertTable_writesNextToTheProgramThenInserts)
{
    form->Command8->click();
    QFile written(programDir.filePath("table.doc"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().size(), 342);
    EXPECT_EQ(control->calls.back().id, controlcontract::dispid::InsertFile);
}

namespace {

// While it lives, the calling thread has no right to write where the permission bits forbid it:
// an administrator's override is dropped from its effective rights, as an ordinary user has none.
class WithoutPermissionOverride
{
public:
    WithoutPermissionOverride()
    {
        syscall(SYS_capget, &m_header, m_saved);
        __user_cap_data_struct reduced[2];
        std::memcpy(reduced, m_saved, sizeof reduced);
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        syscall(SYS_capset, &m_header, reduced);
    }
    ~WithoutPermissionOverride() { syscall(SYS_capset, &m_header, m_saved); }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
};

} // namespace

// An installed program's folder is not the user's to write: the table file goes to the user's
// stand-in for it, and the control inserts it from there.
TEST_F(FormTest, insertTable_inAReadOnlyProgramFolder_goesThroughTheUsersFolder)
{
    const QString installed = programDir.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(installed));
    QFile::setPermissions(installed, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                         QFileDevice::ReadOther | QFileDevice::ExeOther);
    QTemporaryDir user;
    const QString standIn = user.filePath(QStringLiteral("quillary/program"));
    WithoutPermissionOverride ordinaryUser;

    const QString program = platform::programDirectory(installed, standIn);
    ASSERT_EQ(program, standIn);
    makeForm(program);
    form->Command8->click();

    EXPECT_FALSE(QFileInfo::exists(installed + QStringLiteral("/table.doc")));
    QFile written(standIn + QStringLiteral("/table.doc"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().size(), 342);
    ASSERT_EQ(control->calls.back().id, controlcontract::dispid::InsertFile);
    EXPECT_EQ(QString::fromStdString(control->calls.back().args.at(0).toString()),
              standIn + QStringLiteral("\\table.doc"));
    EXPECT_EQ(platform::programDirectory(programDir.path(), standIn), programDir.path())
        << "a folder the user can write stays the program's";
}
