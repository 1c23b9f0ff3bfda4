#include "recoverykeeper.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace engineprotocol;
using enginecore::RecoveryKeeper;
using enginecore::RecoverySchedule;
using Change = RecoverySchedule::Change;
using namespace std::chrono_literals;

namespace {

const RecoverySchedule::Clock::time_point T0{};
const enginecore::RecoveryTiming Timing{1500ms, 8000ms, 5000ms, 250ms};

TEST(RecoverySchedule, editOperation_isDueAtOnce)
{
    RecoverySchedule schedule(Timing);
    EXPECT_EQ(schedule.due(), std::nullopt);
    schedule.changed(Change::Edit, T0 + 3s);
    EXPECT_EQ(schedule.due(), T0 + 3s);
}

TEST(RecoverySchedule, command_isDueAfterAShortPause_notInARunOfPresses)
{
    RecoverySchedule schedule(Timing);
    schedule.changed(Change::Command, T0);
    EXPECT_EQ(schedule.due(), T0 + 250ms);
    schedule.changed(Change::Input, T0 + 100ms);
    schedule.changed(Change::Command, T0 + 200ms);
    EXPECT_EQ(schedule.due(), T0 + 450ms);
    for (auto at = T0 + 200ms; at <= T0 + 10s; at += 200ms)
        schedule.changed(Change::Command, at);
    EXPECT_EQ(schedule.due(), T0 + 8s) << "a long run gets its copy all the same";
    schedule.written();
    schedule.changed(Change::Input, T0 + 1s);
    EXPECT_EQ(schedule.due(), T0 + 2500ms) << "the next copy waits for a pause again";
}

TEST(RecoverySchedule, typing_isDueOncePaused_andEachKeyMovesThePause)
{
    RecoverySchedule schedule(Timing);
    schedule.changed(Change::Input, T0);
    EXPECT_EQ(schedule.due(), T0 + 1500ms);
    schedule.changed(Change::Input, T0 + 1s);
    EXPECT_EQ(schedule.due(), T0 + 2500ms);
}

TEST(RecoverySchedule, typingWithoutAPause_isDueAfterTheLongestStretch)
{
    RecoverySchedule schedule(Timing);
    for (auto at = T0; at <= T0 + 12s; at += 1s)
        schedule.changed(Change::Input, at);
    EXPECT_EQ(schedule.due(), T0 + 8s);
    // The stretch starts again at the first change the copy does not hold.
    schedule.written();
    EXPECT_EQ(schedule.due(), std::nullopt);
    schedule.changed(Change::Input, T0 + 20s);
    EXPECT_EQ(schedule.due(), T0 + 21500ms);
}

TEST(RecoverySchedule, confirmedSave_endsTheNeedForACopy_unlessTheDocumentChangedSince)
{
    RecoverySchedule schedule(Timing);
    schedule.changed(Change::Edit, T0);
    schedule.written();
    EXPECT_TRUE(schedule.needsCopy());
    schedule.savedInOwnFormat();
    schedule.confirmSaved();
    EXPECT_FALSE(schedule.needsCopy());

    schedule.changed(Change::Input, T0 + 1s);
    schedule.savedInOwnFormat();
    schedule.changed(Change::Input, T0 + 2s); // typed during the upload
    schedule.confirmSaved();
    EXPECT_TRUE(schedule.needsCopy());
    EXPECT_EQ(schedule.due(), T0 + 3500ms);
}

TEST(RecoverySchedule, confirmationWithoutASave_changesNothing)
{
    RecoverySchedule schedule(Timing);
    schedule.changed(Change::Edit, T0);
    schedule.confirmSaved();
    EXPECT_TRUE(schedule.needsCopy());
}

TEST(RecoverySchedule, failedWrite_isTriedAgainLater_notAtOnce)
{
    RecoverySchedule schedule(Timing);
    schedule.changed(Change::Edit, T0);
    schedule.failed(T0);
    EXPECT_EQ(schedule.due(), T0 + 5s);
}

// A keeper whose writer writes what the document holds, or fails when told.
class RecoveryKeeperTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString copyPath() const { return m_dir.filePath(QStringLiteral("recovery/copy.docx")); }
    QByteArray copy() const
    {
        QFile file(copyPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }
    QStringList leftovers() const
    {
        return QDir(m_dir.filePath(QStringLiteral("recovery")))
            .entryList(QDir::Files | QDir::Hidden);
    }

    QTemporaryDir m_dir;
    QByteArray m_document = "first state";
    bool m_writerFails = false;
    QStringList m_formats;
    RecoveryKeeper m_keeper{[this](const QString &path, const QString &format) {
                                m_formats << format;
                                if (m_writerFails)
                                    return false;
                                QFile file(path);
                                return file.open(QIODevice::WriteOnly) &&
                                       file.write(m_document) == m_document.size();
                            },
                            Timing};
};

TEST_F(RecoveryKeeperTest, editingOperation_isCopiedInTheDocumentsFormat_beforeHandledReturns)
{
    m_keeper.keep(copyPath(), QStringLiteral("docx"));
    m_keeper.handled(request::Replace{"c", "k", true}, reply::Replaced{2}, T0);
    EXPECT_EQ(copy(), "first state");
    EXPECT_EQ(m_formats, QStringList{"docx"});
    EXPECT_EQ(leftovers(), QStringList{"copy.docx"});
}

struct UnchangedCase
{
    const char *name;
    Request request;
    Reply reply;
};

void PrintTo(const UnchangedCase &c, std::ostream *out)
{
    *out << c.name;
}

class RecoveryKeeperUnchanged : public RecoveryKeeperTest,
                                public ::testing::WithParamInterface<UnchangedCase>
{
};

TEST_P(RecoveryKeeperUnchanged, requestThatChangedNothing_writesNoCopy)
{
    m_keeper.keep(copyPath(), QStringLiteral("docx"));
    m_keeper.handled(GetParam().request, GetParam().reply, T0);
    EXPECT_EQ(m_keeper.due(), std::nullopt);
    EXPECT_FALSE(QFile::exists(copyPath()));
}

INSTANTIATE_TEST_SUITE_P(
    Requests, RecoveryKeeperUnchanged,
    ::testing::Values(
        UnchangedCase{"refusedTyping", request::Key{KeyAction::Press, 'a', 512},
                      reply::Error{ErrorCode::Protected, "protected"}},
        UnchangedCase{"missingBookmark", request::InsertPicture{"mark_1", "/p.png", false},
                      reply::EditOutcome{false, "no mark"}},
        UnchangedCase{"nothingReplaced", request::Replace{"c", "k", true}, reply::Replaced{0}},
        UnchangedCase{"arrowKey", request::Key{KeyAction::Press, 0, 1027}, reply::Done{}},
        UnchangedCase{"keyRelease", request::Key{KeyAction::Release, 'a', 512}, reply::Done{}},
        UnchangedCase{"click", request::Mouse{MouseAction::Press, {10, 10}, 1, 1, 0},
                      reply::Done{}},
        UnchangedCase{"tile", request::Tile{0, {0, 0, 10, 10}, {1, 1}},
                      reply::Tile{0, {1, 1}, "\0\0\0\0"}},
        UnchangedCase{"export", request::Save{"/a.pdf", "pdf", {}}, reply::Saved{3}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(RecoveryKeeperTest, command_isNotCopiedBeforeItsReply_butSoonAfter)
{
    m_keeper.keep(copyPath(), QStringLiteral("docx"));
    m_keeper.handled(request::Uno{".uno:Bold", {}, true, 1000},
                     reply::CommandResult{".uno:Bold", true, {}}, T0);
    EXPECT_FALSE(QFile::exists(copyPath())) << "the tiles that show it go first";
    EXPECT_EQ(m_keeper.due(), T0 + 250ms);
    EXPECT_TRUE(m_keeper.writeIfDue(T0 + 250ms));
    EXPECT_EQ(copy(), "first state");
}

TEST(RecoveryChange, eachChangingRequest_hasItsKindOfCopy)
{
    const std::pair<Request, std::optional<Change>> cases[] = {
        {request::Replace{"c", "k", true}, Change::Edit},
        {request::EnterCellText{"12"}, Change::Command},
        {request::Uno{".uno:Bold", {}, true, 1000}, Change::Command},
        {request::Paste{{{"text/plain;charset=utf-8", "x"}}}, Change::Command},
        {request::Copy{true}, Change::Command},
        {request::Copy{false}, std::nullopt},
        {request::Uno{".uno:Bold", {}, false, 1000}, Change::Input},
        {request::Key{KeyAction::Press, 'a', 512}, Change::Input},
        {request::Tile{0, {0, 0, 10, 10}, {1, 1}}, std::nullopt},
    };
    for (const auto &[request, change] : cases)
        EXPECT_EQ(enginecore::changeOf(request), change) << request.index();
}

TEST_F(RecoveryKeeperTest, typing_isCopiedOnlyWhenDue)
{
    m_keeper.keep(copyPath(), QStringLiteral("docx"));
    m_keeper.handled(request::Key{KeyAction::Press, 'a', 512}, reply::Done{}, T0);
    EXPECT_TRUE(m_keeper.writeIfDue(T0 + 1s));
    EXPECT_FALSE(QFile::exists(copyPath()));
    EXPECT_TRUE(m_keeper.writeIfDue(T0 + 1500ms));
    EXPECT_EQ(copy(), "first state");
    EXPECT_EQ(m_keeper.due(), std::nullopt);
}

TEST_F(RecoveryKeeperTest, failedWrite_keepsTheLastCopyWhole_andLeavesNoPart)
{
    m_keeper.keep(copyPath(), QStringLiteral("docx"));
    m_keeper.handled(request::AddBookmark{"mark_1"}, reply::EditOutcome{true, {}}, T0);
    m_document = "second state";
    m_writerFails = true;
    m_keeper.handled(request::AddBookmark{"mark_2"}, reply::EditOutcome{true, {}}, T0 + 1s);
    EXPECT_EQ(copy(), "first state");
    EXPECT_EQ(leftovers(), QStringList{"copy.docx"});
    EXPECT_EQ(m_keeper.due(), T0 + 6s) << "tried again later";
}

TEST_F(RecoveryKeeperTest, saveInItsOwnFormat_becomesTheCopy_andItsConfirmationRemovesIt)
{
    m_keeper.keep(copyPath(), QStringLiteral("docx"));
    m_keeper.handled(request::Key{KeyAction::Press, 'a', 512}, reply::Done{}, T0);
    const QString saved = m_dir.filePath(QStringLiteral("upload.docx"));
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("saved state");
    file.close();

    m_keeper.saved(saved, QStringLiteral("pdf"));
    EXPECT_FALSE(QFile::exists(copyPath())) << "an export is no save";
    m_keeper.saved(saved, QStringLiteral("docx"));
    EXPECT_EQ(copy(), "saved state") << "until the upload is confirmed, the copy holds it";
    EXPECT_EQ(m_keeper.due(), std::nullopt);
    m_keeper.markSaved();
    EXPECT_FALSE(QFile::exists(copyPath()));
}

TEST_F(RecoveryKeeperTest, stopped_writesNoMore_butLeavesTheCopyToItsOwner)
{
    m_keeper.keep(copyPath(), QStringLiteral("doc"));
    m_keeper.handled(request::InsertFile{"/t.doc", "Text"}, reply::EditOutcome{true, {}}, T0);
    m_keeper.stop();
    m_document = "after stop";
    m_keeper.handled(request::InsertFile{"/t.doc", "Text"}, reply::EditOutcome{true, {}}, T0);
    EXPECT_EQ(copy(), "first state");
    EXPECT_EQ(m_keeper.due(), std::nullopt);
}

} // namespace

namespace {

TEST_F(RecoveryKeeperTest, typingInACell_isCopiedOnlyOnceTheCellIsLeft)
{
    m_keeper.setDocumentKind(DocumentKind::Spreadsheet);
    m_keeper.keep(copyPath(), QStringLiteral("xls"));
    m_keeper.handled(request::Key{KeyAction::Press, '1', 0}, reply::Done{}, T0);
    m_keeper.handled(request::Key{KeyAction::Press, 0, 1027}, reply::Done{}, T0); // right
    EXPECT_EQ(m_keeper.due(), std::nullopt) << "saving would enter the half typed cell";
    m_keeper.handled(request::Key{KeyAction::Press, 13, 1280}, reply::Done{}, T0 + 1s); // Enter
    EXPECT_EQ(m_keeper.due(), T0 + 2500ms) << "once the user pauses after entering the cell";

    m_keeper.setDocumentKind(DocumentKind::Presentation);
    m_keeper.handled(request::Key{KeyAction::Press, 'a', 0}, reply::Done{}, T0 + 2s);
    m_keeper.handled(request::Key{KeyAction::Press, 13, 1280}, reply::Done{}, T0 + 2s);
    EXPECT_EQ(m_keeper.due(), std::nullopt) << "Enter stays in a slide's text box";
    m_keeper.handled(request::Key{KeyAction::Press, 0, 1281}, reply::Done{}, T0 + 3s); // Escape
    EXPECT_TRUE(m_keeper.due().has_value());
}

} // namespace
