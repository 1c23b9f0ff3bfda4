#include "documentclipboard.h"
#include "enginecorefixture.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace engineprotocol;

namespace {

QByteArray matchAt(const char *part, const char *rectangles)
{
    return QStringLiteral(R"({"searchResultSelection": [{"part": "%1", "rectangles": "%2"}]})")
        .arg(QLatin1String(part), QLatin1String(rectangles))
        .toUtf8();
}

bool searchesBackward(const QByteArray &arguments)
{
    return QJsonDocument::fromJson(arguments)
               .object()
               .value("SearchItem.Backward")
               .toObject()
               .value("value")
               .toString() == QLatin1String("true");
}

// A document whose searches answer as LibreOffice does: the match, or that there is none,
// before the command's result; backward searches find backwardMatch.
void answerSearches(FakeDocument *document, QByteArray forwardMatch, QByteArray backwardMatch = {})
{
    document->onCommand = [=](FakeDocument &d, const QByteArray &command,
                              const QByteArray &arguments) {
        if (command == ".uno:ExecuteSearch") {
            const QByteArray match = searchesBackward(arguments) ? backwardMatch : forwardMatch;
            if (match.isEmpty())
                d.callBack(LOK_CALLBACK_SEARCH_NOT_FOUND, "sample");
            else
                d.callBack(LOK_CALLBACK_SEARCH_RESULT_SELECTION, match);
        }
        d.answer(command);
        return true;
    };
}

TEST_F(EngineCoreTest, find_afterTheCursor_saysWhereTheMatchIs)
{
    FakeDocument *document = open(LOK_DOCTYPE_TEXT);
    document->callBack(LOK_CALLBACK_INVALIDATE_VISIBLE_CURSOR, "1418, 1418, 0, 281");
    answerSearches(document, matchAt("0", "2580, 18540, 956, 281"));
    const auto found = expect<reply::Found>(m_core.handle(request::Find{"sample", false, true}));
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.twips, (QList<QRect>{{2580, 18540, 956, 281}}));
    EXPECT_EQ(document->log.filter("ExecuteSearch").size(), 1);
}

TEST_F(EngineCoreTest, find_thatWentRoundTheEnd_reportsNone_andSearchesBackToTheSelection)
{
    FakeDocument *document = open(LOK_DOCTYPE_TEXT);
    // The last match is selected; LibreOffice's next one is the first, at the top.
    document->callBack(LOK_CALLBACK_TEXT_SELECTION, "2580, 18540, 956, 281");
    answerSearches(document, matchAt("0", "2580, 1418, 956, 281"),
                   matchAt("0", "2580, 18540, 956, 281"));
    const auto found = expect<reply::Found>(m_core.handle(request::Find{"sample", false, true}));
    EXPECT_FALSE(found.found);
    EXPECT_TRUE(found.twips.isEmpty());
    EXPECT_EQ(document->log.filter("ExecuteSearch").size(), 2);
}

TEST_F(EngineCoreTest, find_startsWhereTheKeysBeforeItMovedTheCursor)
{
    FakeDocument *document = open(LOK_DOCTYPE_TEXT);
    document->callBack(LOK_CALLBACK_TEXT_SELECTION, "1418, 18540, 5000, 281");
    answerSearches(document, matchAt("0", "2580, 1418, 956, 281"));
    const auto searches = document->onCommand;
    // Ctrl+Home lands when LibreOffice has applied it: the selection goes, the cursor is at the
    // top.
    document->onCommand = [=](FakeDocument &d, const QByteArray &command,
                              const QByteArray &arguments) {
        if (command == ".uno:ModifiedStatus") {
            d.callBack(LOK_CALLBACK_TEXT_SELECTION, "");
            d.callBack(LOK_CALLBACK_INVALIDATE_VISIBLE_CURSOR, "1418, 1418, 0, 281");
        }
        return searches(d, command, arguments);
    };
    expect<reply::Done>(m_core.handle(request::Key{KeyAction::Press, 0, 0x2000 | 1028}));
    EXPECT_TRUE(expect<reply::Found>(m_core.handle(request::Find{"sample", false, true})).found);
}

TEST_F(EngineCoreTest, find_ofAbsentText_reportsNone_andOfNothing_isABadRequest)
{
    FakeDocument *document = open(LOK_DOCTYPE_SPREADSHEET);
    answerSearches(document, {});
    EXPECT_FALSE(expect<reply::Found>(m_core.handle(request::Find{"zzz", false, false})).found);
    EXPECT_EQ(errorOf(m_core.handle(request::Find{"", false, false})).code, ErrorCode::BadRequest);
}

TEST_F(EngineCoreTest, find_onSlides_goesOnToLaterSlides_butNotRoundToTheFirst)
{
    FakeDocument *slides = open(LOK_DOCTYPE_PRESENTATION, {{"One"}, {"Two"}, {"Three"}});
    slides->current = 1;
    answerSearches(slides, matchAt("2", "2788, 1205, 837, 416"));
    const auto found = expect<reply::Found>(m_core.handle(request::Find{"slide", false, false}));
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.part, 2);

    slides->current = 2;
    answerSearches(slides, matchAt("0", "2788, 1205, 837, 416"));
    EXPECT_FALSE(expect<reply::Found>(m_core.handle(request::Find{"slide", false, false})).found);
}

TEST_F(EngineCoreTest, copy_handsOverWhatLibreOfficeCopied_andNotAnOlderCopy)
{
    FakeDocument *document = open(LOK_DOCTYPE_TEXT);
    document->clipboardItems = {{"text/plain;charset=utf-8", "an older copy"}};
    bool selected = true;
    document->onCommand = [&](FakeDocument &d, const QByteArray &command, const QByteArray &) {
        if (command == ".uno:Copy" && selected)
            d.clipboardItems = {{"text/html", "<b>Quillary</b>"},
                                {"text/plain;charset=utf-8", "Quillary"}};
        d.answer(command);
        return true;
    };
    const auto copied = expect<reply::Clipboard>(m_core.handle(request::Copy{false}));
    EXPECT_EQ(copied.items, (QList<ClipboardItem>{{"text/plain;charset=utf-8", "Quillary"},
                                                  {"text/html", "<b>Quillary</b>"}}));
    EXPECT_EQ(document->log, (QStringList{"clipboard 0", "uno .uno:Copy"}));

    selected = false;
    EXPECT_TRUE(expect<reply::Clipboard>(m_core.handle(request::Copy{false})).items.isEmpty());
}

TEST_F(EngineCoreTest, cutAndPaste_changeTheDocument_soProtectionRefusesThem_butNotCopy)
{
    FakeDocument *document = open(LOK_DOCTYPE_TEXT);
    expect<reply::Protection>(m_core.handle(request::Protect{true}));
    EXPECT_EQ(errorOf(m_core.handle(request::Copy{true})).code, ErrorCode::Protected);
    EXPECT_EQ(errorOf(m_core.handle(request::Paste{{{"text/plain;charset=utf-8", "x"}}})).code,
              ErrorCode::Protected);
    EXPECT_EQ(errorOf(m_core.handle(request::Composition{"zhong", false})).code,
              ErrorCode::Protected);
    expect<reply::Clipboard>(m_core.handle(request::Copy{false}));
    EXPECT_EQ(document->log, (QStringList{"clipboard 0", "uno .uno:Copy"}));
}

TEST_F(EngineCoreTest, paste_givesTheContentToLibreOffice_thenPastes)
{
    FakeDocument *document = open(LOK_DOCTYPE_TEXT);
    expect<reply::Done>(m_core.handle(request::Paste{{{"text/plain;charset=utf-8", "粘贴"}}}));
    EXPECT_EQ(document->log, (QStringList{"clipboard 1", "uno .uno:Paste"}));
    EXPECT_EQ(document->clipboardItems.first().data, QByteArray("粘贴"));
    EXPECT_EQ(errorOf(m_core.handle(request::Paste{{{"text/plain;charset=utf-8", ""}}})).code,
              ErrorCode::BadRequest);
}

TEST(PasteItems, tabularTextForASpreadsheet_goesAsAnHtmlTable_otherwiseAsItCame)
{
    const QList<ClipboardItem> table{{"text/plain;charset=utf-8", "a\tb<\r\nc\td\n"}};
    const auto sheet = enginecore::pasteItemsFor(DocumentKind::Spreadsheet, table);
    ASSERT_EQ(sheet.size(), 2);
    EXPECT_EQ(sheet[0].mimeType, QStringLiteral("text/html"));
    EXPECT_EQ(sheet[0].data, QByteArray("<html><body><table><tr><td>a</td><td>b&lt;</td></tr>"
                                        "<tr><td>c</td><td>d</td></tr></table></body></html>"));
    EXPECT_EQ(sheet[1], table[0]);
    EXPECT_EQ(enginecore::pasteItemsFor(DocumentKind::Text, table), table);

    const QList<ClipboardItem> word{{"text/plain;charset=utf-8", "Quillary\n"}};
    EXPECT_EQ(enginecore::pasteItemsFor(DocumentKind::Spreadsheet, word), word);
    const QList<ClipboardItem> withHtml{{"text/html", "<p>x</p>"}, table[0]};
    EXPECT_EQ(enginecore::pasteItemsFor(DocumentKind::Spreadsheet, withHtml), withHtml);
}

TEST_F(EngineCoreTest, composition_isShownWhileComposed_andEndsWhenCommitted)
{
    FakeDocument *document = open(LOK_DOCTYPE_TEXT);
    expect<reply::Done>(m_core.handle(request::Composition{"zhong", false}));
    expect<reply::Done>(m_core.handle(request::Composition{"中", true}));
    EXPECT_EQ(document->log, (QStringList{QStringLiteral("input %1 zhong").arg(LOK_EXT_TEXTINPUT),
                                          QStringLiteral("input %1 中").arg(LOK_EXT_TEXTINPUT),
                                          QStringLiteral("input %1 ").arg(LOK_EXT_TEXTINPUT_END)}));
}

TEST_F(EngineCoreTest, pageRectangles_areTheTextsPages_orTheWholeSlide)
{
    open(LOK_DOCTYPE_TEXT);
    EXPECT_EQ(expect<reply::Rectangles>(m_core.handle(request::PageRectangles{})).twips,
              (QList<QRect>{{284, 284, 11906, 16838}, {284, 17406, 11906, 16838}}));
    open(LOK_DOCTYPE_PRESENTATION);
    EXPECT_EQ(expect<reply::Rectangles>(m_core.handle(request::PageRectangles{})).twips,
              (QList<QRect>{{0, 0, 12240, 15840}}));
}

} // namespace
