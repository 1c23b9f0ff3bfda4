#pragma once

#include "messagebase.h"

// What the engine reports on its own, between answers.
namespace engineprotocol {

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
// Changes were recorded, accepted or rejected: a list of them asked for before is out of date.
struct TrackedChangesChanged
{
    static auto fields(auto &) { return std::tie(); }
};
// A comment was added, answered, edited or removed: a list of them asked for before is out of
// date.
struct CommentsChanged
{
    static auto fields(auto &) { return std::tie(); }
};
} // namespace event

using Event =
    std::variant<event::Ready, event::Invalidate, event::CursorMoved, event::CursorVisible,
                 event::Selection, event::DocumentSize, event::PartChanged, event::StateChanged,
                 event::CellAddress, event::CellFormula, event::HeadersChanged,
                 event::TrackedChangesChanged, event::CommentsChanged>;

} // namespace engineprotocol
