#include "core/inputmapping.h"
#include "enginemessages.h"

#include <QKeySequence>
#include <QString>

#include <gtest/gtest.h>

namespace {

struct CompositionCase
{
    const char *name;
    bool composing;
    QString commit;
    QString preedit;
    QList<engineprotocol::Request> requests;
    bool composingAfter;
};

void PrintTo(const CompositionCase &c, std::ostream *out)
{
    *out << c.name;
}

class CompositionTest : public ::testing::TestWithParam<CompositionCase>
{
};

TEST_P(CompositionTest, inputMethodEvent_showsPreeditAtTheCursor_andCommitsIt)
{
    const CompositionCase &c = GetParam();
    const framer::CompositionInput input =
        framer::compositionRequests(c.composing, c.commit, c.preedit);
    EXPECT_TRUE(input.requests == c.requests);
    EXPECT_EQ(input.composing, c.composingAfter);
}

using engineprotocol::KeyAction;
using engineprotocol::request::Composition;
using engineprotocol::request::Key;

INSTANTIATE_TEST_SUITE_P(
    InputMethod, CompositionTest,
    ::testing::Values(
        CompositionCase{
            "firstPreedit_startsAComposition", false, "", "zh", {Composition{"zh", false}}, true},
        CompositionCase{
            "longerPreedit_replacesIt", true, "", "zhong", {Composition{"zhong", false}}, true},
        CompositionCase{"commit_endsIt", true, "中", "", {Composition{"中", true}}, false},
        CompositionCase{"cancel_endsItEmpty", true, "", "", {Composition{"", true}}, false},
        CompositionCase{"commitAndGoOn_endsOneAndStartsTheNext",
                        true,
                        "中",
                        "wen",
                        {Composition{"中", true}, Composition{"wen", false}},
                        true},
        CompositionCase{"commitWithoutComposing_isTyped",
                        false,
                        "中",
                        "",
                        {Key{KeyAction::Press, 0x4e2d, 0}, Key{KeyAction::Release, 0x4e2d, 0}},
                        false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(InputMapping, engineKeyCode_mapsNavigationLettersAndModifiers)
{
    const struct
    {
        int key;
        Qt::KeyboardModifiers modifiers;
        int expected;
    } cases[] = {
        {Qt::Key_A, {}, 512},
        {Qt::Key_Z, Qt::ControlModifier, 537 | 0x2000},
        {Qt::Key_5, Qt::ShiftModifier, 261 | 0x1000},
        {Qt::Key_F2, Qt::AltModifier, 769 | 0x4000},
        {Qt::Key_Home, {}, 1028},
        {Qt::Key_Enter, {}, 1280},
        {Qt::Key_Backspace, {}, 1283},
        {Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier, 1286 | 0x3000},
        {Qt::Key_Shift, {}, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(framer::engineKeyCode(c.key, c.modifiers), c.expected) << c.key;
}

// The keys the document takes before the host window's shortcuts: a host's Ctrl+E (Exit in
// the demo) must centre the paragraph, its F1 and Alt+F still reach the host.
TEST(InputMapping, documentUsesKey_editingKeysWithCtrl_notFunctionKeysOrAlt)
{
    const struct
    {
        int key;
        Qt::KeyboardModifiers modifiers;
        bool documents;
    } cases[] = {
        {Qt::Key_E, Qt::ControlModifier, true},
        {Qt::Key_R, Qt::ControlModifier, true},
        {Qt::Key_Y, Qt::ControlModifier, true},
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, true},
        {Qt::Key_End, Qt::ControlModifier, true},
        {Qt::Key_Delete, {}, true},
        {Qt::Key_A, {}, true},
        {0x4e2d, {}, true}, // a character no layout key names
        {Qt::Key_Comma, Qt::ShiftModifier, true},
        {Qt::Key_Comma, Qt::ControlModifier, false},
        {Qt::Key_O, Qt::ControlModifier, false}, // the demo's 打开本地文档, not the document's
        {Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier, false},
        {Qt::Key_F1, {}, false},
        {Qt::Key_F3, Qt::ControlModifier, false},
        {Qt::Key_F, Qt::AltModifier, false},
        {Qt::Key_E, Qt::ControlModifier | Qt::AltModifier, false},
        {Qt::Key_Left, Qt::MetaModifier, false},
        {Qt::Key_Shift, Qt::ShiftModifier, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(framer::documentUsesKey(c.key, c.modifiers), c.documents)
            << QKeySequence(QKeyCombination(c.modifiers, Qt::Key(c.key))).toString().toStdString();
}

TEST(InputMapping, typedCharacter_isOnePrintableCharacterOrAnEditingKey)
{
    const struct
    {
        QString text;
        int expected;
    } cases[] = {
        {QStringLiteral("a"), 'a'},
        {QStringLiteral("中"), 0x4e2d},
        {QStringLiteral("\r"), '\r'},
        {QStringLiteral("\b"), '\b'},
        {QStringLiteral("\x03"), 0},
        {QStringLiteral("ab"), 0},
        {QString(), 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(framer::typedCharacter(c.text), c.expected) << c.text.toStdString();
    EXPECT_EQ(framer::engineButtons(Qt::LeftButton | Qt::RightButton), 5);
}

TEST(InputMapping, keyEvent_sendsItsKey_orTheCharactersOfItsText)
{
    using engineprotocol::KeyAction;
    using Key = engineprotocol::request::Key;
    const struct
    {
        const char *name;
        KeyAction action;
        int qtKey;
        Qt::KeyboardModifiers modifiers;
        QString text;
        QList<Key> expected;
    } cases[] = {
        {"letter", KeyAction::Press, Qt::Key_A, {}, "a", {Key{KeyAction::Press, 'a', 512}}},
        {"releaseOfALetter",
         KeyAction::Release,
         Qt::Key_A,
         {},
         "a",
         {Key{KeyAction::Release, 'a', 512}}},
        {"arrow", KeyAction::Press, Qt::Key_Right, {}, "", {Key{KeyAction::Press, 0, 1027}}},
        {"copy",
         KeyAction::Press,
         Qt::Key_C,
         Qt::ControlModifier,
         "\x03",
         {Key{KeyAction::Press, 0, 514 | 0x2000}}},
        {"chineseCharacter", KeyAction::Press, 0, {}, "中", {Key{KeyAction::Press, 0x4e2d, 0}}},
        {"textOfTwoCharacters",
         KeyAction::Press,
         0,
         {},
         "ab",
         {Key{KeyAction::Press, 'a', 0}, Key{KeyAction::Release, 'a', 0},
          Key{KeyAction::Press, 'b', 0}, Key{KeyAction::Release, 'b', 0}}},
        {"releaseOfText", KeyAction::Release, 0, {}, "ab", {}},
        {"shiftAlone", KeyAction::Press, Qt::Key_Shift, Qt::ShiftModifier, "", {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(framer::keyRequests(c.action, c.qtKey, c.modifiers, c.text), c.expected)
            << c.name;
}

} // namespace
