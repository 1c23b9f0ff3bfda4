#include "core/tools.h"

#include <QSet>

#include <gtest/gtest.h>

using engineprotocol::DocumentKind;
using framer::CommandStates;
using framer::DocumentSituation;
using framer::Tool;
using framer::ToolState;

namespace {

TEST(ToolTable, namesTheToolsAsOfficeProgramsDo_inTheBarsOrder)
{
    QStringList names;
    for (const framer::ToolInfo &info : framer::toolTable())
        names << info.name;
    EXPECT_EQ(names, QString("撤销 恢复 剪切 复制 粘贴 字体 字号 加粗 倾斜 下划线 字体颜色 "
                             "左对齐 居中 右对齐 项目符号 编号 插入表格 缩放 查找 打印 打印预览 "
                             "修订 显示修订 上一处 下一处 接受 拒绝 全部接受 全部拒绝 批注 比较")
                         .split(QLatin1Char(' ')));
    EXPECT_EQ(framer::toolTipText(framer::toolInfo(Tool::Bold)), QStringLiteral("加粗 (Ctrl+B)"));
    EXPECT_EQ(framer::toolTipText(framer::toolInfo(Tool::FontName)), QStringLiteral("字体"));
}

TEST(ToolTable, spreadsheetsHaveNoListsOrTables_andAlignCellsWithTheirOwnCommands)
{
    QSet<Tool> missing;
    for (const framer::ToolInfo &info : framer::toolTable())
        if (!framer::appliesTo(info.tool, DocumentKind::Spreadsheet))
            missing << info.tool;
    QSet<Tool> expected{Tool::Bullets, Tool::Numbering, Tool::InsertTable};
    for (const framer::ToolInfo &info : framer::toolTable()) {
        EXPECT_TRUE(framer::appliesTo(info.tool, DocumentKind::Text)) << info.name.toStdString();
        // Only text documents record changes here; slides take comments.
        EXPECT_EQ(framer::appliesTo(info.tool, DocumentKind::Presentation),
                  !framer::isReviewTool(info.tool) || info.tool == Tool::InsertComment)
            << info.name.toStdString();
        // Cells take comments and record changes, and only those of the review tools.
        if (framer::isReviewTool(info.tool) && info.tool != Tool::InsertComment &&
            info.tool != Tool::TrackChanges)
            expected << info.tool;
    }
    EXPECT_EQ(missing, expected);
    EXPECT_EQ(framer::toolCommand(Tool::AlignCenter, DocumentKind::Spreadsheet),
              QStringLiteral(".uno:AlignHorizontalCenter"));
    EXPECT_EQ(framer::toolCommand(Tool::AlignCenter, DocumentKind::Text),
              QStringLiteral(".uno:CenterPara"));
    EXPECT_EQ(framer::toolCommand(Tool::TrackChanges, DocumentKind::Spreadsheet),
              QStringLiteral(".uno:TraceChangeMode"));
}

struct StateCase
{
    const char *name;
    Tool tool;
    DocumentSituation situation;
    QList<QPair<QString, QString>> reported; // what LibreOffice said, in order
    ToolState expected;
};

void PrintTo(const StateCase &c, std::ostream *out)
{
    *out << c.name;
}

class ToolStateTest : public ::testing::TestWithParam<StateCase>
{
};

TEST_P(ToolStateTest, toolShows_theDocumentsStateAndSituation)
{
    CommandStates states;
    for (const auto &[command, value] : GetParam().reported)
        states.apply(command, value);
    EXPECT_EQ(framer::toolState(GetParam().tool, GetParam().situation, states),
              GetParam().expected);
}

const DocumentSituation Text{DocumentKind::Text};
const DocumentSituation Protected{DocumentKind::Text, true};
const DocumentSituation Busy{DocumentKind::Text, false, true};
const DocumentSituation Sheet{DocumentKind::Spreadsheet};
const DocumentSituation ReadOnly{DocumentKind::Text, false, false, true};

INSTANTIATE_TEST_SUITE_P(
    States, ToolStateTest,
    ::testing::Values(
        StateCase{"noDocument_off", Tool::Bold, {}, {}, {true, false, false, {}}},
        StateCase{"boldWhereTheCursorIs",
                  Tool::Bold,
                  Text,
                  {{".uno:Bold", "true"}},
                  {true, true, true, {}}},
        StateCase{"boldThenPlain",
                  Tool::Bold,
                  Text,
                  {{".uno:Bold", "true"}, {".uno:Bold", "false"}},
                  {true, true, false, {}}},
        StateCase{"nothingToUndo",
                  Tool::Undo,
                  Text,
                  {{".uno:Undo", "disabled"}},
                  {true, false, false, {}}},
        StateCase{"somethingToUndo",
                  Tool::Undo,
                  Text,
                  {{".uno:Undo", "disabled"}, {".uno:Undo", "enabled"}},
                  {true, true, false, {}}},
        StateCase{"fontName",
                  Tool::FontName,
                  Text,
                  {{".uno:CharFontName", "DejaVu Serif"}},
                  {true, true, false, "DejaVu Serif"}},
        StateCase{"fontSize",
                  Tool::FontSize,
                  Text,
                  {{".uno:FontHeight", "10.5"}},
                  {true, true, false, "10.5"}},
        StateCase{"mixedSizes_empty",
                  Tool::FontSize,
                  Text,
                  {{".uno:FontHeight", "0"}},
                  {true, true, false, {}}},
        StateCase{"copyWithoutSelection_off",
                  Tool::Copy,
                  Text,
                  {{".uno:Copy", "disabled"}},
                  {true, false, false, {}}},
        StateCase{"pasteFollowsTheDesktop_notLibreOffice",
                  Tool::Paste,
                  Text,
                  {{".uno:Paste", "disabled"}},
                  {true, true, false, {}}},
        StateCase{"protected_boldOffAndStaysOff",
                  Tool::Bold,
                  Protected,
                  {{".uno:Bold", "enabled"}, {".uno:Bold", "true"}},
                  {true, false, false, {}}},
        StateCase{"protected_copyWorks",
                  Tool::Copy,
                  Protected,
                  {{".uno:Copy", "enabled"}},
                  {true, true, false, {}}},
        StateCase{"protected_findWorks", Tool::Find, Protected, {}, {true, true, false, {}}},
        StateCase{"protected_zoomWorks", Tool::Zoom, Protected, {}, {true, true, false, {}}},
        StateCase{"protected_pasteOff", Tool::Paste, Protected, {}, {true, false, false, {}}},
        StateCase{"busy_findOff", Tool::Find, Busy, {}, {true, false, false, {}}},
        StateCase{"readOnly_boldOff",
                  Tool::Bold,
                  ReadOnly,
                  {{".uno:Bold", "enabled"}},
                  {true, false, false, {}}},
        StateCase{
            "readOnly_nextChangeWorks", Tool::NextChange, ReadOnly, {}, {true, true, false, {}}},
        StateCase{"recordingChanges",
                  Tool::TrackChanges,
                  Text,
                  {{".uno:TrackChanges", "true"}},
                  {true, true, true, {}}},
        StateCase{"sheet_hidesBullets", Tool::Bullets, Sheet, {}, {false, false, false, {}}},
        StateCase{"sheet_centreFollowsItsCommand",
                  Tool::AlignCenter,
                  Sheet,
                  {{".uno:CenterPara", "false"}, {".uno:AlignHorizontalCenter", "true"}},
                  {true, true, true, {}}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(CommandStates, apply_saysWhetherTheStateChanged)
{
    CommandStates states;
    EXPECT_TRUE(states.apply(".uno:Bold", "true"));
    EXPECT_FALSE(states.apply(".uno:Bold", "true"));
    EXPECT_TRUE(states.apply(".uno:Bold", "false"));
    EXPECT_TRUE(states.apply(".uno:CharFontName", ""));
    states.clear();
    EXPECT_EQ(states.state(".uno:Bold"), framer::CommandState());
}

} // namespace
