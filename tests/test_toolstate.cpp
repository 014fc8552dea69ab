// Tool selection: the seven Drawing commands and the flags they set, checked
// against the tool table of the test support.
#include "test_support.h"

#include <string>

#include "app/resource.h"
#include "model/drawing.h"

namespace {

void SetAllToolFlags(bool value)
{
    toolState.rectangleTool = toolState.filledRectangle = value;
    toolState.ellipseTool = toolState.filledEllipse = value;
    toolState.lineTool = toolState.pencilTool = toolState.eraserTool = value;
}

class ToolCommandTest : public MainWindowTest, public ::testing::WithParamInterface<Tool> {};

// Every cell of a command's row is an assignment: starting from all seven
// flags true shows each false cell being written, starting from all false
// each true one. Accelerators send their command with 1 in the high word of
// WPARAM, menus with 0; the high word is ignored.
TEST_P(ToolCommandTest, AssignsAllSevenToolFlagsWhateverTheHighWord)
{
    const Tool& tool = GetParam();
    for (bool before : {true, false}) {
        for (WORD code : {WORD(0), WORD(1), WORD(0xFFFF)}) {
            SCOPED_TRACE(::testing::Message()
                         << "all flags " << before << " before, notification code " << code);
            SetAllToolFlags(before);
            EXPECT_EQ(0, Send(WM_COMMAND, MAKEWPARAM(tool.command, code), 0));
            EXPECT_EQ(tool.flags, toolState);
        }
    }
    EXPECT_TRUE(SelectTool(tool.command));
}

INSTANTIATE_TEST_SUITE_P(DrawingMenu, ToolCommandTest, ::testing::ValuesIn(tools), PrintedName());

using ToolSelectionTest = MainWindowTest;

TEST_F(ToolSelectionTest, NoToolIsChosenAtStart)
{
    EXPECT_EQ(ToolState{}, toolState);
}

// Each command, whatever came before it (itself included), leaves exactly its
// own row: nothing of the previous choice survives.
TEST_F(ToolSelectionTest, EveryCommandAfterEveryOtherLeavesItsOwnRow)
{
    for (const Tool& first : tools) {
        for (const Tool& second : tools) {
            SCOPED_TRACE(::testing::Message() << first.name << " then " << second.name);
            ASSERT_EQ(0, Command(first.command));
            ASSERT_EQ(0, Command(second.command));
            EXPECT_EQ(second.flags, toolState);
        }
    }
}

TEST_F(ToolSelectionTest, OutlinedShapeAfterFilledDrawsOutlined)
{
    for (unsigned outlined : {CmdRectangle, CmdEllipse}) {
        const Tool& tool = ToolOf(outlined);
        const Tool& filled =
            ToolOf(outlined == CmdRectangle ? CmdFilledRectangle : CmdFilledEllipse);
        SCOPED_TRACE(tool.name);
        Command(filled.command);
        Press(10, 10);
        Release(40, 30);
        Command(tool.command);
        EXPECT_EQ(tool.flags, toolState);
        Press(50, 50);
        Release(80, 70);
        EXPECT_EQ((std::vector<Shape>{{tool.kind, 10, 10, 40, 30, black, true},
                                      {tool.kind, 50, 50, 80, 70, black, false}}),
                  ShapesOf(tool.kind));
    }
}

// A tool command sets the seven tool flags and nothing else: the button-down
// flags belong to the gestures (a stroke in progress stays in progress, and
// none is started), no record is made, and nothing is repainted.
TEST_F(ToolSelectionTest, CommandsChangeOnlyTheToolFlags)
{
    ExpectUpdateRegionObservable();
    for (bool down : {false, true}) {
        if (down) {
            Command(CmdPencil);
            Press(5, 5);
            Command(CmdEraser);
            Press(5, 5);
            Validate();
        }
        for (const Tool& tool : tools) {
            SCOPED_TRACE(::testing::Message() << tool.name << (down ? " during strokes" : ""));
            Command(tool.command);
            ToolState expected = tool.flags;
            expected.pencilDown = expected.eraserDown = down;
            EXPECT_EQ(expected, toolState);
            EXPECT_EQ(RECT{}, UpdateBox());
            EXPECT_EQ(0, RecordCount());
            EXPECT_TRUE(CountsMatchLists());
        }
    }
}

// Any other command is no tool: SelectTool says so and changes no flag.
TEST_F(ToolSelectionTest, OtherCommandsSelectNoTool)
{
    for (bool before : {true, false}) {
        for (unsigned command : {0u, unsigned(CmdClear), unsigned(CmdAbout), 32781u}) {
            SCOPED_TRACE(::testing::Message() << "command " << command << ", flags " << before);
            SetAllToolFlags(before);
            const ToolState flags = toolState;
            EXPECT_FALSE(SelectTool(command));
            EXPECT_EQ(flags, toolState);
        }
    }
}

TEST_F(ToolSelectionTest, ClearKeepsTheChosenTool)
{
    for (const Tool& tool : tools) {
        SCOPED_TRACE(tool.name);
        Command(tool.command);
        EXPECT_EQ(0, Command(CmdClear));
        EXPECT_EQ(tool.flags, toolState);
    }
}

} // namespace
