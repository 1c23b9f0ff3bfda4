#include "core/tools.h"

#include <algorithm>

using engineprotocol::DocumentKind;

namespace framer {

const QList<ToolInfo> &toolTable()
{
    static const QList<ToolInfo> table{
        {Tool::Undo, QStringLiteral("撤销"), QStringLiteral("Ctrl+Z")},
        {Tool::Redo, QStringLiteral("恢复"), QStringLiteral("Ctrl+Y")},
        {Tool::Cut, QStringLiteral("剪切"), QStringLiteral("Ctrl+X")},
        {Tool::Copy, QStringLiteral("复制"), QStringLiteral("Ctrl+C"), false},
        {Tool::Paste, QStringLiteral("粘贴"), QStringLiteral("Ctrl+V")},
        {Tool::FontName, QStringLiteral("字体"), {}},
        {Tool::FontSize, QStringLiteral("字号"), {}},
        {Tool::Bold, QStringLiteral("加粗"), QStringLiteral("Ctrl+B"), true, true},
        {Tool::Italic, QStringLiteral("倾斜"), QStringLiteral("Ctrl+I"), true, true},
        {Tool::Underline, QStringLiteral("下划线"), QStringLiteral("Ctrl+U"), true, true},
        {Tool::FontColor, QStringLiteral("字体颜色"), {}},
        {Tool::AlignLeft, QStringLiteral("左对齐"), QStringLiteral("Ctrl+L"), true, true},
        {Tool::AlignCenter, QStringLiteral("居中"), QStringLiteral("Ctrl+E"), true, true},
        {Tool::AlignRight, QStringLiteral("右对齐"), QStringLiteral("Ctrl+R"), true, true},
        {Tool::Bullets, QStringLiteral("项目符号"), QStringLiteral("Shift+F12"), true, true},
        {Tool::Numbering, QStringLiteral("编号"), QStringLiteral("F12"), true, true},
        {Tool::InsertTable, QStringLiteral("插入表格"), {}},
        {Tool::Zoom, QStringLiteral("缩放"), QStringLiteral("Ctrl+滚轮, Ctrl++, Ctrl+-"), false},
        {Tool::Find, QStringLiteral("查找"), QStringLiteral("Ctrl+F"), false},
        {Tool::Print, QStringLiteral("打印"), QStringLiteral("Ctrl+P"), false},
        {Tool::PrintPreview, QStringLiteral("打印预览"), {}, false},
        {Tool::TrackChanges, QStringLiteral("修订"), QStringLiteral("Ctrl+Shift+C"), true, true},
        {Tool::ShowChanges, QStringLiteral("显示修订"), {}, false, true},
        {Tool::PreviousChange, QStringLiteral("上一处"), {}, false},
        {Tool::NextChange, QStringLiteral("下一处"), {}, false},
        {Tool::AcceptChange, QStringLiteral("接受"), {}},
        {Tool::RejectChange, QStringLiteral("拒绝"), {}},
        {Tool::AcceptAllChanges, QStringLiteral("全部接受"), {}},
        {Tool::RejectAllChanges, QStringLiteral("全部拒绝"), {}},
        {Tool::InsertComment, QStringLiteral("批注"), {}},
        {Tool::CompareDocuments, QStringLiteral("比较"), {}},
    };
    return table;
}

const ToolInfo &toolInfo(Tool tool)
{
    const QList<ToolInfo> &table = toolTable();
    return *std::find_if(table.cbegin(), table.cend(),
                         [tool](const ToolInfo &info) { return info.tool == tool; });
}

QString toolTipText(const ToolInfo &info)
{
    return info.shortcut.isEmpty() ? info.name
                                   : QStringLiteral("%1 (%2)").arg(info.name, info.shortcut);
}

bool isReviewTool(Tool tool)
{
    return tool >= Tool::TrackChanges && tool <= Tool::CompareDocuments;
}

bool appliesTo(Tool tool, DocumentKind kind)
{
    if (tool == Tool::InsertComment) // on a cell, on a slide
        return kind == DocumentKind::Text || kind == DocumentKind::Spreadsheet ||
               kind == DocumentKind::Presentation;
    // A spreadsheet records its changes; LibreOffice decides on them in a dialog of its own.
    if (isReviewTool(tool))
        return kind == DocumentKind::Text ||
               (kind == DocumentKind::Spreadsheet && tool == Tool::TrackChanges);
    const bool lists = tool == Tool::Bullets || tool == Tool::Numbering;
    if (kind == DocumentKind::Spreadsheet)
        return !lists && tool != Tool::InsertTable;
    if (kind == DocumentKind::Drawing || kind == DocumentKind::Other)
        return !lists && tool != Tool::InsertTable;
    return true;
}

QString toolCommand(Tool tool, DocumentKind kind)
{
    const bool sheet = kind == DocumentKind::Spreadsheet;
    switch (tool) {
    case Tool::Undo:
        return QStringLiteral(".uno:Undo");
    case Tool::Redo:
        return QStringLiteral(".uno:Redo");
    case Tool::Bold:
        return QStringLiteral(".uno:Bold");
    case Tool::Italic:
        return QStringLiteral(".uno:Italic");
    case Tool::Underline:
        return QStringLiteral(".uno:Underline");
    case Tool::AlignLeft:
        return sheet ? QStringLiteral(".uno:AlignLeft") : QStringLiteral(".uno:LeftPara");
    case Tool::AlignCenter:
        return sheet ? QStringLiteral(".uno:AlignHorizontalCenter")
                     : QStringLiteral(".uno:CenterPara");
    case Tool::AlignRight:
        return sheet ? QStringLiteral(".uno:AlignRight") : QStringLiteral(".uno:RightPara");
    case Tool::Bullets:
        return QStringLiteral(".uno:DefaultBullet");
    case Tool::Numbering:
        return QStringLiteral(".uno:DefaultNumbering");
    case Tool::TrackChanges:
        return sheet ? QStringLiteral(".uno:TraceChangeMode") : QStringLiteral(".uno:TrackChanges");
    case Tool::ShowChanges:
        return QStringLiteral(".uno:ShowTrackedChanges");
    case Tool::PreviousChange:
        return QStringLiteral(".uno:PreviousTrackedChange");
    case Tool::NextChange:
        return QStringLiteral(".uno:NextTrackedChange");
    case Tool::AcceptChange:
        return QStringLiteral(".uno:AcceptTrackedChange");
    case Tool::RejectChange:
        return QStringLiteral(".uno:RejectTrackedChange");
    case Tool::AcceptAllChanges:
        return QStringLiteral(".uno:AcceptAllTrackedChanges");
    case Tool::RejectAllChanges:
        return QStringLiteral(".uno:RejectAllTrackedChanges");
    default:
        return {};
    }
}

QString followedCommand(Tool tool, DocumentKind kind)
{
    // Paste follows the desktop's clipboard, not LibreOffice's own.
    switch (tool) {
    case Tool::Cut:
        return QStringLiteral(".uno:Cut");
    case Tool::Copy:
        return QStringLiteral(".uno:Copy");
    case Tool::FontName:
        return QStringLiteral(".uno:CharFontName");
    case Tool::FontSize:
        return QStringLiteral(".uno:FontHeight");
    case Tool::FontColor:
        return QStringLiteral(".uno:Color");
    default:
        return toolCommand(tool, kind);
    }
}

ToolState toolState(Tool tool, const DocumentSituation &situation, const CommandStates &states)
{
    ToolState state;
    if (!situation.kind)
        return state;
    const ToolInfo &info = toolInfo(tool);
    state.visible = appliesTo(tool, *situation.kind);
    if (!state.visible || situation.busy ||
        (info.edits && (situation.isProtected || situation.readOnly)))
        return state;
    const QString command = followedCommand(tool, *situation.kind);
    const CommandState reported = command.isEmpty() ? CommandState() : states.state(command);
    state.enabled = reported.enabled;
    state.checked = info.toggles && reported.checked;
    // A selection of several sizes reports size 0.
    const bool mixedSizes = tool == Tool::FontSize && reported.value == QLatin1String("0");
    state.value = mixedSizes ? QString() : reported.value;
    return state;
}

} // namespace framer
