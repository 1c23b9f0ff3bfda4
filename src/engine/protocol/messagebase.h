#pragma once

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>
#include <tuple>
#include <variant>

// What the requests, replies and events of the engine protocol share.
namespace engineprotocol {

// Both processes come from one build; a different number means a stale engine program.
constexpr int Version = 8;
// The engine's exit status when it ran out of the memory it may use.
constexpr int MemoryLimitExitStatus = 86;

// The kinds of document the engine tells apart.
enum class DocumentKind { Text, Spreadsheet, Presentation, Drawing, Other };

// Why the engine refused a request.
enum class ErrorCode {
    BadRequest,  // arguments out of range or missing
    NoDocument,  // the request needs a loaded document
    LoadFailed,  // LibreOffice could not load the file: damaged
    Encrypted,   // the file needs a password to open
    TooLarge,    // the file unpacks beyond what the engine takes
    Unsupported, // LibreOffice knows no filter for the file's content
    SaveFailed,  // LibreOffice could not write the file
    Protected,   // the document is protected against changes
    WrongKind,   // the request does not apply to this kind of document
    NotFinished, // LibreOffice did not finish in time
    Failed,      // anything else
    ReadOnly,    // the control shows the document read-only
};

enum class KeyAction { Press, Release };
enum class MouseAction { Press, Release, Move };

namespace detail {
// Field-wise equality for every message type, so tests compare messages as values.
template <class T>
requires requires(const T &value)
{
    T::fields(value);
}
bool operator==(const T &left, const T &right)
{
    return T::fields(left) == T::fields(right);
}
} // namespace detail

using detail::operator==;

// One format of clipboard content: a MIME type and its bytes.
struct ClipboardItem
{
    QString mimeType;
    QByteArray data;
    static auto fields(auto &m) { return std::tie(m.mimeType, m.data); }
};

// What the control's user has set for every document it loads: the name changes and comments
// are recorded under, and whether the document is only shown, never changed.
struct UserSettings
{
    QString author;
    bool readOnly = false;
    static auto fields(auto &m) { return std::tie(m.author, m.readOnly); }
};

enum class ChangeKind { Insertion, Deletion, Formatting, Other };

// A change recorded in a text document, as its list shows it. id is LibreOffice's, stable
// while the document is loaded; time is as LibreOffice wrote it (ISO 8601, local).
struct TrackedChange
{
    int id = 0;
    ChangeKind kind = ChangeKind::Other;
    QString author;
    QString time;
    QString excerpt;
    static auto fields(auto &m) { return std::tie(m.id, m.kind, m.author, m.time, m.excerpt); }
};

// A comment in a text document. id is LibreOffice's, stable while the document is loaded;
// parentId names the comment it replies to (0: none); time as in TrackedChange; anchor is
// where its text is, in twips (empty when LibreOffice did not lay it out).
struct Comment
{
    int id = 0;
    int parentId = 0;
    QString author;
    QString time;
    QString text;
    QRect anchor;
    static auto fields(auto &m)
    {
        return std::tie(m.id, m.parentId, m.author, m.time, m.text, m.anchor);
    }
};

} // namespace engineprotocol
