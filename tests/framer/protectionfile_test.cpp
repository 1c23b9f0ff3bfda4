#include "realcontrol.h"

#include "documentprotection.h"
#include "officepackage.h"

#include "controldispids.h"

#include <QFile>

using automation::Variant;
namespace dispid = controlcontract::dispid;

namespace {

class ProtectionFileTest : public RealControlTest
{
protected:
    static void protect(bool on)
    {
        call(dispid::ProtectDocument, {Variant::i4(on ? 1 : 0), Variant::i4(2), str({})});
    }
    // Saves through the save dialog under name; returns the path.
    static QString saveAs(const QString &name)
    {
        const QString path = folder(QStringLiteral("saved")) + QLatin1Char('/') + name;
        QFile::remove(path);
        s_dialogs->saveAnswer = path;
        call(dispid::ShowFileDialog, {Variant::i4(3)});
        return path;
    }
    static void open(const QString &path) { call(dispid::OpenDocument, {str(path)}); }
    static QByteArray wordSettings(const QString &path)
    {
        return enginecore::readPackageEntry(path, QStringLiteral("word/settings.xml"))
            .value_or(QByteArray("<none>"));
    }
    // Whether typing reaches the document: the text before and after a typed letter.
    static bool typingChangesIt()
    {
        const QString before = documentText();
        type(QStringLiteral("Z"));
        return documentText() != before;
    }
};

TEST_F(ProtectionFileTest, protectedWordFile_carriesEnforcedProtection_andOpensProtected)
{
    openCopy(QStringLiteral("sample.docx"));
    protect(true);
    const QString saved = saveAs(QStringLiteral("protected.docx"));
    EXPECT_TRUE(wordSettings(saved).contains(
        R"(<w:documentProtection w:edit="readOnly" w:enforcement="1"/>)"))
        << wordSettings(saved).toStdString();

    open(saved);
    EXPECT_TRUE(s_control->widget.isProtected());
    EXPECT_FALSE(typingChangesIt());

    protect(false);
    EXPECT_TRUE(typingChangesIt()) << "lifted, the document is editable again";
    const QString lifted = saveAs(QStringLiteral("lifted.docx"));
    EXPECT_FALSE(wordSettings(lifted).contains("documentProtection"))
        << wordSettings(lifted).toStdString();
    open(lifted);
    EXPECT_FALSE(s_control->widget.isProtected());
}

TEST_F(ProtectionFileTest, protectedWordDocument_uploaded_comesBackProtected)
{
    call(dispid::OpenDocument, {str(address("/quillary/writefile.asp?id=3&operfile=office"))});
    protect(true);
    call(dispid::SaveDocument, {str(address("/upload/200"))});
    const QString uploaded = folder(QStringLiteral("uploaded")) + QStringLiteral("/back.docx");
    ASSERT_TRUE(writeFile(uploaded, s_server->lastUpload().bytes));
    EXPECT_TRUE(enginecore::takeProtection(uploaded, false));
    open(uploaded);
    EXPECT_TRUE(s_control->widget.isProtected());
}

TEST_F(ProtectionFileTest, protectedOpenDocumentText_opensReadOnlyAgain)
{
    openCopy(QStringLiteral("sample.odt"));
    protect(true);
    const QString saved = saveAs(QStringLiteral("protected.odt"));
    EXPECT_TRUE(enginecore::openDocumentSettingsProtected(
        enginecore::readPackageEntry(saved, QStringLiteral("settings.xml")).value_or("")));
    open(saved);
    EXPECT_TRUE(s_control->widget.isProtected());
    protect(false);
    open(saveAs(QStringLiteral("lifted.odt")));
    EXPECT_FALSE(s_control->widget.isProtected());
}

// LibreOffice 7.4 writes no protection into Word 97 files, and the engine adds none.
TEST_F(ProtectionFileTest, protectedWord97File_comesBackUnprotected_forLibreOfficeCannotWriteIt)
{
    openCopy(QStringLiteral("sample.doc"));
    protect(true);
    open(saveAs(QStringLiteral("protected.doc")));
    EXPECT_FALSE(s_control->widget.isProtected());
    EXPECT_TRUE(typingChangesIt());
}

} // namespace
