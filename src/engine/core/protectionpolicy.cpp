#include "protectionpolicy.h"

#include "unoarguments.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

using namespace engineprotocol;

namespace enginecore {

namespace {

const QString ProtectedText = QStringLiteral("文档处于保护状态，不能修改");
const QString ProtectedReplaceText = QStringLiteral("文档处于保护状态，不能替换内容；请先解除保护");
const QString ReadOnlyText = QStringLiteral("文档以只读方式显示，不能修改");

// awt key codes of keys that only move the cursor or copy.
bool isNavigationKey(int key)
{
    const int code = key & 0x0fff;
    const bool ctrl = key & 0x2000;
    if (code >= 1024 && code <= 1031) // arrows, Home, End, Page Up/Down
        return true;
    // Ctrl+C, Ctrl+A; with Shift or Alt they are other commands (Ctrl+Shift+C records changes).
    const bool otherModifiers = key & 0x5000;
    return ctrl && !otherModifiers && (code == 512 + 2 || code == 512);
}

bool isHarmlessCommand(const request::Uno &uno)
{
    static const QStringList prefixes = {QStringLiteral(".uno:GoTo"),
                                         QStringLiteral(".uno:JumpTo"),
                                         QStringLiteral(".uno:Zoom"),
                                         QStringLiteral(".uno:Copy"),
                                         QStringLiteral(".uno:SelectAll"),
                                         QStringLiteral(".uno:Escape"),
                                         QStringLiteral(".uno:NextTrackedChange"),
                                         QStringLiteral(".uno:PreviousTrackedChange"),
                                         QStringLiteral(".uno:ShowTrackedChanges")};
    if (uno.command == QLatin1String(".uno:ExecuteSearch")) {
        // Finding is reading; commands 2 and 3 replace.
        const int mode = argumentValue(uno.arguments, QStringLiteral("SearchItem.Command")).toInt();
        return mode != 2 && mode != 3;
    }
    // Asking whether the document is modified reads; setting it does not.
    if (uno.command == QLatin1String(".uno:ModifiedStatus"))
        return QJsonDocument::fromJson(uno.arguments).object().isEmpty();
    for (const QString &prefix : prefixes)
        if (uno.command.startsWith(prefix))
            return true;
    return false;
}

// Going to a change and showing or hiding changes only read the document.
bool reviewChanges(const request::Review &review)
{
    using Action = request::ReviewAction;
    return review.action != Action::GoTo && review.action != Action::Next &&
           review.action != Action::Previous && review.action != Action::Show;
}

// Going to a comment only moves the cursor.
bool commentChanges(const request::CommentAction &comment)
{
    return comment.operation != request::CommentOperation::GoTo;
}

} // namespace

bool mayChangeDocument(const Request &request)
{
    if (const auto *key = std::get_if<request::Key>(&request))
        return key->action == KeyAction::Press &&
               (!isNavigationKey(key->keyCode) || key->character >= 0x20);
    if (const auto *mouse = std::get_if<request::Mouse>(&request))
        return mouse->action == MouseAction::Move && mouse->buttons != 0;
    if (const auto *uno = std::get_if<request::Uno>(&request))
        return !isHarmlessCommand(*uno);
    if (const auto *review = std::get_if<request::Review>(&request))
        return reviewChanges(*review);
    if (const auto *copy = std::get_if<request::Copy>(&request))
        return copy->cut;
    if (const auto *comment = std::get_if<request::CommentAction>(&request))
        return commentChanges(*comment);
    return std::holds_alternative<request::Paste>(request) ||
           std::holds_alternative<request::Compare>(request) ||
           std::holds_alternative<request::EnterCellText>(request) ||
           std::holds_alternative<request::Replace>(request) ||
           std::holds_alternative<request::AddBookmark>(request) ||
           std::holds_alternative<request::InsertPicture>(request) ||
           std::holds_alternative<request::InsertFile>(request) ||
           std::holds_alternative<request::Protect>(request);
}

void ProtectionPolicy::reset()
{
    m_protected = false;
    m_edited = false;
}

std::optional<Reply> ProtectionPolicy::refusal(const Request &request)
{
    std::optional<Reply> answer;
    bool edits = false;
    // Read-only is said first: lifting protection would not make the document editable.
    const bool locked = m_protected || m_readOnly;
    const auto refused = [this](const QString &protectedText) -> Reply {
        if (m_readOnly)
            return reply::Error{ErrorCode::ReadOnly, ReadOnlyText};
        return reply::Error{ErrorCode::Protected, protectedText};
    };
    if (const auto *key = std::get_if<request::Key>(&request)) {
        edits = true;
        // A letter with Ctrl or Alt is a command (Ctrl+A selects), not typing.
        const bool typed = key->character >= 0x20 && (key->keyCode & 0x6000) == 0;
        if (locked && (typed || !isNavigationKey(key->keyCode)))
            answer = refused(ProtectedText);
    } else if (const auto *mouse = std::get_if<request::Mouse>(&request)) {
        // Clicks place the cursor; a drag could move the selected text.
        if (locked && mouse->action == MouseAction::Move && mouse->buttons != 0)
            answer = refused(ProtectedText);
    } else if (const auto *uno = std::get_if<request::Uno>(&request)) {
        edits = !isHarmlessCommand(*uno);
        if (locked && edits)
            answer = refused(ProtectedText);
    } else if (const auto *copy = std::get_if<request::Copy>(&request)) {
        edits = copy->cut;
        if (locked && edits)
            answer = refused(ProtectedText);
    } else if (std::holds_alternative<request::Paste>(request) ||
               std::holds_alternative<request::Composition>(request) ||
               std::holds_alternative<request::EnterCellText>(request)) {
        edits = true;
        if (locked)
            answer = refused(ProtectedText);
    } else if (const auto *review = std::get_if<request::Review>(&request)) {
        edits = reviewChanges(*review);
        if (locked && edits)
            answer = refused(ProtectedText);
    } else if (const auto *comment = std::get_if<request::CommentAction>(&request)) {
        edits = commentChanges(*comment);
        if (locked && edits)
            answer = refused(ProtectedText);
    } else if (std::holds_alternative<request::Compare>(request)) {
        edits = true;
        if (locked)
            answer = refused(ProtectedText);
    } else if (std::holds_alternative<request::Replace>(request)) {
        edits = true;
        if (locked)
            answer = refused(ProtectedReplaceText);
    } else if (std::holds_alternative<request::AddBookmark>(request) ||
               std::holds_alternative<request::InsertPicture>(request) ||
               std::holds_alternative<request::InsertFile>(request)) {
        edits = true;
        if (locked)
            answer = m_readOnly ? refused(ProtectedText) : reply::EditOutcome{false, ProtectedText};
    }
    // Whatever passes a protected document only reads it.
    m_edited = m_edited || (edits && !locked);
    return answer;
}

} // namespace enginecore
