#include "enginecorefixture.h"
#include "testdocuments.h"

#include <LibreOfficeKit/LibreOfficeKitEnums.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace engineprotocol;

namespace {

TEST_F(EngineCoreTest, withoutADocument_everyRequestButLoadAndClose_isRefused)
{
    const Request requests[] = {request::Info{},
                                request::SetPart{0},
                                request::Tile{0, {0, 0, 100, 100}, {10, 10}},
                                request::Key{KeyAction::Press, 'a', 512},
                                request::Save{"/tmp/x.pdf", "pdf", {}},
                                request::Replace{"c", "k", true},
                                request::Sheets{}};
    for (const Request &request : requests)
        EXPECT_EQ(errorOf(m_core.handle(request)).code, ErrorCode::NoDocument) << request.index();
    EXPECT_TRUE(std::holds_alternative<reply::Done>(m_core.handle(request::Close{})));
}

TEST_F(EngineCoreTest, load_ofAMissingFile_failsNamingIt_withoutAskingLibreOffice)
{
    const reply::Error error = errorOf(m_core.handle(request::Load{m_dir.filePath("none.doc")}));
    EXPECT_EQ(error.code, ErrorCode::LoadFailed);
    EXPECT_TRUE(error.message.contains(QStringLiteral("none.doc"))) << error.message.toStdString();
    EXPECT_TRUE(m_office.loadedPaths.isEmpty());
}

TEST_F(EngineCoreTest, load_givesKindPartsAndNames_fromAPrivateCopy_onTheFirstPart)
{
    FakeDocument *workbook = m_office.prepare(LOK_DOCTYPE_SPREADSHEET);
    workbook->sheets = {{"First"}, {"Second"}};
    workbook->current = 1;
    const QString original = file(QStringLiteral("book.xls"));
    const auto info = expect<reply::DocumentInfo>(m_core.handle(request::Load{original}));
    EXPECT_EQ(info.kind, DocumentKind::Spreadsheet);
    EXPECT_EQ(info.parts, 2);
    EXPECT_EQ(info.part, 0);
    EXPECT_EQ(info.partNames, (QList<QString>{"First", "Second"}));
    EXPECT_EQ(info.width, 12240);
    EXPECT_FALSE(info.isProtected);
    // LibreOffice's lock files land in the engine's folder, never beside the original.
    ASSERT_EQ(m_office.loadedPaths.size(), 1);
    EXPECT_NE(m_office.loadedPaths[0], original);
    EXPECT_TRUE(m_office.loadedPaths[0].endsWith(QStringLiteral("/book.xls")));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"book.xls"});
}

TEST_F(EngineCoreTest, load_thatLibreOfficeRefuses_keepsTheShownDocument_andSaysWhy)
{
    open(LOK_DOCTYPE_TEXT, {{"Text"}});
    m_office.error = QStringLiteral("Unsupported URL <file:///broken.docx>");
    const reply::Error error = errorOf(m_core.handle(request::Load{file("broken.docx")}));
    EXPECT_EQ(error.code, ErrorCode::LoadFailed);
    EXPECT_EQ(error.message, m_office.error);
    EXPECT_EQ(expect<reply::DocumentInfo>(m_core.handle(request::Info{})).kind, DocumentKind::Text);
}

TEST_F(EngineCoreTest, tile_outsideItsBounds_isRefused_andAnotherPartIsSwitchedTo)
{
    FakeDocument *slides = open(LOK_DOCTYPE_PRESENTATION, {{"One"}, {"Two"}});
    for (const QSize pixels : {QSize(0, 256), QSize(256, -1), QSize(8192, 8192)})
        EXPECT_EQ(errorOf(m_core.handle(request::Tile{0, {0, 0, 100, 100}, pixels})).code,
                  ErrorCode::BadRequest);
    EXPECT_EQ(errorOf(m_core.handle(request::Tile{5, {0, 0, 100, 100}, {8, 8}})).code,
              ErrorCode::BadRequest);

    const auto tile =
        expect<reply::Tile>(m_core.handle(request::Tile{1, {0, 0, 3840, 3840}, {256, 256}}));
    EXPECT_EQ(tile.part, 1);
    EXPECT_EQ(tile.size, QSize(256, 256));
    EXPECT_EQ(tile.pixels, QByteArray(256 * 256 * 4, '\xff'));
    EXPECT_EQ(slides->log, (QStringList{"part 1", "tile 0,0 256x256"}));
}

TEST_F(EngineCoreTest, inputOfAnotherKind_waitsForEarlierInputToApply)
{
    FakeDocument *document = open(LOK_DOCTYPE_TEXT);
    const Request input[] = {
        request::Key{KeyAction::Press, 'a', 512}, request::Key{KeyAction::Press, 'b', 513},
        request::Key{KeyAction::Press, 0, 1027}, // an arrow key after typed letters
        request::Mouse{MouseAction::Press, {300, 400}, 1, 1, 0}};
    for (const Request &request : input)
        expect<reply::Done>(m_core.handle(request));
    EXPECT_EQ(document->log,
              (QStringList{"key 0 97 512", "key 0 98 513", "uno .uno:ModifiedStatus",
                           "key 0 0 1027", "uno .uno:ModifiedStatus", "mouse 0 300,400 1 1 0"}));
}

TEST_F(EngineCoreTest, save_appliesPendingInputFirst_andReportsTheSize)
{
    FakeDocument *document = open(LOK_DOCTYPE_TEXT);
    expect<reply::Done>(m_core.handle(request::Key{KeyAction::Press, 'a', 512}));
    const QString target = m_dir.filePath("out.pdf");
    const auto saved = expect<reply::Saved>(m_core.handle(request::Save{target, "pdf", {}}));
    EXPECT_EQ(saved.bytes, 5);
    EXPECT_EQ(document->log.mid(1),
              (QStringList{"uno .uno:ModifiedStatus", "save " + target + " pdf"}));

    document->savedBytes.clear();
    m_office.error = QStringLiteral("write error");
    const reply::Error error = errorOf(m_core.handle(request::Save{target + "2", "pdf", {}}));
    EXPECT_EQ(error.code, ErrorCode::SaveFailed);
    EXPECT_TRUE(error.message.contains(QStringLiteral("write error")));
}

TEST_F(EngineCoreTest, uno_repliesWithItsOwnResult_orNotFinished)
{
    FakeDocument *document = open(LOK_DOCTYPE_TEXT);
    document->onCommand = [](FakeDocument &d, const QByteArray &command, const QByteArray &) {
        if (command == ".uno:Silent")
            return true;
        d.answer(".uno:Other");
        d.answer(command, false);
        return true;
    };
    const auto result = expect<reply::CommandResult>(m_core.handle(request::Uno{".uno:Bold"}));
    EXPECT_EQ(result.command, QStringLiteral(".uno:Bold"));
    EXPECT_FALSE(result.success);
    EXPECT_EQ(errorOf(m_core.handle(request::Uno{".uno:Silent", {}, true, 10})).code,
              ErrorCode::NotFinished);
}

TEST_F(EngineCoreTest, callbacksBeforeARequest_goOutBeforeItsReply_andOnlyForTheLoadedDocument)
{
    FakeDocument *document = open(LOK_DOCTYPE_TEXT);
    document->callBack(LOK_CALLBACK_INVALIDATE_TILES, "EMPTY");
    document->callBack(LOK_CALLBACK_INVALIDATE_VISIBLE_CURSOR, "1, 2, 3, 4");
    EXPECT_TRUE(m_events.empty()) << "callbacks wait for the main thread";
    m_core.handle(request::Info{});
    EXPECT_EQ(m_events,
              (std::vector<Event>{event::Invalidate{}, event::CursorMoved{{1, 2, 3, 4}}}));

    // Called back while the next document loads: the old document's news is stale.
    m_office.duringLoad = [document] {
        document->callBack(LOK_CALLBACK_INVALIDATE_TILES, "EMPTY");
    };
    m_office.prepare(LOK_DOCTYPE_TEXT);
    m_core.handle(request::Load{file(QStringLiteral("next.odt"))});
    m_core.drainCallbacks();
    EXPECT_EQ(m_events.size(), 2u);
}

TEST_F(EngineCoreTest, protection_refusesTyping_isReported_andEndsWithTheDocument)
{
    open(LOK_DOCTYPE_TEXT);
    EXPECT_EQ(expect<reply::Protection>(m_core.handle(request::Protect{true})).on, true);
    EXPECT_TRUE(expect<reply::DocumentInfo>(m_core.handle(request::Info{})).isProtected);
    EXPECT_EQ(errorOf(m_core.handle(request::Key{KeyAction::Press, 'z', 537})).code,
              ErrorCode::Protected);
    EXPECT_EQ(expect<reply::EditOutcome>(m_core.handle(request::AddBookmark{"mark_1"})).done,
              false);

    open(LOK_DOCTYPE_TEXT);
    EXPECT_FALSE(expect<reply::DocumentInfo>(m_core.handle(request::Info{})).isProtected);
    expect<reply::Done>(m_core.handle(request::Key{KeyAction::Press, 'z', 537}));
}

TEST_F(EngineCoreTest, textEdits_onASpreadsheet_andSheetExport_onText_areTheWrongKind)
{
    open(LOK_DOCTYPE_SPREADSHEET);
    EXPECT_EQ(errorOf(m_core.handle(request::Replace{"c", "k", true})).code, ErrorCode::WrongKind);
    EXPECT_EQ(errorOf(m_core.handle(request::InsertFile{"/t.doc", "Text"})).code,
              ErrorCode::WrongKind);
    open(LOK_DOCTYPE_TEXT);
    EXPECT_EQ(errorOf(m_core.handle(request::ExportSheet{"/tmp/a.pdf"})).code,
              ErrorCode::WrongKind);
}

TEST_F(EngineCoreTest, replace_countsTheReplacements_andNothingFoundIsZero)
{
    FakeDocument *document = open(LOK_DOCTYPE_TEXT);
    bool found = true;
    document->onCommand = [&](FakeDocument &d, const QByteArray &command, const QByteArray &) {
        if (command == ".uno:ExecuteSearch")
            d.callBack(found ? LOK_CALLBACK_SEARCH_RESULT_SELECTION : LOK_CALLBACK_SEARCH_NOT_FOUND,
                       R"({"searchResultSelection": [{"part": "0"}, {"part": "0"}]})");
        d.answer(command);
        return true;
    };
    EXPECT_EQ(expect<reply::Replaced>(m_core.handle(request::Replace{"c", "k", true})).count, 2);
    found = false;
    EXPECT_EQ(expect<reply::Replaced>(m_core.handle(request::Replace{"c", "k", true})).count, 0);
    EXPECT_EQ(errorOf(m_core.handle(request::Replace{"", "k", true})).code, ErrorCode::BadRequest);
}

TEST_F(EngineCoreTest, addBookmark_movesAMarkOfThatName)
{
    FakeDocument *document = open(LOK_DOCTYPE_TEXT);
    EXPECT_TRUE(expect<reply::EditOutcome>(m_core.handle(request::AddBookmark{"mark_1"})).done);
    EXPECT_EQ(document->log, (QStringList{"uno .uno:DeleteBookmark", "uno .uno:InsertBookmark"}));
}

TEST_F(EngineCoreTest, insertPicture_waitsForASelectionThatTrailsTheResult)
{
    FakeDocument *document = open(LOK_DOCTYPE_TEXT);
    document->savedBytes = R"(<text:p><text:bookmark text:name="mark_1"/></text:p>)";
    document->onCommand = [](FakeDocument &d, const QByteArray &command, const QByteArray &) {
        d.answer(command);
        if (command == ".uno:InsertGraphic")
            d.callBackFromAnotherThread(LOK_CALLBACK_GRAPHIC_SELECTION, "100, 100, 900, 600");
        return true;
    };
    const QString picture = file(QStringLiteral("stamp.png"), "png");
    EXPECT_TRUE(
        expect<reply::EditOutcome>(m_core.handle(request::InsertPicture{"mark_1", picture, true}))
            .done);
    EXPECT_TRUE(document->log.contains("uno .uno:SetAnchorToPara"));
    EXPECT_TRUE(document->log.contains("uno .uno:WrapOn"));

    const auto missing =
        expect<reply::EditOutcome>(m_core.handle(request::InsertPicture{"mark_9", picture, true}));
    EXPECT_FALSE(missing.done);
    EXPECT_TRUE(missing.reason.contains(QStringLiteral("mark_9")));
}

TEST_F(EngineCoreTest, insertionRefusedWithoutAChange_isTriedAgain_oneThatChangedIsNot)
{
    FakeDocument *document = open(LOK_DOCTYPE_TEXT);
    document->savedBytes = R"(<text:p><text:bookmark text:name="mark_1"/></text:p>)";
    int refusals = 1;
    document->onCommand = [&](FakeDocument &d, const QByteArray &command, const QByteArray &) {
        const bool insertion = command == ".uno:InsertGraphic" || command == ".uno:InsertDoc";
        if (insertion && refusals-- > 0) {
            d.answer(command, false);
            return true;
        }
        if (insertion)
            ++d.undoSteps;
        if (command == ".uno:InsertGraphic")
            d.callBack(LOK_CALLBACK_GRAPHIC_SELECTION, "100, 100, 900, 600");
        d.answer(command);
        return true;
    };
    const QString picture = file(QStringLiteral("seal.png"), "png");
    EXPECT_TRUE(
        expect<reply::EditOutcome>(m_core.handle(request::InsertPicture{"mark_1", picture, false}))
            .done);
    EXPECT_EQ(document->log.filter("uno .uno:InsertGraphic").size(), 2);

    refusals = 1;
    const QString table = file(QStringLiteral("table.doc"), "<table></table>");
    EXPECT_TRUE(
        expect<reply::EditOutcome>(m_core.handle(request::InsertFile{table, "HTML (StarWriter)"}))
            .done);
    EXPECT_EQ(document->log.filter("uno .uno:InsertDoc").size(), 2);

    // A refusal that still changed the document (its undo list grew) is not repeated.
    document->log.clear();
    document->onCommand = [](FakeDocument &d, const QByteArray &command, const QByteArray &) {
        if (command == ".uno:InsertDoc")
            ++d.undoSteps;
        d.answer(command, command != ".uno:InsertDoc");
        return true;
    };
    EXPECT_FALSE(
        expect<reply::EditOutcome>(m_core.handle(request::InsertFile{table, "HTML (StarWriter)"}))
            .done);
    EXPECT_EQ(document->log.filter("uno .uno:InsertDoc").size(), 1);
}

TEST_F(EngineCoreTest, insertFile_thatLibreOfficeCannotRead_isNotDone)
{
    FakeDocument *document = open(LOK_DOCTYPE_TEXT);
    document->onCommand = [](FakeDocument &d, const QByteArray &command, const QByteArray &) {
        d.answer(command, command != ".uno:InsertDoc");
        return true;
    };
    const QString table = file(QStringLiteral("table.doc"), "<table></table>");
    EXPECT_FALSE(
        expect<reply::EditOutcome>(m_core.handle(request::InsertFile{table, "HTML (StarWriter)"}))
            .done);
    EXPECT_FALSE(
        expect<reply::EditOutcome>(m_core.handle(request::InsertFile{table + "x", "Text"})).done);
    // A decompression bomb never reaches LibreOffice.
    document->log.clear();
    EXPECT_FALSE(expect<reply::EditOutcome>(
                     m_core.handle(request::InsertFile{
                         testdocuments::path(QStringLiteral("bomb.docx")), "MS Word 2007 XML"}))
                     .done);
    EXPECT_TRUE(document->log.filter("uno .uno:InsertDoc").isEmpty());
}

TEST_F(EngineCoreTest, exportSheet_hidesTheOtherSheets_forTheExportOnly)
{
    FakeDocument *workbook =
        open(LOK_DOCTYPE_SPREADSHEET, {{"First"}, {"Second"}, {"Hidden", false}});
    workbook->current = 1;
    workbook->onCommand = [&](FakeDocument &d, const QByteArray &command, const QByteArray &) {
        if (command == ".uno:Hide") {
            d.sheets[d.current].visible = false;
            ++d.undoSteps;
        } else if (command == ".uno:Undo") {
            for (auto &sheet : d.sheets)
                sheet.visible = sheet.name != QLatin1String("Hidden");
            --d.undoSteps;
        }
        d.answer(command);
        return true;
    };
    const QString target = m_dir.filePath("sheet.pdf");
    expect<reply::Saved>(m_core.handle(request::ExportSheet{target}));
    EXPECT_EQ(workbook->log.filter("uno .uno:Hide").size(), 1) << "only the visible other sheet";
    EXPECT_TRUE(workbook->log.contains("save " + target + " pdf"));
    EXPECT_TRUE(workbook->log.contains("uno .uno:Undo"));
    // Unedited before, so it is marked unmodified again.
    EXPECT_TRUE(workbook->log.contains("uno .uno:ModifiedStatus"));
    const auto sheets = expect<reply::SheetList>(m_core.handle(request::Sheets{}));
    EXPECT_EQ(sheets.current, 1);
    EXPECT_EQ(sheets.undoSteps, 0);
    EXPECT_EQ(sheets.sheets,
              (QList<reply::SheetState>{{"First", true}, {"Second", true}, {"Hidden", false}}));
}

TEST_F(EngineCoreTest, exportSheet_keepsItsPassageThroughTheSheetsFromTheView)
{
    FakeDocument *workbook = open(LOK_DOCTYPE_SPREADSHEET, {{"First"}, {"Second"}, {"Third"}});
    workbook->current = 1;
    // LibreOffice announces every change of sheet, and may do so late, after the export.
    workbook->onCommand = [&](FakeDocument &d, const QByteArray &command, const QByteArray &) {
        if (command == ".uno:Hide") {
            d.sheets[d.current].visible = false;
            ++d.undoSteps;
        } else if (command == ".uno:Undo") {
            const int shown = d.sheets[2].visible ? 0 : 2;
            d.sheets[shown].visible = true;
            d.current = shown;
            --d.undoSteps;
        }
        d.callBack(LOK_CALLBACK_SET_PART, QByteArray::number(d.current));
        d.answer(command);
        return true;
    };
    expect<reply::Saved>(m_core.handle(request::ExportSheet{m_dir.filePath("sheet.pdf")}));
    workbook->callBack(LOK_CALLBACK_SET_PART, "2");
    m_core.drainCallbacks();
    for (const auto &event : m_events)
        EXPECT_FALSE(std::holds_alternative<event::PartChanged>(event))
            << "part " << std::get<event::PartChanged>(event).part;
    EXPECT_EQ(expect<reply::SheetList>(m_core.handle(request::Sheets{})).current, 1);

    // The user's own move to another sheet still shows.
    workbook->current = 2;
    workbook->callBack(LOK_CALLBACK_SET_PART, "2");
    m_core.drainCallbacks();
    ASSERT_FALSE(m_events.empty());
    EXPECT_TRUE(std::holds_alternative<event::PartChanged>(m_events.back()));
}

} // namespace
