#include "fakes.h"

#include "commandcontext.h"
#include "listopen.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

using doclist::documentIdOfEntry;
using Lines = std::vector<std::string>;

TEST(DocumentId, isTheTextAfterTheLastEqualsSign)
{
    struct Case
    {
        QString entry;
        std::optional<QString> id;
    };
    const Case cases[] = {
        {"a.dochttp://h/quillary/webdocedit.asp?oper=edit&id=12", QStringLiteral("12")},
        {"a.dochttp://h/quillary/webdocedit.asp?oper=edit&id=", QString()},
        {"http://h/webdocedit", QStringLiteral("http://h/webdocedit")},
        {"x=y.doc http://h/WebDocEdit.asp?oper=edit&id=7", QStringLiteral("7")},
        {"a http://h/webdocedit?id=3   b=9", QStringLiteral("3")},
        {"a http://h/other?id=3   webdocedit=9", std::nullopt},
        {" 请稍等，正在加载服务器上文档列表......", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(documentIdOfEntry(c.entry), c.id) << c.entry.toStdString();
}

TEST(DocumentId, addressesInsertTheIdUnchanged)
{
    const QString base = QStringLiteral("http://127.0.0.1:8089");
    EXPECT_EQ(doclist::openAddress(base, "12"),
              QStringLiteral("http://127.0.0.1:8089/quillary/writefile.asp?id=12&operfile=office"));
    EXPECT_EQ(doclist::saveAddress(base, "12"),
              QStringLiteral("http://127.0.0.1:8089/quillary/uploadedit.asp?oper=edit&id=12"));
    EXPECT_EQ(doclist::openAddress(base, ""),
              QStringLiteral("http://127.0.0.1:8089/quillary/writefile.asp?id=&operfile=office"));
}

namespace {

const QString Base = QStringLiteral("http://127.0.0.1:9");
const QString Entry = QStringLiteral("a.doc") + Base + "/quillary/webdocedit.asp?oper=edit&id=12";
const std::string ShowControl = "80010007 propput(VT_BOOL True)";

class ListOpenTest : public ::testing::Test
{
protected:
    std::shared_ptr<fakes::RecordingDispatch> control =
        std::make_shared<fakes::RecordingDispatch>();
    clientcore::QuillaryControl quillary{control};
    clientcore::MainWindowState state;
    fakes::RecordingMessages messages;
    clientcore::CommandContext context{quillary, state, messages, Base};
};

} // namespace

TEST_F(ListOpenTest, entry_opensTheDocumentByReference_andRemembersItsUploadAddress)
{
    bool openingDuringCall = false;
    QString saveurlDuringCall;
    control->during = [&](const fakes::Call &) {
        openingDuringCall = state.isopening;
        saveurlDuringCall = state.saveurl;
    };
    doclist::openListEntry(context, Entry);
    const std::string open = (Base + "/quillary/writefile.asp?id=12&operfile=office").toStdString();
    EXPECT_EQ(fakes::describe(control->calls),
              (Lines{ShowControl, "10004 method(VT_BYREF|VT_VARIANT " + open + ")"}));
    EXPECT_TRUE(openingDuringCall);
    EXPECT_EQ(saveurlDuringCall, Base + "/quillary/uploadedit.asp?oper=edit&id=12");
    EXPECT_TRUE(state.isopened);
    EXPECT_FALSE(state.isopening);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ListOpenTest, waitingEntry_onlyShowsTheControl)
{
    doclist::openListEntry(context, QStringLiteral(" 请稍等，正在加载服务器上文档列表......"));
    EXPECT_EQ(fakes::describe(control->calls), (Lines{ShowControl}));
    EXPECT_FALSE(state.isopened);
    EXPECT_TRUE(state.saveurl.isEmpty());
}

TEST_F(ListOpenTest, failedOpen_clearsIsopening_keepsIsopened_andLaterClicksWork)
{
    state.isopened = false;
    control->failing.insert(controlcontract::dispid::OpenDocument);
    EXPECT_THROW(doclist::openListEntry(context, Entry), automation::AutomationError);
    EXPECT_FALSE(state.isopening);
    EXPECT_FALSE(state.isopened);
    EXPECT_EQ(state.saveurl, Base + "/quillary/uploadedit.asp?oper=edit&id=12");

    control->failing.clear();
    doclist::openListEntry(context, Entry);
    EXPECT_TRUE(state.isopened);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ListOpenTest, failedOpen_withAnEarlierDocumentShown_givesBackItsUploadAddress)
{
    state.saveurl = Base + "/quillary/uploadedit.asp?oper=edit&id=7";
    state.isopened = true;
    control->results[controlcontract::dispid::DocumentName] = automation::Variant::bstr("a.docx");
    control->failing.insert(controlcontract::dispid::OpenDocument);
    EXPECT_THROW(doclist::openListEntry(context, Entry), automation::AutomationError);
    EXPECT_EQ(state.saveurl, Base + "/quillary/uploadedit.asp?oper=edit&id=7");
    EXPECT_TRUE(state.isopened);
    EXPECT_FALSE(state.isopening);
}

TEST_F(ListOpenTest, clickDuringAnOpen_isRefusedWithTheInformationMessage)
{
    // The control loads from the address inside a nested event loop; a second click is
    // delivered by that loop and runs the handler inside the first one.
    const QString other =
        QStringLiteral("b.xls") + Base + "/quillary/webdocedit.asp?oper=edit&id=13";
    int opens = 0;
    control->during = [&](const fakes::Call &call) {
        if (call.id != controlcontract::dispid::OpenDocument)
            return;
        ++opens;
        QEventLoop transfer;
        QTimer::singleShot(0, [&] {
            doclist::openListEntry(context, other);
            transfer.quit();
        });
        transfer.exec();
    };
    doclist::openListEntry(context, Entry);

    EXPECT_EQ(opens, 1) << "no second open starts";
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("请稍等，正在打开上一个文档......"));
    EXPECT_EQ(messages.shown[0].style, 64);
    EXPECT_EQ(state.saveurl, Base + "/quillary/uploadedit.asp?oper=edit&id=12");
    EXPECT_TRUE(state.isopened);
    EXPECT_FALSE(state.isopening);
    EXPECT_EQ(std::count_if(control->calls.begin(), control->calls.end(),
                            [](const fakes::Call &c) { return c.id == platform::siteid::Visible; }),
              2)
        << "the nested click still shows the control";
}
