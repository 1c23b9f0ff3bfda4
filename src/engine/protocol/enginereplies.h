#pragma once

#include "messagebase.h"

// The engine's answers, one per request.
namespace engineprotocol {

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
    // The document names content kept elsewhere (linked pictures, objects, sections, other
    // workbooks, web services), which the engine does not fetch unless allowed to.
    bool namesExternalContent = false;
    static auto fields(auto &m)
    {
        return std::tie(m.kind, m.parts, m.part, m.partNames, m.width, m.height, m.isProtected,
                        m.namesExternalContent);
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
struct ChangeList
{
    QList<TrackedChange> changes;
    static auto fields(auto &m) { return std::tie(m.changes); }
};
struct CommentList
{
    QList<Comment> comments;
    static auto fields(auto &m) { return std::tie(m.comments); }
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
                 reply::Clipboard, reply::Rectangles, reply::ChangeList, reply::CommentList>;

} // namespace engineprotocol
