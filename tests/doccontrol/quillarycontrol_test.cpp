#include "fakes.h"

#include "quillarycontrol.h"

#include <gtest/gtest.h>

using automation::InvokeKind;
using automation::Variant;
using automation::VarType;
using clientcore::QuillaryControl;

namespace {

struct Expected
{
    const char *operation;
    std::function<void(QuillaryControl &)> call;
    automation::DispId id;
    InvokeKind kind;
    std::vector<VarType> types;
    std::vector<std::string> values; // each argument as a string, for the ones that hold one
};

Variant byRef(const char *text)
{
    return Variant::byRef(std::make_shared<Variant>(Variant::bstr(text)));
}

} // namespace

TEST(QuillaryControl, eachOperationIsExactlyOneLateBoundCall)
{
    using enum VarType;
    const std::vector<Expected> table = {
        {"DocumentObject",
         [](auto &q) { EXPECT_THROW(q.DocumentObject(), automation::AutomationError); },
         0x10002,
         InvokeKind::PropertyGet,
         {},
         {}},
        {"OpenDocument byref",
         [](auto &q) { q.OpenDocument(byRef("http://h/a.doc")); },
         0x10004,
         InvokeKind::Method,
         {ByRef},
         {"http://h/a.doc"}},
        {"OpenDocument bstr",
         [](auto &q) { q.OpenDocument(Variant::bstr("")); },
         0x10004,
         InvokeKind::Method,
         {Bstr},
         {""}},
        {"SaveDocument",
         [](auto &q) { q.SaveDocument(QStringLiteral("http://h/up?id=1")); },
         0x10005,
         InvokeKind::Method,
         {Bstr},
         {"http://h/up?id=1"}},
        {"HandSign", [](auto &q) { q.HandSign(); }, 0x10007, InvokeKind::Method, {}, {}},
        {"CloseDocument", [](auto &q) { q.CloseDocument(); }, 0x10009, InvokeKind::Method, {}, {}},
        {"ShowFileDialog",
         [](auto &q) { q.ShowFileDialog(3); },
         0x1000E,
         InvokeKind::Method,
         {I4},
         {"3"}},
        {"DocumentName",
         [](auto &q) { EXPECT_EQ(q.DocumentName(), QString()); },
         0x10015,
         InvokeKind::PropertyGet,
         {},
         {}},
        {"InsertFile",
         [](auto &q) { q.InsertFile(QStringLiteral(R"(/p\table.doc)"), 0); },
         0x10072,
         InvokeKind::Method,
         {Bstr, I4},
         {R"(/p\table.doc)", "0"}},
        {"MarkCommand",
         [](auto &q) { q.MarkCommand("mark_1", "http://h/x.jpg", "::JPG::"); },
         0x10086,
         InvokeKind::Method,
         {Bstr, Bstr, Bstr},
         {"mark_1", "http://h/x.jpg", "::JPG::"}},
        {"ProtectDocument",
         [](auto &q) { q.ProtectDocument(1, 2, QString()); },
         0x10087,
         InvokeKind::Method,
         {I4, I4, Bstr},
         {"1", "2", ""}},
        {"ReplaceText",
         [](auto &q) { q.ReplaceText("c", "k", 1); },
         0x10101,
         InvokeKind::Method,
         {Bstr, Bstr, I4},
         {"c", "k", "1"}},
        {"DownloadFile",
         [](auto &q) { q.DownloadFile(byRef(R"(c:\file1.doc)"), "http://h/f1"); },
         0x10109,
         InvokeKind::Method,
         {ByRef, Bstr},
         {R"(c:\file1.doc)", "http://h/f1"}},
        {"Visible",
         [](auto &q) { q.setVisible(true); },
         static_cast<int>(0x80010007),
         InvokeKind::PropertyPut,
         {Bool},
         {"True"}},
        {"Width",
         [](auto &q) { q.setWidth(4101); },
         static_cast<int>(0x80010005),
         InvokeKind::PropertyPut,
         {R4},
         {"4101"}},
        {"Height",
         [](auto &q) { q.setHeight(5100); },
         static_cast<int>(0x80010006),
         InvokeKind::PropertyPut,
         {R4},
         {"5100"}},
    };
    for (const Expected &e : table) {
        auto fake = std::make_shared<fakes::RecordingDispatch>();
        QuillaryControl control(fake);
        e.call(control);
        ASSERT_EQ(fake->calls.size(), 1u) << e.operation;
        const fakes::Call &call = fake->calls[0];
        EXPECT_EQ(call.id, e.id) << e.operation;
        EXPECT_EQ(call.kind, e.kind) << e.operation;
        ASSERT_EQ(call.args.size(), e.types.size()) << e.operation;
        for (std::size_t i = 0; i < e.types.size(); ++i) {
            EXPECT_EQ(call.args[i].type(), e.types[i]) << e.operation << " argument " << i;
            EXPECT_EQ(call.args[i].toString(), e.values[i]) << e.operation << " argument " << i;
        }
    }
}

TEST(QuillaryControl, booleanResultsAndNamesAreConverted)
{
    auto fake = std::make_shared<fakes::RecordingDispatch>();
    QuillaryControl control(fake);
    fake->results[controlcontract::dispid::MarkCommand] = Variant::boolean(false);
    fake->results[controlcontract::dispid::InsertFile] = Variant::i4(-1);
    fake->results[controlcontract::dispid::DocumentName] = Variant::bstr("报告.docx");
    EXPECT_FALSE(control.MarkCommand("mark_1", "", "::ADDMARK::"));
    EXPECT_TRUE(control.InsertFile("x", 0));
    EXPECT_EQ(control.DocumentName(), QStringLiteral("报告.docx"));

    auto document = std::make_shared<fakes::RecordingDispatch>();
    fake->results[controlcontract::dispid::DocumentObject] = Variant::dispatch(document);
    EXPECT_EQ(control.DocumentObject(), document);
}

TEST(QuillaryControl, failingCall_raisesToTheCaller)
{
    auto fake = std::make_shared<fakes::RecordingDispatch>();
    fake->failing.insert(controlcontract::dispid::SaveDocument);
    QuillaryControl control(fake);
    EXPECT_THROW(control.SaveDocument("http://h/up"), automation::AutomationError);
}
