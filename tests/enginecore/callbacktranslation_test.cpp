#include "callbacktranslation.h"
#include "fakeoffice.h"

#include <LibreOfficeKit/LibreOfficeKitEnums.h>

#include <gtest/gtest.h>

using namespace engineprotocol;
using enginecore::Callback;

namespace {

struct CallbackCase
{
    const char *name;
    int type;
    QByteArray payload;
    std::optional<Event> expected;
};

void PrintTo(const CallbackCase &c, std::ostream *out)
{
    *out << c.name;
}

class CallbackTranslationTest : public ::testing::TestWithParam<CallbackCase>
{
};

TEST_P(CallbackTranslationTest, payloadAsLibreOfficeWritesIt_becomesTheEvent)
{
    FakeDocument document(LOK_DOCTYPE_TEXT);
    document.size = {11906, 168380};
    const auto event =
        enginecore::translateCallback(Callback{GetParam().type, GetParam().payload}, document);
    EXPECT_EQ(event, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Callbacks, CallbackTranslationTest,
    ::testing::Values(
        CallbackCase{"invalidateRectangle", LOK_CALLBACK_INVALIDATE_TILES, "0, 284, 12240, 567",
                     event::Invalidate{QRect(0, 284, 12240, 567), std::nullopt}},
        CallbackCase{"invalidateRectangleOfAPart", LOK_CALLBACK_INVALIDATE_TILES,
                     "10, 20, 30, 40, 2, 0", event::Invalidate{QRect(10, 20, 30, 40), 2}},
        CallbackCase{"invalidateEverything", LOK_CALLBACK_INVALIDATE_TILES, "EMPTY",
                     event::Invalidate{}},
        CallbackCase{"invalidateEverythingOfAPart", LOK_CALLBACK_INVALIDATE_TILES, "EMPTY, 1, 0",
                     event::Invalidate{std::nullopt, 1}},
        CallbackCase{"invalidateUnreadable", LOK_CALLBACK_INVALIDATE_TILES, "garbage",
                     event::Invalidate{}},
        CallbackCase{"cursor", LOK_CALLBACK_INVALIDATE_VISIBLE_CURSOR, "1418, 1701, 0, 276",
                     event::CursorMoved{QRect(1418, 1701, 0, 276)}},
        CallbackCase{"cursorInJson", LOK_CALLBACK_INVALIDATE_VISIBLE_CURSOR,
                     R"({"viewId": "0", "rectangle": "5, 6, 7, 8"})",
                     event::CursorMoved{QRect(5, 6, 7, 8)}},
        CallbackCase{"cellCursor", LOK_CALLBACK_CELL_CURSOR, "0, 0, 1280, 256",
                     event::CursorMoved{QRect(0, 0, 1280, 256)}},
        CallbackCase{"cellCursorHidden", LOK_CALLBACK_CELL_CURSOR, "EMPTY", std::nullopt},
        CallbackCase{"cursorShown", LOK_CALLBACK_CURSOR_VISIBLE, "true",
                     event::CursorVisible{true}},
        CallbackCase{"cursorHidden", LOK_CALLBACK_CURSOR_VISIBLE, "false",
                     event::CursorVisible{false}},
        CallbackCase{
            "selectionOfTwoLines", LOK_CALLBACK_TEXT_SELECTION,
            "1418, 1701, 3000, 276; 1418, 1977, 1200, 276",
            event::Selection{{QRect(1418, 1701, 3000, 276), QRect(1418, 1977, 1200, 276)}}},
        CallbackCase{"selectionCleared", LOK_CALLBACK_TEXT_SELECTION, "", event::Selection{}},
        CallbackCase{"documentSizeAsTheDocumentSaysIt", LOK_CALLBACK_DOCUMENT_SIZE_CHANGED,
                     "12240, 15840", event::DocumentSize{11906, 168380}},
        CallbackCase{"partChanged", LOK_CALLBACK_SET_PART, "2", event::PartChanged{2}},
        CallbackCase{"partUnreadable", LOK_CALLBACK_SET_PART, "x", std::nullopt},
        CallbackCase{"stateAsText", LOK_CALLBACK_STATE_CHANGED, ".uno:Bold=true",
                     event::StateChanged{".uno:Bold", "true"}},
        CallbackCase{"stateAsJson", LOK_CALLBACK_STATE_CHANGED,
                     R"({"commandName": ".uno:CharFontName", "state": "Liberation Serif"})",
                     event::StateChanged{".uno:CharFontName", "Liberation Serif"}},
        CallbackCase{"cellAddress", LOK_CALLBACK_CELL_ADDRESS, "B12", event::CellAddress{"B12"}},
        CallbackCase{"cellRangeAddress", LOK_CALLBACK_CELL_ADDRESS, "A1:C5",
                     event::CellAddress{"A1:C5"}},
        CallbackCase{"cellFormula", LOK_CALLBACK_CELL_FORMULA, "=SUM(B2:B3)",
                     event::CellFormula{"=SUM(B2:B3)"}},
        CallbackCase{"cellTextInUtf8", LOK_CALLBACK_CELL_FORMULA, "合计",
                     event::CellFormula{QStringLiteral("合计")}},
        CallbackCase{"emptyCell", LOK_CALLBACK_CELL_FORMULA, "", event::CellFormula{}},
        CallbackCase{"headersChanged", LOK_CALLBACK_INVALIDATE_HEADER, "all",
                     event::HeadersChanged{}},
        CallbackCase{"commandResultIsNotAnEvent", LOK_CALLBACK_UNO_COMMAND_RESULT,
                     R"({"commandName": ".uno:Bold", "success": true})", std::nullopt}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(DocumentKind, libreOfficeDocumentTypes_mapOneByOne)
{
    const std::pair<int, DocumentKind> cases[] = {
        {LOK_DOCTYPE_TEXT, DocumentKind::Text},
        {LOK_DOCTYPE_SPREADSHEET, DocumentKind::Spreadsheet},
        {LOK_DOCTYPE_PRESENTATION, DocumentKind::Presentation},
        {LOK_DOCTYPE_DRAWING, DocumentKind::Drawing},
        {LOK_DOCTYPE_OTHER, DocumentKind::Other},
        {99, DocumentKind::Other},
    };
    for (const auto &[type, kind] : cases)
        EXPECT_EQ(enginecore::documentKindOf(type), kind) << type;
}

} // namespace
