#include "documentprotection.h"
#include "enginecore.h"
#include "fakeoffice.h"
#include "officepackage.h"
#include "packages.h"

#include <LibreOfficeKit/LibreOfficeKitEnums.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace engineprotocol;
using namespace std::chrono_literals;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The engine with a fake office, keeping recovery copies and protection in real packages.
class EngineRecoveryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        const QString plain = m_dir.filePath("plain.docx");
        ASSERT_TRUE(testpackages::writePackage(
            plain, testpackages::wordPackage(testpackages::wordSettings())));
        m_plainDocx = readAll(plain);
    }

    // Loads a text document from a file holding bytes; LibreOffice then writes plain .docx.
    FakeDocument *open(const QByteArray &bytes)
    {
        FakeDocument *document = m_office.prepare(LOK_DOCTYPE_TEXT);
        document->savedBytes = m_plainDocx;
        QFile file(m_dir.filePath(QStringLiteral("opened-%1.docx").arg(++m_opened)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        m_info = std::get<reply::DocumentInfo>(m_core.handle(request::Load{file.fileName()}));
        document->onCommand = [](FakeDocument &d, const QByteArray &command, const QByteArray &) {
            if (command == ".uno:ExecuteSearch")
                d.callBack(LOK_CALLBACK_SEARCH_RESULT_SELECTION,
                           R"({"searchResultSelection": [{"part": "0"}]})");
            d.answer(command);
            return true;
        };
        return document;
    }
    int saves(FakeDocument *document) const
    {
        return int(document->log.filter(QStringLiteral("save ")).size());
    }
    QString copyPath() const { return m_dir.filePath(QStringLiteral("recovery/copy.docx")); }
    bool copyExists() const { return QFile::exists(copyPath()); }
    void keep()
    {
        ASSERT_TRUE(std::holds_alternative<reply::Done>(
            m_core.handle(request::KeepRecovery{copyPath(), "docx"})));
    }

    QTemporaryDir m_dir;
    QByteArray m_plainDocx;
    int m_opened = 0;
    reply::DocumentInfo m_info;
    FakeOffice m_office;
    enginecore::EngineCore m_core{m_office, [](const Event &) {}, [] {}, {1500ms, 8000ms, 5000ms}};
};

TEST_F(EngineRecoveryTest, editingOperation_isInTheCopyBeforeItsReply_typingOnceDue)
{
    FakeDocument *document = open(m_plainDocx);
    keep();
    EXPECT_FALSE(copyExists()) << "nothing to recover yet";
    ASSERT_TRUE(
        std::holds_alternative<reply::Replaced>(m_core.handle(request::Replace{"c", "k", true})));
    EXPECT_TRUE(copyExists());
    EXPECT_TRUE(document->log.last().endsWith(" docx")) << document->log.last().toStdString();

    const int before = saves(document);
    m_core.handle(request::Key{KeyAction::Press, 'a', 512});
    ASSERT_TRUE(m_core.recoveryDue().has_value());
    m_core.writeRecoveryIfDue(std::chrono::steady_clock::now());
    EXPECT_EQ(saves(document), before) << "written while the user types";
    m_core.writeRecoveryIfDue(std::chrono::steady_clock::now() + 2s);
    EXPECT_EQ(saves(document), before + 1);
    EXPECT_EQ(m_core.recoveryDue(), std::nullopt);
}

TEST_F(EngineRecoveryTest, confirmedSaveInItsOwnFormat_dropsTheCopy_anExportDoesNot)
{
    open(m_plainDocx);
    keep();
    m_core.handle(request::AddBookmark{"mark_1"});
    ASSERT_TRUE(copyExists());
    m_core.handle(request::Save{m_dir.filePath("export.pdf"), "pdf", {}});
    m_core.handle(request::MarkSaved{});
    EXPECT_TRUE(copyExists()) << "a PDF holds no document to recover";
    m_core.handle(request::Save{m_dir.filePath("upload.docx"), "docx", {}});
    m_core.handle(request::MarkSaved{});
    EXPECT_FALSE(copyExists());
}

TEST_F(EngineRecoveryTest, anotherDocumentOrClose_endsTheCopying)
{
    open(m_plainDocx);
    keep();
    open(m_plainDocx);
    m_core.handle(request::AddBookmark{"mark_1"});
    EXPECT_FALSE(copyExists());
    keep();
    m_core.handle(request::Close{});
    EXPECT_EQ(m_core.recoveryDue(), std::nullopt);
    EXPECT_FALSE(copyExists());
}

TEST_F(EngineRecoveryTest, protectedWordFile_opensProtected_andLibreOfficeGetsItEditable)
{
    const QString source = m_dir.filePath("protected.docx");
    ASSERT_TRUE(testpackages::writePackage(
        source, testpackages::wordPackage(testpackages::wordSettings(
                    R"(<w:documentProtection w:edit="readOnly" w:enforcement="1"/>)"))));
    open(readAll(source));
    EXPECT_TRUE(m_info.isProtected);
    ASSERT_EQ(m_office.loadedPaths.size(), 1);
    EXPECT_FALSE(enginecore::takeProtection(m_office.loadedPaths[0], false));
    EXPECT_TRUE(enginecore::takeProtection(source, false)) << "the user's file is untouched";
}

TEST_F(EngineRecoveryTest, savedWordFile_carriesProtectionWhileProtected_andTheCopyToo)
{
    open(m_plainDocx);
    keep();
    const QString saved = m_dir.filePath("saved.docx");
    m_core.handle(request::Protect{true});
    EXPECT_TRUE(enginecore::takeProtection(copyPath(), false)) << "protecting is a change";
    ASSERT_TRUE(
        std::holds_alternative<reply::Saved>(m_core.handle(request::Save{saved, "docx", {}})));
    EXPECT_TRUE(enginecore::takeProtection(saved, false));
    m_core.handle(request::Save{m_dir.filePath("saved.pdf"), "pdf", {}});

    m_core.handle(request::Protect{false});
    m_core.handle(request::Save{saved, "docx", {}});
    EXPECT_FALSE(enginecore::takeProtection(saved, false));
    EXPECT_FALSE(enginecore::takeProtection(copyPath(), false));
}

TEST_F(EngineRecoveryTest, protectionThatCannotBeWritten_failsTheSave_andLeavesNoFile)
{
    FakeDocument *document = open(m_plainDocx);
    const QString broken = m_dir.filePath("broken.docx");
    ASSERT_TRUE(testpackages::writePackage(broken, testpackages::wordPackage("<w:settings")));
    document->savedBytes = readAll(broken);
    m_core.handle(request::Protect{true});
    const QString target = m_dir.filePath("target.docx");
    const Reply reply = m_core.handle(request::Save{target, "docx", {}});
    ASSERT_TRUE(std::holds_alternative<reply::Error>(reply));
    EXPECT_EQ(std::get<reply::Error>(reply).code, ErrorCode::SaveFailed);
    EXPECT_FALSE(QFile::exists(target));
}

} // namespace
