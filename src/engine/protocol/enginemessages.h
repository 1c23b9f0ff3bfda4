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

// The messages the document control and the office engine exchange: one type per request,
// reply and event. Each type names its fields once, in fields(), which the codec walks to
// write and read it; adding a field there is all it takes to carry it.
namespace engineprotocol {

// Both processes come from one build; a different number means a stale engine program.
constexpr int Version = 5;

// The kinds of document the engine tells apart.
enum class DocumentKind { Text, Spreadsheet, Presentation, Drawing, Other };

// Why the engine refused a request.
enum class ErrorCode {
    BadRequest,  // arguments out of range or missing
    NoDocument,  // the request needs a loaded document
    LoadFailed,  // LibreOffice could not load the file
    SaveFailed,  // LibreOffice could not write the file
    Protected,   // the document is protected against changes
    WrongKind,   // the request does not apply to this kind of document
    NotFinished, // LibreOffice did not finish in time
    Failed,      // anything else
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

namespace request {
using detail::operator==;

struct Load
{
    QString path;
    static auto fields(auto &m) { return std::tie(m.path); }
};
struct Close
{
    static auto fields(auto &) { return std::tie(); }
};
struct Info
{
    static auto fields(auto &) { return std::tie(); }
};
struct SetPart
{
    int part = 0;
    static auto fields(auto &m) { return std::tie(m.part); }
};
// A part of the document (twips) drawn into pixels; part -1 draws the current one.
struct Tile
{
    int part = -1;
    QRect twips;
    QSize pixels;
    static auto fields(auto &m) { return std::tie(m.part, m.twips, m.pixels); }
};
// keyCode is LibreOffice's key code (com::sun::star::awt::Key) with its modifier bits.
struct Key
{
    KeyAction action = KeyAction::Press;
    int character = 0;
    int keyCode = 0;
    static auto fields(auto &m) { return std::tie(m.action, m.character, m.keyCode); }
};
// buttons: 1 left, 2 middle, 4 right; modifiers as in a key code.
struct Mouse
{
    MouseAction action = MouseAction::Press;
    QPoint twips;
    int count = 1;
    int buttons = 1;
    int modifiers = 0;
    static auto fields(auto &m)
    {
        return std::tie(m.action, m.twips, m.count, m.buttons, m.modifiers);
    }
};
// A .uno: command with its arguments as LibreOffice's JSON; wait for its result or not.
struct Uno
{
    QString command;
    QByteArray arguments;
    bool wait = true;
    int timeoutMs = 30000;
    static auto fields(auto &m) { return std::tie(m.command, m.arguments, m.wait, m.timeoutMs); }
};
// format: the extension of the format to write ("docx", "pdf"); empty keeps the document's.
struct Save
{
    QString path;
    QString format;
    QString options;
    static auto fields(auto &m) { return std::tie(m.path, m.format, m.options); }
};
struct TextSelection
{
    static auto fields(auto &) { return std::tie(); }
};
struct Replace
{
    QString find;
    QString replacement;
    bool matchCase = true;
    static auto fields(auto &m) { return std::tie(m.find, m.replacement, m.matchCase); }
};
// Sets a bookmark at the cursor, moving one of that name.
struct AddBookmark
{
    QString name;
    static auto fields(auto &m) { return std::tie(m.name); }
};
// Puts a picture at a bookmark: as a character, or anchored to the paragraph with text
// wrapped around it (floating).
struct InsertPicture
{
    QString mark;
    QString path;
    bool floating = false;
    static auto fields(auto &m) { return std::tie(m.mark, m.path, m.floating); }
};
// filter: the import filter LibreOffice reads the file with.
struct InsertFile
{
    QString path;
    QString filter;
    static auto fields(auto &m) { return std::tie(m.path, m.filter); }
};
struct Protect
{
    bool on = true;
    static auto fields(auto &m) { return std::tie(m.on); }
};
// Writes the active sheet alone as PDF.
struct ExportSheet
{
    QString path;
    static auto fields(auto &m) { return std::tie(m.path); }
};
struct Sheets
{
    static auto fields(auto &) { return std::tie(); }
};
// From now on, whenever the loaded document has changes that no copy holds yet, write it to
// path in format (an extension), replacing that file in one step: at once after an editing
// operation, after typing once the user pauses. An empty path keeps no copy. Ends with the
// document.
struct KeepRecovery
{
    QString path;
    QString format;
    static auto fields(auto &m) { return std::tie(m.path, m.format); }
};
// The document's last save in its recovery format reached where it belongs (uploaded, or
// saved by the user): unless it changed since, the recovery copy goes.
struct MarkSaved
{
    static auto fields(auto &) { return std::tie(); }
};
// The labels and extents of the rows and columns of the current sheet that twips shows.
struct RowColumnHeaders
{
    QRect twips;
    static auto fields(auto &m) { return std::tie(m.twips); }
};
// Puts text into the current cell as if typed there: a value, or a formula starting with '='.
struct EnterCellText
{
    QString text;
    static auto fields(auto &m) { return std::tie(m.text); }
};
// Moves the cell cursor to an address ("B3") or selects a range ("A1:C5").
struct GoToCell
{
    QString address;
    static auto fields(auto &m) { return std::tie(m.address); }
};
// A whole part (a slide) drawn small into pixels, without making it the current part.
struct PartThumbnail
{
    int part = 0;
    QSize pixels;
    static auto fields(auto &m) { return std::tie(m.part, m.pixels); }
};
// The next occurrence of text after the selection (or the cursor), or before it backward; the
// search does not go round the end of the document.
struct Find
{
    QString text;
    bool backward = false;
    bool matchCase = false;
    static auto fields(auto &m) { return std::tie(m.text, m.backward, m.matchCase); }
};
// Copies the selection, or cuts it, and hands over what LibreOffice put on its clipboard.
struct Copy
{
    bool cut = false;
    static auto fields(auto &m) { return std::tie(m.cut); }
};
// Pastes content (its formats, most wanted first) at the cursor.
struct Paste
{
    QList<ClipboardItem> items;
    static auto fields(auto &m) { return std::tie(m.items); }
};
// An input method's text while it is composed (shown at the cursor), and committed with end.
struct Composition
{
    QString text;
    bool end = false;
    static auto fields(auto &m) { return std::tie(m.text, m.end); }
};
// The pages of a text document.
struct PageRectangles
{
    static auto fields(auto &) { return std::tie(); }
};
} // namespace request

using Request =
    std::variant<request::Load, request::Close, request::Info, request::SetPart, request::Tile,
                 request::Key, request::Mouse, request::Uno, request::Save, request::TextSelection,
                 request::Replace, request::AddBookmark, request::InsertPicture,
                 request::InsertFile, request::Protect, request::ExportSheet, request::Sheets,
                 request::KeepRecovery, request::MarkSaved, request::RowColumnHeaders,
                 request::EnterCellText, request::GoToCell, request::PartThumbnail, request::Find,
                 request::Copy, request::Paste, request::Composition, request::PageRectangles>;

namespace reply {
using detail::operator==;

struct Done
{
    static auto fields(auto &) { return std::tie(); }
};
// Sizes in twips: of the whole document for text, of the current part otherwise.
struct DocumentInfo
{
    DocumentKind kind = DocumentKind::Other;
    int parts = 0;
    int part = 0;
    QList<QString> partNames;
    qint64 width = 0;
    qint64 height = 0;
    bool isProtected = false;
    static auto fields(auto &m)
    {
        return std::tie(m.kind, m.parts, m.part, m.partNames, m.width, m.height, m.isProtected);
    }
};
// Premultiplied BGRA pixels, four bytes each, rows without padding.
struct Tile
{
    int part = 0;
    QSize size;
    QByteArray pixels;
    static auto fields(auto &m) { return std::tie(m.part, m.size, m.pixels); }
};
struct Saved
{
    qint64 bytes = 0;
    static auto fields(auto &m) { return std::tie(m.bytes); }
};
struct Text
{
    QString text;
    static auto fields(auto &m) { return std::tie(m.text); }
};
// LibreOffice's result of a .uno: command; its JSON as LibreOffice wrote it. The success flag
// is unreliable for some commands, so callers judge by the effect.
struct CommandResult
{
    QString command;
    bool success = false;
    QByteArray json;
    static auto fields(auto &m) { return std::tie(m.command, m.success, m.json); }
};
struct Replaced
{
    int count = 0;
    static auto fields(auto &m) { return std::tie(m.count); }
};
// An edit that could not apply (a missing bookmark, picture or file, a protected document)
// is not an error: done is false and reason says why.
struct EditOutcome
{
    bool done = false;
    QString reason;
    static auto fields(auto &m) { return std::tie(m.done, m.reason); }
};
struct Protection
{
    bool on = false;
    static auto fields(auto &m) { return std::tie(m.on); }
};
struct SheetState
{
    QString name;
    bool visible = true;
    static auto fields(auto &m) { return std::tie(m.name, m.visible); }
};
struct SheetList
{
    QList<SheetState> sheets;
    int current = 0;
    int undoSteps = 0;
    static auto fields(auto &m) { return std::tie(m.sheets, m.current, m.undoSteps); }
};
// One row or column: its label ("B", "12") and where it starts and ends along the sheet, in
// twips.
struct HeaderSpan
{
    QString label;
    qint64 start = 0;
    qint64 end = 0;
    static auto fields(auto &m) { return std::tie(m.label, m.start, m.end); }
};
// The rows and columns that cover the twips asked for, in order.
struct RowColumnHeaders
{
    QList<HeaderSpan> rows;
    QList<HeaderSpan> columns;
    static auto fields(auto &m) { return std::tie(m.rows, m.columns); }
};
// Where a search found its text: the rectangles of the match (twips) on part; found is false,
// without rectangles, when there is no further occurrence.
struct Found
{
    bool found = false;
    int part = 0;
    QList<QRect> twips;
    static auto fields(auto &m) { return std::tie(m.found, m.part, m.twips); }
};
// What a copy put on LibreOffice's clipboard, in the formats the control passes on.
struct Clipboard
{
    QList<ClipboardItem> items;
    static auto fields(auto &m) { return std::tie(m.items); }
};
struct Rectangles
{
    QList<QRect> twips;
    static auto fields(auto &m) { return std::tie(m.twips); }
};
struct Error
{
    ErrorCode code = ErrorCode::BadRequest;
    QString message;
    static auto fields(auto &m) { return std::tie(m.code, m.message); }
};
} // namespace reply

using Reply =
    std::variant<reply::Done, reply::DocumentInfo, reply::Tile, reply::Saved, reply::Text,
                 reply::CommandResult, reply::Replaced, reply::EditOutcome, reply::Protection,
                 reply::SheetList, reply::Error, reply::RowColumnHeaders, reply::Found,
                 reply::Clipboard, reply::Rectangles>;

namespace event {
using detail::operator==;

// The engine is up; office holds LibreOffice's version information (JSON).
struct Ready
{
    int version = Version;
    QString office;
    static auto fields(auto &m) { return std::tie(m.version, m.office); }
};
// Twips to draw again; no rectangle means everything. part, when given, is the part it is on.
struct Invalidate
{
    std::optional<QRect> twips;
    std::optional<int> part;
    static auto fields(auto &m) { return std::tie(m.twips, m.part); }
};
struct CursorMoved
{
    QRect twips;
    static auto fields(auto &m) { return std::tie(m.twips); }
};
struct CursorVisible
{
    bool visible = true;
    static auto fields(auto &m) { return std::tie(m.visible); }
};
struct Selection
{
    QList<QRect> twips;
    static auto fields(auto &m) { return std::tie(m.twips); }
};
struct DocumentSize
{
    qint64 width = 0;
    qint64 height = 0;
    static auto fields(auto &m) { return std::tie(m.width, m.height); }
};
struct PartChanged
{
    int part = 0;
    static auto fields(auto &m) { return std::tie(m.part); }
};
// The state of a command as LibreOffice reports it (".uno:Bold" "true"), for controls that
// follow it.
struct StateChanged
{
    QString command;
    QString value;
    static auto fields(auto &m) { return std::tie(m.command, m.value); }
};
// The current cell of a spreadsheet moved: its address ("B3"), or a range ("A1:C5").
struct CellAddress
{
    QString address;
    static auto fields(auto &m) { return std::tie(m.address); }
};
// What the current cell holds as it is edited: its text, or its formula.
struct CellFormula
{
    QString text;
    static auto fields(auto &m) { return std::tie(m.text); }
};
// Row heights or column widths changed: headers asked for before are out of date.
struct HeadersChanged
{
    static auto fields(auto &) { return std::tie(); }
};
} // namespace event

using Event =
    std::variant<event::Ready, event::Invalidate, event::CursorMoved, event::CursorVisible,
                 event::Selection, event::DocumentSize, event::PartChanged, event::StateChanged,
                 event::CellAddress, event::CellFormula, event::HeadersChanged>;

struct RequestFrame
{
    quint64 id = 0;
    Request request;
    static auto fields(auto &m) { return std::tie(m.id, m.request); }
};
struct ReplyFrame
{
    quint64 id = 0;
    Reply reply;
    static auto fields(auto &m) { return std::tie(m.id, m.reply); }
};
struct EventFrame
{
    Event event;
    static auto fields(auto &m) { return std::tie(m.event); }
};
using Frame = std::variant<RequestFrame, ReplyFrame, EventFrame>;

} // namespace engineprotocol
