// Tool selection: the seven Drawing commands and the flags they set.
#include "test_support.h"

#include <ostream>

#include "app/resource.h"
#include "model/drawing.h"
#include "tools/toolstate.h"

namespace {

// The seven tool flags, in the order the Drawing menu's table lists them.
struct ToolFlags {
    bool rectangleTool, filledRectangle, ellipseTool, filledEllipse;
    bool lineTool, pencilTool, eraserTool;

    bool operator==(const ToolFlags& other) const
    {
        return rectangleTool == other.rectangleTool && filledRectangle == other.filledRectangle &&
               ellipseTool == other.ellipseTool && filledEllipse == other.filledEllipse &&
               lineTool == other.lineTool && pencilTool == other.pencilTool &&
               eraserTool == other.eraserTool;
    }
};

std::ostream& operator<<(std::ostream& out, const ToolFlags& f)
{
    return out << "{rect " << f.rectangleTool << " filledRect " << f.filledRectangle << " ellipse "
               << f.ellipseTool << " filledEllipse " << f.filledEllipse << " line " << f.lineTool
               << " pencil " << f.pencilTool << " eraser " << f.eraserTool << "}";
}

ToolFlags CurrentFlags()
{
    const ToolState& t = toolState;
    return ToolFlags{t.rectangleTool, t.filledRectangle, t.ellipseTool, t.filledEllipse,
                     t.lineTool,      t.pencilTool,      t.eraserTool};
}

void SetAllToolFlags(bool value)
{
    toolState.rectangleTool = toolState.filledRectangle = value;
    toolState.ellipseTool = toolState.filledEllipse = value;
    toolState.lineTool = toolState.pencilTool = toolState.eraserTool = value;
}

struct ToolRow {
    const char* name;
    unsigned command;
    ToolFlags flags;
};

const ToolRow toolRows[] = {
    //                                     rect   filled ellipse filled line   pencil eraser
    {"Rectangle", CmdRectangle, {true, false, false, false, false, false, false}},
    {"Ellipse", CmdEllipse, {false, false, true, false, false, false, false}},
    {"FilledRectangle", CmdFilledRectangle, {true, true, false, false, false, false, false}},
    {"FilledEllipse", CmdFilledEllipse, {false, false, true, true, false, false, false}},
    {"LineTool", CmdLineTool, {false, false, false, false, true, false, false}},
    {"Pencil", CmdPencil, {false, false, false, false, false, true, false}},
    {"Eraser", CmdEraser, {false, false, false, false, false, false, true}},
};

void PrintTo(const ToolRow& row, std::ostream* out)
{
    *out << row.name;
}

class ToolCommandTest : public MainWindowTest, public ::testing::WithParamInterface<ToolRow> {};

// Every cell of a command's row is an assignment: starting from all seven flags
// true shows each false cell being written, starting from all false each true one.
TEST_P(ToolCommandTest, AssignsAllSevenToolFlags)
{
    const ToolRow& row = GetParam();
    for (bool before : {true, false}) {
        SCOPED_TRACE(::testing::Message() << "all flags " << before << " before");
        SetAllToolFlags(before);
        EXPECT_EQ(0, Command(row.command));
        EXPECT_EQ(row.flags, CurrentFlags());
    }
}

// Accelerators send their command with 1 in the high word of WPARAM; menus with 0.
TEST_P(ToolCommandTest, HighWordOfWParamIsIgnored)
{
    const ToolRow& row = GetParam();
    for (WORD code : {WORD(0), WORD(1), WORD(0xFFFF)}) {
        SCOPED_TRACE(::testing::Message() << "notification code " << code);
        SetAllToolFlags(true);
        EXPECT_EQ(0, Send(WM_COMMAND, MAKEWPARAM(row.command, code), 0));
        EXPECT_EQ(row.flags, CurrentFlags());
    }
}

INSTANTIATE_TEST_SUITE_P(DrawingMenu, ToolCommandTest, ::testing::ValuesIn(toolRows),
                         [](const ::testing::TestParamInfo<ToolRow>& info) {
                             return std::string(info.param.name);
                         });

using ToolSelectionTest = MainWindowTest;

TEST_F(ToolSelectionTest, NoToolIsChosenAtStart)
{
    EXPECT_EQ((ToolFlags{false, false, false, false, false, false, false}), CurrentFlags());
    EXPECT_FALSE(toolState.pencilDown);
    EXPECT_FALSE(toolState.eraserDown);
}

// Each command, whatever came before it (itself included), leaves exactly its
// own row: nothing of the previous choice survives.
TEST_F(ToolSelectionTest, EveryCommandAfterEveryOtherLeavesItsOwnRow)
{
    for (const ToolRow& first : toolRows) {
        for (const ToolRow& second : toolRows) {
            SCOPED_TRACE(::testing::Message() << first.name << " then " << second.name);
            ASSERT_EQ(0, Command(first.command));
            ASSERT_EQ(0, Command(second.command));
            EXPECT_EQ(second.flags, CurrentFlags());
        }
    }
}

TEST_F(ToolSelectionTest, OutlinedRectangleAfterFilledDrawsOutlined)
{
    Command(CmdFilledRectangle);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MouseAt(10, 10));
    Send(WM_LBUTTONUP, 0, MouseAt(40, 30));
    Command(CmdRectangle);
    EXPECT_TRUE(toolState.rectangleTool);
    EXPECT_FALSE(toolState.filledRectangle);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MouseAt(50, 50));
    Send(WM_LBUTTONUP, 0, MouseAt(80, 70));

    ASSERT_EQ(2, drawingLists.rectangleCount);
    EXPECT_TRUE(drawingLists.rectangleList[0].getFilled());
    EXPECT_FALSE(drawingLists.rectangleList[1].getFilled());
}

TEST_F(ToolSelectionTest, OutlinedEllipseAfterFilledDrawsOutlined)
{
    Command(CmdFilledEllipse);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MouseAt(10, 10));
    Send(WM_LBUTTONUP, 0, MouseAt(40, 30));
    Command(CmdEllipse);
    EXPECT_TRUE(toolState.ellipseTool);
    EXPECT_FALSE(toolState.filledEllipse);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MouseAt(50, 50));
    Send(WM_LBUTTONUP, 0, MouseAt(80, 70));

    ASSERT_EQ(2, drawingLists.circleCount);
    EXPECT_TRUE(drawingLists.circleList[0].getFilled());
    EXPECT_FALSE(drawingLists.circleList[1].getFilled());
}

// The button-down flags belong to the gestures: a stroke in progress stays in
// progress across tool changes, and none is started by one.
TEST_F(ToolSelectionTest, CommandsLeaveButtonDownFlags)
{
    for (const ToolRow& row : toolRows) {
        SCOPED_TRACE(row.name);
        Command(row.command);
        EXPECT_FALSE(toolState.pencilDown);
        EXPECT_FALSE(toolState.eraserDown);
    }

    Command(CmdPencil);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MouseAt(5, 5));
    Command(CmdEraser);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MouseAt(5, 5));
    ASSERT_TRUE(toolState.pencilDown);
    ASSERT_TRUE(toolState.eraserDown);
    for (const ToolRow& row : toolRows) {
        SCOPED_TRACE(row.name);
        Command(row.command);
        EXPECT_TRUE(toolState.pencilDown);
        EXPECT_TRUE(toolState.eraserDown);
    }
}

TEST_F(ToolSelectionTest, CommandsDoNotInvalidate)
{
    // The update region must be observable here, or the check below proves nothing.
    InvalidateRect(window, nullptr, FALSE);
    RECT control = UpdateBox();
    ASSERT_FALSE(IsRectEmpty(&control));
    Validate();

    for (const ToolRow& row : toolRows) {
        SCOPED_TRACE(row.name);
        Command(row.command);
        RECT box = UpdateBox();
        EXPECT_TRUE(IsRectEmpty(&box))
            << "update box " << box.left << "," << box.top << "," << box.right << "," << box.bottom;
    }
}

TEST_F(ToolSelectionTest, ClearKeepsTheChosenTool)
{
    for (const ToolRow& row : toolRows) {
        SCOPED_TRACE(row.name);
        Command(row.command);
        EXPECT_EQ(0, Command(CmdClear));
        EXPECT_EQ(row.flags, CurrentFlags());
    }
}

TEST_F(ToolSelectionTest, CommandsCreateNoRecord)
{
    for (const ToolRow& row : toolRows)
        Command(row.command);
    const DrawingLists& d = drawingLists;
    EXPECT_EQ(0, d.rectangleCount + d.circleCount + d.lineCount + d.pencilCount + d.eraserCount);
    EXPECT_TRUE(d.rectangleList.empty() && d.circleList.empty() && d.lineList.empty() &&
                d.pencilList.empty() && d.eraserList.empty());
}

} // namespace
