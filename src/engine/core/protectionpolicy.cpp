#include "protectionpolicy.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

using namespace engineprotocol;

namespace enginecore {

namespace {

const QString ProtectedText = QStringLiteral("文档处于保护状态，不能修改");
const QString ProtectedReplaceText = QStringLiteral("文档处于保护状态，不能替换内容；请先解除保护");

// awt key codes of keys that only move the cursor or copy.
bool isNavigationKey(int key)
{
    const int code = key & 0x0fff;
    const bool ctrl = key & 0x2000;
    if (code >= 1024 && code <= 1031) // arrows, Home, End, Page Up/Down
        return true;
    return ctrl && (code == 512 + 2 || code == 512); // Ctrl+C, Ctrl+A
}

bool isHarmlessCommand(const request::Uno &uno)
{
    static const QStringList prefixes = {
        QStringLiteral(".uno:GoTo"),      QStringLiteral(".uno:JumpTo"),
        QStringLiteral(".uno:Zoom"),      QStringLiteral(".uno:Copy"),
        QStringLiteral(".uno:SelectAll"), QStringLiteral(".uno:Escape")};
    const QJsonObject arguments = QJsonDocument::fromJson(uno.arguments).object();
    if (uno.command == QLatin1String(".uno:ExecuteSearch")) {
        // Finding is reading; commands 2 and 3 replace.
        const int mode =
            arguments.value("SearchItem.Command").toObject().value("value").toVariant().toInt();
        return mode != 2 && mode != 3;
    }
    // Asking whether the document is modified reads; setting it does not.
    if (uno.command == QLatin1String(".uno:ModifiedStatus"))
        return arguments.isEmpty();
    for (const QString &prefix : prefixes)
        if (uno.command.startsWith(prefix))
            return true;
    return false;
}

Reply refused(const QString &text)
{
    return reply::Error{ErrorCode::Protected, text};
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
    if (const auto *copy = std::get_if<request::Copy>(&request))
        return copy->cut;
    return std::holds_alternative<request::Paste>(request) ||
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
    if (const auto *key = std::get_if<request::Key>(&request)) {
        edits = true;
        // A letter with Ctrl or Alt is a command (Ctrl+A selects), not typing.
        const bool typed = key->character >= 0x20 && (key->keyCode & 0x6000) == 0;
        if (m_protected && (typed || !isNavigationKey(key->keyCode)))
            answer = refused(ProtectedText);
    } else if (const auto *mouse = std::get_if<request::Mouse>(&request)) {
        // Clicks place the cursor; a drag could move the selected text.
        if (m_protected && mouse->action == MouseAction::Move && mouse->buttons != 0)
            answer = refused(ProtectedText);
    } else if (const auto *uno = std::get_if<request::Uno>(&request)) {
        edits = !isHarmlessCommand(*uno);
        if (m_protected && edits)
            answer = refused(ProtectedText);
    } else if (const auto *copy = std::get_if<request::Copy>(&request)) {
        edits = copy->cut;
        if (m_protected && edits)
            answer = refused(ProtectedText);
    } else if (std::holds_alternative<request::Paste>(request) ||
               std::holds_alternative<request::Composition>(request) ||
               std::holds_alternative<request::EnterCellText>(request)) {
        edits = true;
        if (m_protected)
            answer = refused(ProtectedText);
    } else if (std::holds_alternative<request::Replace>(request)) {
        edits = true;
        if (m_protected)
            answer = refused(ProtectedReplaceText);
    } else if (std::holds_alternative<request::AddBookmark>(request) ||
               std::holds_alternative<request::InsertPicture>(request) ||
               std::holds_alternative<request::InsertFile>(request)) {
        edits = true;
        if (m_protected)
            answer = reply::EditOutcome{false, ProtectedText};
    }
    // Whatever passes a protected document only reads it.
    m_edited = m_edited || (edits && !m_protected);
    return answer;
}

} // namespace enginecore
