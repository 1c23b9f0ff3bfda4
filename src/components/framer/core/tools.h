#pragma once

#include "core/commandstates.h"
#include "enginemessages.h"

#include <QList>
#include <QString>

#include <optional>

// The editing tools the control offers above its document, what each runs in LibreOffice and
// how each shows the document's state.
namespace framer {

enum class Tool {
    Undo,
    Redo,
    Cut,
    Copy,
    Paste,
    FontName,
    FontSize,
    Bold,
    Italic,
    Underline,
    FontColor,
    AlignLeft,
    AlignCenter,
    AlignRight,
    Bullets,
    Numbering,
    InsertTable,
    Zoom,
    Find,
    Print,
    PrintPreview,
    TrackChanges,
    ShowChanges,
    PreviousChange,
    NextChange,
    AcceptChange,
    RejectChange,
    AcceptAllChanges,
    RejectAllChanges,
    InsertComment,
    CompareDocuments,
};

struct ToolInfo
{
    Tool tool;
    // What a screen reader calls it, as office programs name it.
    QString name;
    // The keys that do the same, for the tooltip; empty when none do.
    QString shortcut;
    // Changes the document, so it is off while the document is protected or read-only.
    bool edits = true;
    // Shows whether it is on where the cursor is.
    bool toggles = false;
};

// Every tool, in the order the tool bar shows them.
const QList<ToolInfo> &toolTable();
const ToolInfo &toolInfo(Tool tool);
// "加粗 (Ctrl+B)", or the name alone.
QString toolTipText(const ToolInfo &info);

// The tools of the review group (changes and comments), which text documents have.
bool isReviewTool(Tool tool);
// Whether a document of kind has the tool: spreadsheets have no bullets, numbering or tables,
// only text documents have the review tools, but for 批注, which spreadsheets have too.
bool appliesTo(Tool tool, engineprotocol::DocumentKind kind);
// The .uno: command the tool runs and follows in a document of kind; empty for tools that
// run none of their own (the clipboard, zoom, find, printing) or that take a value.
QString toolCommand(Tool tool, engineprotocol::DocumentKind kind);
// The command whose state the tool shows; the one it runs, the font's or the size's.
QString followedCommand(Tool tool, engineprotocol::DocumentKind kind);

struct ToolState
{
    bool visible = true;
    bool enabled = false;
    bool checked = false;
    // The font's name or size where the cursor is.
    QString value;

    bool operator==(const ToolState &other) const = default;
};

struct DocumentSituation
{
    // Nothing loaded.
    std::optional<engineprotocol::DocumentKind> kind;
    bool isProtected = false;
    // Another operation of the control is under way.
    bool busy = false;
    // Shown read-only by the control's setting.
    bool readOnly = false;
};

// How a tool shows: hidden for documents it does not apply to, off without a document, while
// busy, or (when it edits) while protected or read-only, else as LibreOffice reports its
// command.
ToolState toolState(Tool tool, const DocumentSituation &situation, const CommandStates &states);

} // namespace framer
