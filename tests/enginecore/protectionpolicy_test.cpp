#include "protectionpolicy.h"

#include <gtest/gtest.h>

using namespace engineprotocol;

namespace {

enum class Verdict { Passes, Refused, NotApplied };

struct ProtectionCase
{
    const char *name;
    Request request;
    Verdict whenProtected;
    bool edits; // counts as an edit when the document is not protected
};

void PrintTo(const ProtectionCase &c, std::ostream *out)
{
    *out << c.name;
}

constexpr int Right = 1027;
constexpr int Ctrl = 0x2000;

request::Uno search(int command)
{
    return {".uno:ExecuteSearch",
            QStringLiteral(R"({"SearchItem.Command": {"type": "long", "value": "%1"}})")
                .arg(command)
                .toUtf8()};
}

Verdict verdictOf(const std::optional<Reply> &refusal)
{
    if (!refusal)
        return Verdict::Passes;
    if (const auto *error = std::get_if<reply::Error>(&*refusal)) {
        EXPECT_EQ(error->code, ErrorCode::Protected);
        EXPECT_TRUE(error->message.contains(QStringLiteral("保护")));
        return Verdict::Refused;
    }
    const auto &outcome = std::get<reply::EditOutcome>(*refusal);
    EXPECT_FALSE(outcome.done);
    EXPECT_TRUE(outcome.reason.contains(QStringLiteral("保护")));
    return Verdict::NotApplied;
}

class ProtectionPolicyTest : public ::testing::TestWithParam<ProtectionCase>
{
};

TEST_P(ProtectionPolicyTest, protectedDocument_refusesWhatChangesIt_andPassesWhatReadsIt)
{
    enginecore::ProtectionPolicy policy;
    policy.setProtected(true);
    EXPECT_EQ(verdictOf(policy.refusal(GetParam().request)), GetParam().whenProtected);
    EXPECT_FALSE(policy.wasEdited()) << "nothing changes a protected document";
}

TEST_P(ProtectionPolicyTest, readOnlyDocument_refusesTheSameRequests_sayingItIsReadOnly)
{
    enginecore::ProtectionPolicy policy;
    policy.setReadOnly(true);
    const std::optional<Reply> refusal = policy.refusal(GetParam().request);
    EXPECT_EQ(refusal.has_value(), GetParam().whenProtected != Verdict::Passes);
    if (refusal) {
        const auto *error = std::get_if<reply::Error>(&*refusal);
        ASSERT_NE(error, nullptr) << "an edit call fails rather than not applying";
        EXPECT_EQ(error->code, ErrorCode::ReadOnly);
        EXPECT_TRUE(error->message.contains(QStringLiteral("只读")));
    }
    EXPECT_FALSE(policy.wasEdited());
}

TEST_P(ProtectionPolicyTest, unprotectedDocument_passesEverything_andNotesEdits)
{
    enginecore::ProtectionPolicy policy;
    EXPECT_EQ(policy.refusal(GetParam().request), std::nullopt);
    EXPECT_EQ(policy.wasEdited(), GetParam().edits);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, ProtectionPolicyTest,
    ::testing::Values(
        ProtectionCase{"typedLetter", request::Key{KeyAction::Press, 'a', 512}, Verdict::Refused,
                       true},
        ProtectionCase{"backspace", request::Key{KeyAction::Press, 8, 1283}, Verdict::Refused,
                       true},
        ProtectionCase{"arrowKey", request::Key{KeyAction::Press, 0, Right}, Verdict::Passes, true},
        ProtectionCase{"copyKey", request::Key{KeyAction::Press, 0, Ctrl | 514}, Verdict::Passes,
                       true},
        ProtectionCase{"recordChangesKey", request::Key{KeyAction::Press, 0, Ctrl | 0x1000 | 514},
                       Verdict::Refused, true},
        ProtectionCase{"selectAllKeyWithItsLetter", request::Key{KeyAction::Press, 'a', Ctrl | 512},
                       Verdict::Passes, true},
        ProtectionCase{"pasteKey", request::Key{KeyAction::Press, 0, Ctrl | 533}, Verdict::Refused,
                       true},
        ProtectionCase{"click", request::Mouse{MouseAction::Press, {100, 100}, 1, 1, 0},
                       Verdict::Passes, false},
        ProtectionCase{"hover", request::Mouse{MouseAction::Move, {100, 100}, 1, 0, 0},
                       Verdict::Passes, false},
        ProtectionCase{"drag", request::Mouse{MouseAction::Move, {100, 100}, 1, 1, 0},
                       Verdict::Refused, false},
        ProtectionCase{"boldCommand", request::Uno{".uno:Bold"}, Verdict::Refused, true},
        ProtectionCase{"goToCommand", request::Uno{".uno:GoToEndOfDoc"}, Verdict::Passes, false},
        ProtectionCase{"askModified", request::Uno{".uno:ModifiedStatus"}, Verdict::Passes, false},
        ProtectionCase{"setModified",
                       request::Uno{".uno:ModifiedStatus",
                                    R"({"ModifiedStatus": {"type": "boolean", "value": "false"}})"},
                       Verdict::Refused, true},
        ProtectionCase{"find", search(1), Verdict::Passes, false},
        ProtectionCase{"replaceAllByCommand", search(3), Verdict::Refused, true},
        ProtectionCase{"replace", request::Replace{"c", "k", true}, Verdict::Refused, true},
        ProtectionCase{"bookmark", request::AddBookmark{"mark_1"}, Verdict::NotApplied, true},
        ProtectionCase{"picture", request::InsertPicture{"mark_1", "/p.png", false},
                       Verdict::NotApplied, true},
        ProtectionCase{"file", request::InsertFile{"/t.doc", "Text"}, Verdict::NotApplied, true},
        ProtectionCase{"findBar", request::Find{"sample", false, true}, Verdict::Passes, false},
        ProtectionCase{"copySelection", request::Copy{false}, Verdict::Passes, false},
        ProtectionCase{"cutSelection", request::Copy{true}, Verdict::Refused, true},
        ProtectionCase{"pasteClipboard", request::Paste{{{"text/plain", "x"}}}, Verdict::Refused,
                       true},
        ProtectionCase{"composedText", request::Composition{"zhong", false}, Verdict::Refused,
                       true},
        ProtectionCase{"pages", request::PageRectangles{}, Verdict::Passes, false},
        ProtectionCase{"save", request::Save{"/a.pdf", "pdf", {}}, Verdict::Passes, false},
        ProtectionCase{"tile", request::Tile{0, {0, 0, 100, 100}, {10, 10}}, Verdict::Passes,
                       false},
        ProtectionCase{"recordChanges", request::Review{request::ReviewAction::Record, 0, true},
                       Verdict::Refused, true},
        ProtectionCase{"acceptChange", request::Review{request::ReviewAction::Accept, 3},
                       Verdict::Refused, true},
        ProtectionCase{"rejectAllChanges", request::Review{request::ReviewAction::RejectAll},
                       Verdict::Refused, true},
        ProtectionCase{"goToChange", request::Review{request::ReviewAction::GoTo, 3},
                       Verdict::Passes, false},
        ProtectionCase{"hideChanges", request::Review{request::ReviewAction::Show, 0, false},
                       Verdict::Passes, false},
        ProtectionCase{"nextChangeTool", request::Uno{".uno:NextTrackedChange"}, Verdict::Passes,
                       false},
        ProtectionCase{"acceptChangeTool", request::Uno{".uno:AcceptTrackedChange"},
                       Verdict::Refused, true},
        ProtectionCase{"listChanges", request::TrackedChanges{}, Verdict::Passes, false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ProtectionPolicy, reset_liftsProtection_andForgetsEdits)
{
    enginecore::ProtectionPolicy policy;
    policy.refusal(request::Key{KeyAction::Press, 'a', 512});
    policy.setProtected(true);
    policy.reset();
    EXPECT_FALSE(policy.isProtected());
    EXPECT_FALSE(policy.wasEdited());
    EXPECT_EQ(policy.refusal(request::Key{KeyAction::Press, 'a', 512}), std::nullopt);
}

TEST(ProtectionPolicy, readOnly_outlastsTheDocument_untilTurnedOff)
{
    enginecore::ProtectionPolicy policy;
    policy.setReadOnly(true);
    policy.reset();
    EXPECT_TRUE(policy.isReadOnly());
    EXPECT_NE(policy.refusal(request::Key{KeyAction::Press, 'a', 512}), std::nullopt);
    policy.setReadOnly(false);
    EXPECT_EQ(policy.refusal(request::Key{KeyAction::Press, 'a', 512}), std::nullopt);
}

} // namespace
