// Mouse gestures: presses, moves and releases sent to the real main window,
// and the records they leave in the drawing lists. One table, a row per case,
// each row run once for every tool it names.
#include "test_support.h"

#include <string>
#include <vector>

#include "app/resource.h"
#include "model/drawing.h"
#include "tools/colour.h"
#include "tools/gestures.h"

namespace {

// Steps of a row. Choose takes a command in x, or 0 for the row's own tool;
// Colour sets the current colour to x. The Expect steps check along the way:
// Records the number of records in all lists; Down the button-down flags of
// the row's stroke (the pencil's for other tools) and of the other stroke;
// Invalid nothing pending (x 0) or the whole client area (x 1); Mouse the
// point most recently taken; NoPointTaken that every gesture point is (0, 0).
enum class Op {
    Choose,
    Press,
    Drag,  // a move with the button held
    Hover, // a move with no button held
    Release,
    Colour,
    Clear,
    Validate,
    Records,
    Down,
    Invalid,
    Mouse,
    NoPointTaken
};

struct Step {
    Op op;
    int x = 0, y = 0;
};

void PrintTo(const Step& step, std::ostream* out)
{
    const char* names[] = {"Choose",  "Press", "Drag",        "Hover",   "Release",
                           "Colour",  "Clear", "Validate",    "Records", "Down",
                           "Invalid", "Mouse", "NoPointTaken"};
    *out << names[static_cast<int>(step.op)] << " " << step.x << "," << step.y;
}

// A record of the row's tool: its kind and filled flag come from the tool.
struct Stroke {
    int x0, y0, x1, y1;
    COLORREF colour;
};

struct GestureRow {
    const char* name;
    std::vector<unsigned> tools; // the row runs once with each chosen; 0: none
    std::vector<Step> steps;
    std::vector<Stroke> records; // the tool's list afterwards
    bool downAfter = false;      // the tool's stroke is still in progress
    int others = 0;              // records in the other lists afterwards
};

const std::vector<unsigned> shapeTools = {CmdRectangle, CmdFilledRectangle, CmdEllipse,
                                          CmdFilledEllipse, CmdLineTool};
const std::vector<unsigned> strokeTools = {CmdPencil, CmdEraser};
const std::vector<unsigned> allTools = {CmdRectangle,     CmdFilledRectangle, CmdEllipse,
                                        CmdFilledEllipse, CmdLineTool,        CmdPencil,
                                        CmdEraser};

using O = Op;

// A drag with the colour blue from press to release through the midpoint,
// with no record before the release.
GestureRow DragRow(const char* name, POINT press, POINT release)
{
    const POINT middle = {(press.x + release.x) / 2, (press.y + release.y) / 2};
    return {name,
            shapeTools,
            {{O::Colour, int(blue)},
             {O::Press, press.x, press.y},
             {O::Drag, middle.x, middle.y},
             {O::Drag, release.x, release.y},
             {O::Records, 0},
             {O::Release, release.x, release.y}},
            {{press.x, press.y, release.x, release.y, blue}}};
}

// Two releases without their press, with a press and release of another
// shape tool between them, which records one shape of its own.
GestureRow ReleaseWithoutPressRow(std::vector<unsigned> tools, unsigned other)
{
    return {"ReleaseWithoutPressStartsAtLastPressOfTheTool",
            tools,
            {{O::Release, 50, 60},
             {O::Records, 1},
             {O::Press, 5, 6},
             {O::Release, 7, 8},
             {O::Choose, int(other)},
             {O::Press, 70, 80},
             {O::Release, 90, 95},
             {O::Choose},
             {O::Release, 9, 10}},
            {{0, 0, 50, 60, black}, {5, 6, 7, 8, black}, {5, 6, 9, 10, black}},
            false,
            1};
}

// The button-down flag of a stroke, from up or down (after a press at
// (10, 20)), under its own tool or another (the line tool), through one event
// at (30, 40) in green; a sample, if any, runs from the press to the event.
// The line tool's release makes a line of its own.
GestureRow StrokeRow(const char* name, bool downBefore, bool toolChosen, Op event, bool downAfter,
                     int samples)
{
    GestureRow row = {name, strokeTools, {}, {}, downAfter, !toolChosen && event == O::Release};
    if (downBefore)
        row.steps = {{O::Press, 10, 20}, {O::Down, 1}};
    if (!toolChosen)
        row.steps.push_back({O::Choose, CmdLineTool});
    row.steps.push_back({O::Colour, int(green)});
    row.steps.push_back({event, 30, 40});
    if (samples)
        row.records = {{10, 20, 30, 40, green}};
    return row;
}

// clang-format off
const GestureRow rows[] = {
    // The press point is the start and the release point the end, as dragged:
    // nothing is swapped, and a press and release at one point still makes a record.
    DragRow("FromPressToReleaseDownRight", {12, 20}, {130, 95}),
    DragRow("FromPressToReleaseUpLeft", {150, 110}, {7, 3}),
    DragRow("FromPressToReleaseAtOnePoint", {44, 33}, {44, 33}),
    DragRow("FromPressToReleaseRightAndUp", {10, 90}, {120, 15}),
    // A release seen without its press (the button went down outside the
    // window) builds from the start point of the last press with the same
    // tool, or (0, 0); another tool's press moves nothing of this tool's.
    ReleaseWithoutPressRow({CmdRectangle, CmdFilledRectangle, CmdEllipse, CmdFilledEllipse},
                           CmdLineTool),
    ReleaseWithoutPressRow({CmdLineTool}, CmdRectangle),
    // The window class asks for no double-click messages, so a double click
    // arrives as two presses and two releases.
    {"DoubleClickMakesTwoRecords", shapeTools,
     {{O::Press, 30, 40}, {O::Release, 30, 40}, {O::Press, 30, 40}, {O::Release, 30, 40}},
     {{30, 40, 30, 40, black}, {30, 40, 30, 40, black}}},
    // The colour is the one current when the record is built: at the release.
    {"TakesTheColourAtRelease", shapeTools,
     {{O::Colour, int(red)}, {O::Press, 10, 10}, {O::Colour, int(green)}, {O::Release, 20, 20},
      {O::Colour, int(blue)}, {O::Press, 30, 30}, {O::Release, 40, 40}, {O::Colour, int(red)}},
     {{10, 10, 20, 20, green}, {30, 30, 40, 40, blue}}},

    // Drag is a move with the button held; Hover a move without it, which
    // ends any stroke whatever the tool.
    //        name                           down before, tool chosen, event, down after, samples
    StrokeRow("StrokeUpPressToolChosen",        false, true,  O::Press,   true,  0),
    StrokeRow("StrokeUpPressOtherTool",         false, false, O::Press,   false, 0),
    StrokeRow("StrokeDownPressToolChosen",      true,  true,  O::Press,   true,  0),
    StrokeRow("StrokeDownPressOtherTool",       true,  false, O::Press,   true,  0),
    StrokeRow("StrokeDownDragToolChosen",       true,  true,  O::Drag,    true,  1),
    StrokeRow("StrokeDownDragOtherTool",        true,  false, O::Drag,    true,  0),
    StrokeRow("StrokeDownReleaseToolChosen",    true,  true,  O::Release, false, 0),
    StrokeRow("StrokeDownReleaseOtherTool",     true,  false, O::Release, true,  0),
    StrokeRow("StrokeUpDragToolChosen",         false, true,  O::Drag,    false, 0),
    StrokeRow("StrokeUpDragOtherTool",          false, false, O::Drag,    false, 0),
    StrokeRow("StrokeUpReleaseToolChosen",      false, true,  O::Release, false, 0),
    StrokeRow("StrokeUpReleaseOtherTool",       false, false, O::Release, false, 0),
    StrokeRow("StrokeDownHoverToolChosen",      true,  true,  O::Hover,   false, 0),
    StrokeRow("StrokeDownHoverOtherTool",       true,  false, O::Hover,   false, 0),
    StrokeRow("StrokeUpHoverToolChosen",        false, true,  O::Hover,   false, 0),
    StrokeRow("StrokeUpHoverOtherTool",         false, false, O::Hover,   false, 0),

    // Each sample runs from the stroke's previous point to the new mouse
    // point; the first sample after a press runs from the press point, never
    // from where an earlier stroke ended, nor from an unreleased press, nor
    // from a stroke ended by a move with the button up.
    {"SamplesJoinWithinAStrokeAndStartAtEachPress", strokeTools,
     {{O::Press, 10, 10}, {O::Drag, 20, 20}, {O::Drag, 30, 35}, {O::Release, 30, 35},
      {O::Press, 100, 100}, {O::Drag, 110, 120}, {O::Press, 200, 200}, {O::Drag, 210, 190},
      {O::Release, 210, 190}, {O::Press, 50, 50}, {O::Drag, 55, 60}, {O::Hover, 300, 300},
      {O::Press, 60, 70}, {O::Drag, 65, 75}},
     {{10, 10, 20, 20, black}, {20, 20, 30, 35, black}, {100, 100, 110, 120, black},
      {200, 200, 210, 190, black}, {50, 50, 55, 60, black}, {60, 70, 65, 75, black}},
     true},
    {"PressAndReleaseWithoutMoveRecordsNothing", strokeTools,
     {{O::Press, 10, 10}, {O::Release, 10, 10}, {O::Press, 20, 20}, {O::Release, 40, 50}},
     {}, false},
    // Each sample takes the colour current at its move, and keeps it.
    {"EachSampleTakesTheColourAtItsMove", strokeTools,
     {{O::Colour, int(red)}, {O::Press, 10, 10}, {O::Colour, int(green)}, {O::Drag, 20, 20},
      {O::Colour, int(blue)}, {O::Drag, 30, 30}, {O::Colour, int(red)}},
     {{10, 10, 20, 20, green}, {20, 20, 30, 30, blue}}, true},
    // Clear empties the lists but a stroke in progress goes on from its last point.
    {"ClearLeavesTheStrokeAsItIs", strokeTools,
     {{O::Clear}, {O::Down, 0}, {O::Press, 10, 10}, {O::Drag, 20, 25}, {O::Clear},
      {O::Down, 1}, {O::Records, 0}, {O::Drag, 30, 35}},
     {{20, 25, 30, 35, black}}, true},
    // A move with the button up ends both strokes at once, even one whose tool
    // is not chosen, and later moves record nothing until the next press.
    {"MoveWithButtonUpEndsEveryStroke", {CmdPencil},
     {{O::Press, 10, 10}, {O::Choose, CmdEraser}, {O::Press, 20, 20}, {O::Down, 1, 1},
      {O::Hover, 30, 30}, {O::Down, 0, 0}, {O::Records, 0}, {O::Drag, 40, 40},
      {O::Choose, CmdPencil}, {O::Drag, 50, 50}},
     {}, false},

    // Each appended record asks for a repaint of the whole client area; the
    // other steps of the gesture ask for none.
    {"EachAppendInvalidatesTheWholeClientArea", shapeTools,
     {{O::Validate}, {O::Press, 10, 10}, {O::Invalid, 0}, {O::Drag, 20, 15}, {O::Invalid, 0},
      {O::Validate}, {O::Release, 20, 15}, {O::Invalid, 1}},
     {{10, 10, 20, 15, black}}},
    {"EachAppendInvalidatesTheWholeClientArea", strokeTools,
     {{O::Validate}, {O::Press, 10, 10}, {O::Invalid, 0}, {O::Drag, 20, 15}, {O::Invalid, 1},
      {O::Validate}, {O::Release, 20, 15}, {O::Invalid, 0}},
     {{10, 10, 20, 15, black}}},
    // x and y are each read as unsigned 16 bits: 0xFFFF is 65535, never -1.
    {"ReadsCoordinatesAsUnsigned", allTools,
     {{O::Press, 0xFFFF, 0}, {O::Drag, 0, 0xFFFF}, {O::Release, 0, 0xFFFF}, {O::Mouse, 0, 65535}},
     {{65535, 0, 0, 65535, black}}},
    {"NoToolChosenMakesNothing", {0},
     {{O::Validate}, {O::Press, 10, 20}, {O::Drag, 30, 40}, {O::Hover, 35, 45},
      {O::Release, 50, 60}, {O::Release, 70, 80}, {O::NoPointTaken}, {O::Invalid, 0}},
     {}},
};
// clang-format on

struct GestureCase {
    const GestureRow* row;
    unsigned command;
};

std::vector<GestureCase> Cases()
{
    std::vector<GestureCase> cases;
    for (const GestureRow& row : rows)
        for (unsigned command : row.tools)
            cases.push_back(GestureCase{&row, command});
    return cases;
}

void PrintTo(const GestureCase& c, std::ostream* out)
{
    *out << c.row->name << "_" << (c.command ? ToolOf(c.command).name : "NoTool");
}

class GestureTable : public MainWindowTest, public ::testing::WithParamInterface<GestureCase> {
protected:
    // The button-down flag of the row's stroke (the pencil's for any other
    // tool), and that of the other stroke.
    bool& OwnDown(unsigned command)
    {
        return command == CmdEraser ? toolState.eraserDown : toolState.pencilDown;
    }
    bool& OtherDown(unsigned command)
    {
        return command == CmdEraser ? toolState.pencilDown : toolState.eraserDown;
    }

    LRESULT Run(const Step& step, unsigned command)
    {
        switch (step.op) {
        case Op::Choose:
            return Command(step.x ? step.x : command);
        case Op::Press:
            return Press(step.x, step.y);
        case Op::Drag:
            return Drag(step.x, step.y);
        case Op::Hover:
            return Hover(step.x, step.y);
        case Op::Release:
            return Release(step.x, step.y);
        case Op::Clear:
            return Command(CmdClear);
        case Op::Colour:
            currentColour = static_cast<COLORREF>(step.x);
            break;
        case Op::Validate:
            Validate();
            break;
        case Op::Records:
            EXPECT_EQ(step.x, RecordCount());
            break;
        case Op::Down:
            EXPECT_EQ(step.x != 0, OwnDown(command)) << "the stroke's button-down flag";
            EXPECT_EQ(step.y != 0, OtherDown(command)) << "the other stroke's button-down flag";
            break;
        case Op::Invalid: {
            const RECT wanted = step.x ? Client() : RECT{};
            EXPECT_EQ(wanted, UpdateBox()) << "update box";
            break;
        }
        case Op::Mouse:
            EXPECT_EQ((POINT{step.x, step.y}), mousePoint);
            break;
        case Op::NoPointTaken:
            for (const POINT& p : {mousePoint, rectangleStart, rectangleEnd, ellipseStart,
                                   ellipseEnd, lineStart, lineEnd, pencilPoint, eraserPoint})
                EXPECT_EQ(POINT{}, p);
            break;
        }
        return 0;
    }
};

TEST_P(GestureTable, LeavesTheRecordsOfTheRow)
{
    const GestureRow& row = *GetParam().row;
    const unsigned command = GetParam().command;
    if (command) {
        EXPECT_EQ(0, Command(command));
    }
    for (size_t i = 0; i < row.steps.size(); ++i) {
        SCOPED_TRACE(::testing::Message()
                     << "step " << i + 1 << ": " << ::testing::PrintToString(row.steps[i]));
        EXPECT_EQ(0, Run(row.steps[i], command));
    }

    std::vector<Shape> expected;
    for (const Stroke& s : row.records) {
        const Tool& tool = ToolOf(command);
        expected.push_back(Shape{tool.kind, s.x0, s.y0, s.x1, s.y1, s.colour, tool.filled});
    }
    if (command) {
        EXPECT_EQ(expected, ShapesOf(ToolOf(command).kind));
    }
    EXPECT_EQ(static_cast<int>(expected.size()) + row.others, RecordCount());
    EXPECT_EQ(row.downAfter, OwnDown(command)) << "the stroke's button-down flag";
    EXPECT_FALSE(OtherDown(command)) << "the other stroke's button-down flag";
}

INSTANTIATE_TEST_SUITE_P(Gestures, GestureTable, ::testing::ValuesIn(Cases()), PrintedName());

using GestureFlags = MainWindowTest;

// A press takes the start point under a filled flag alone, as under its shape's
// flag; a release makes a record only under the shape's flag.
TEST_F(GestureFlags, FilledFlagAloneTakesOnlyTheStartPoint)
{
    toolState.filledRectangle = true;
    Press(12, 34);
    toolState = ToolState{};
    toolState.filledEllipse = true;
    Press(56, 78);
    Release(90, 91);
    EXPECT_EQ((POINT{12, 34}), rectangleStart);
    EXPECT_EQ((POINT{56, 78}), ellipseStart);
    EXPECT_EQ(0, RecordCount());
}

} // namespace
