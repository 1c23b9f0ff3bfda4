#pragma once

#include "messagebase.h"

// What the document control asks of the office engine.
namespace engineprotocol {

namespace request {
using detail::operator==;

// The document loads with the user's settings, which stay until changed (ApplySettings).
struct Load
{
    QString path;
    UserSettings settings;
    static auto fields(auto &m) { return std::tie(m.path, m.settings); }
};
// The user's settings, for the loaded document and the ones loaded after it.
struct ApplySettings
{
    UserSettings settings;
    static auto fields(auto &m) { return std::tie(m.settings); }
};
// The changes recorded in a text document.
struct TrackedChanges
{
    static auto fields(auto &) { return std::tie(); }
};
enum class ReviewAction {
    Record,   // record changes (on) or stop (off)
    Show,     // show recorded changes (on) or hide them (off)
    GoTo,     // select change id
    Next,     // select the next change after the cursor
    Previous, // select the one before it
    Accept,   // accept change id; the one at the cursor when id is 0
    Reject,   // reject it
    AcceptAll,
    RejectAll,
};
struct Review
{
    ReviewAction action = ReviewAction::Next;
    int id = 0;
    bool on = true;
    static auto fields(auto &m) { return std::tie(m.action, m.id, m.on); }
};
// Compares the loaded text document with the one at path, an earlier version: what differs
// becomes tracked changes in the loaded one.
struct Compare
{
    QString path;
    static auto fields(auto &m) { return std::tie(m.path); }
};
// The comments of a text document.
struct Comments
{
    static auto fields(auto &) { return std::tie(); }
};
enum class CommentOperation {
    Insert, // a new comment with text on the selection (at the cursor without one)
    Reply,  // an answer with text to comment id
    Edit,   // comment id's text becomes text
    Delete, // comment id goes, with its replies
    GoTo,   // the cursor goes to where comment id is anchored
};
struct CommentAction
{
    CommentOperation operation = CommentOperation::Insert;
    int id = 0;
    QString text;
    static auto fields(auto &m) { return std::tie(m.operation, m.id, m.text); }
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
                 request::Copy, request::Paste, request::Composition, request::PageRectangles,
                 request::ApplySettings, request::TrackedChanges, request::Review,
                 request::Comments, request::CommentAction, request::Compare>;

} // namespace engineprotocol
