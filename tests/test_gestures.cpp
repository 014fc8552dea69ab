// Mouse gestures: presses, moves and releases sent to the real main window,
// and the records they leave in the drawing lists.
#include "test_support.h"

#include <ostream>
#include <string>
#include <tuple>

#include "app/resource.h"
#include "model/drawing.h"
#include "tools/colour.h"
#include "tools/gestures.h"
#include "tools/toolstate.h"

namespace {

enum class Tool { Rectangle, FilledRectangle, Ellipse, FilledEllipse, Line, Pencil, Eraser };

const char* NameOf(Tool tool)
{
    switch (tool) {
    case Tool::Rectangle:
        return "Rectangle";
    case Tool::FilledRectangle:
        return "FilledRectangle";
    case Tool::Ellipse:
        return "Ellipse";
    case Tool::FilledEllipse:
        return "FilledEllipse";
    case Tool::Line:
        return "Line";
    case Tool::Pencil:
        return "Pencil";
    case Tool::Eraser:
        return "Eraser";
    }
    return "?";
}

void PrintTo(Tool tool, std::ostream* out)
{
    *out << NameOf(tool);
}

unsigned CommandOf(Tool tool)
{
    switch (tool) {
    case Tool::Rectangle:
        return CmdRectangle;
    case Tool::FilledRectangle:
        return CmdFilledRectangle;
    case Tool::Ellipse:
        return CmdEllipse;
    case Tool::FilledEllipse:
        return CmdFilledEllipse;
    case Tool::Line:
        return CmdLineTool;
    case Tool::Pencil:
        return CmdPencil;
    case Tool::Eraser:
        return CmdEraser;
    }
    return 0;
}

bool IsFilled(Tool tool)
{
    return tool == Tool::FilledRectangle || tool == Tool::FilledEllipse;
}

const Tool shapeTools[] = {Tool::Rectangle, Tool::FilledRectangle, Tool::Ellipse,
                           Tool::FilledEllipse, Tool::Line};
const Tool strokeTools[] = {Tool::Pencil, Tool::Eraser};
const Tool allTools[] = {Tool::Rectangle, Tool::FilledRectangle, Tool::Ellipse, Tool::FilledEllipse,
                         Tool::Line,      Tool::Pencil,          Tool::Eraser};

// Any record, read through its getters. Lines and freehand samples have no
// filled flag and read as outlined.
struct Record {
    int startX, startY, endX, endY;
    COLORREF colour;
    bool filled;

    bool operator==(const Record& other) const
    {
        return startX == other.startX && startY == other.startY && endX == other.endX &&
               endY == other.endY && colour == other.colour && filled == other.filled;
    }
};

std::ostream& operator<<(std::ostream& out, const Record& r)
{
    return out << "{(" << r.startX << "," << r.startY << ")-(" << r.endX << "," << r.endY
               << ") colour 0x" << std::hex << r.colour << std::dec << " filled " << r.filled
               << "}";
}

template <class Shape>
Record ReadOutlined(const Shape& s)
{
    return Record{s.getStartX(), s.getStartY(), s.getEndX(), s.getEndY(), s.getColour(), false};
}

template <class Shape>
Record ReadFillable(const Shape& s)
{
    return Record{s.getStartX(), s.getStartY(), s.getEndX(),
                  s.getEndY(),   s.getColour(), s.getFilled()};
}

// Number of records in the list the tool appends to.
int CountOf(Tool tool)
{
    const DrawingLists& d = drawingLists;
    switch (tool) {
    case Tool::Rectangle:
    case Tool::FilledRectangle:
        return d.rectangleCount;
    case Tool::Ellipse:
    case Tool::FilledEllipse:
        return d.circleCount;
    case Tool::Line:
        return d.lineCount;
    case Tool::Pencil:
        return d.pencilCount;
    case Tool::Eraser:
        return d.eraserCount;
    }
    return -1;
}

int CountAll()
{
    const DrawingLists& d = drawingLists;
    return d.rectangleCount + d.circleCount + d.lineCount + d.pencilCount + d.eraserCount;
}

Record RecordOf(Tool tool, int index)
{
    const DrawingLists& d = drawingLists;
    switch (tool) {
    case Tool::Rectangle:
    case Tool::FilledRectangle:
        return ReadFillable(d.rectangleList.at(index));
    case Tool::Ellipse:
    case Tool::FilledEllipse:
        return ReadFillable(d.circleList.at(index));
    case Tool::Line:
        return ReadOutlined(d.lineList.at(index));
    case Tool::Pencil:
        return ReadOutlined(d.pencilList.at(index));
    case Tool::Eraser:
        return ReadOutlined(d.eraserList.at(index));
    }
    return Record{};
}

bool& DownFlagOf(Tool stroke)
{
    return stroke == Tool::Pencil ? toolState.pencilDown : toolState.eraserDown;
}

Tool OtherStroke(Tool stroke)
{
    return stroke == Tool::Pencil ? Tool::Eraser : Tool::Pencil;
}

std::string BoxText(const RECT& r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

const COLORREF red = RGB(255, 0, 0);
const COLORREF green = RGB(0, 160, 0);
const COLORREF blue = RGB(0, 0, 255);

class GestureTest : public MainWindowTest {
protected:
    LRESULT Choose(Tool tool) { return Command(CommandOf(tool)); }
    LRESULT Press(int x, int y) { return Send(WM_LBUTTONDOWN, MK_LBUTTON, MouseAt(x, y)); }
    // A move with the left button held, as while dragging.
    LRESULT Drag(int x, int y) { return Send(WM_MOUSEMOVE, MK_LBUTTON, MouseAt(x, y)); }
    // A move with no button held.
    LRESULT Hover(int x, int y) { return Send(WM_MOUSEMOVE, 0, MouseAt(x, y)); }
    LRESULT Release(int x, int y) { return Send(WM_LBUTTONUP, 0, MouseAt(x, y)); }

    RECT Client()
    {
        RECT client = {};
        GetClientRect(window, &client);
        return client;
    }

    ::testing::AssertionResult NothingInvalid()
    {
        RECT box = UpdateBox();
        if (IsRectEmpty(&box))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "update box " << BoxText(box);
    }

    ::testing::AssertionResult WholeClientInvalid()
    {
        RECT box = UpdateBox();
        RECT client = Client();
        if (!IsRectEmpty(&client) && EqualRect(&box, &client))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "update box " << BoxText(box) << ", client " << BoxText(client);
    }
};

// --- Rectangles, ellipses and lines ------------------------------------------

struct DragCase {
    const char* name;
    POINT press, release;
};

const DragCase drags[] = {
    {"DownRight", {12, 20}, {130, 95}},
    {"UpLeft", {150, 110}, {7, 3}},
    {"OnePoint", {44, 33}, {44, 33}},
    {"RightAndUp", {10, 90}, {120, 15}},
};

void PrintTo(const DragCase& drag, std::ostream* out)
{
    *out << drag.name;
}

class ShapeDragTest : public GestureTest,
                      public ::testing::WithParamInterface<std::tuple<Tool, DragCase>> {};

// The press point is the start and the release point the end, as dragged:
// nothing is swapped, and a press and release at one point still makes a record.
TEST_P(ShapeDragTest, MakesOneRecordFromPressToRelease)
{
    const Tool tool = std::get<0>(GetParam());
    const DragCase& drag = std::get<1>(GetParam());
    currentColour = blue;
    Choose(tool);

    EXPECT_EQ(0, Press(drag.press.x, drag.press.y));
    EXPECT_EQ(0, Drag((drag.press.x + drag.release.x) / 2, (drag.press.y + drag.release.y) / 2));
    EXPECT_EQ(0, Drag(drag.release.x, drag.release.y));
    EXPECT_EQ(0, CountAll()) << "a record before the release";
    EXPECT_EQ(0, Release(drag.release.x, drag.release.y));

    ASSERT_EQ(1, CountOf(tool));
    EXPECT_EQ(1, CountAll());
    EXPECT_EQ(
        (Record{drag.press.x, drag.press.y, drag.release.x, drag.release.y, blue, IsFilled(tool)}),
        RecordOf(tool, 0));
}

INSTANTIATE_TEST_SUITE_P(Shapes, ShapeDragTest,
                         ::testing::Combine(::testing::ValuesIn(shapeTools),
                                            ::testing::ValuesIn(drags)),
                         [](const ::testing::TestParamInfo<std::tuple<Tool, DragCase>>& info) {
                             return std::string(NameOf(std::get<0>(info.param))) + "_" +
                                    std::get<1>(info.param).name;
                         });

class ShapeToolTest : public GestureTest, public ::testing::WithParamInterface<Tool> {};

// A release seen without its press (the button went down outside the window)
// builds from the start point of the last press with the same tool, or (0, 0).
TEST_P(ShapeToolTest, ReleaseWithoutPressStartsAtLastPressOfTheTool)
{
    const Tool tool = GetParam();
    const Tool other = tool == Tool::Line ? Tool::Rectangle : Tool::Line;
    Choose(tool);

    EXPECT_EQ(0, Release(50, 60));
    ASSERT_EQ(1, CountOf(tool));
    EXPECT_EQ((Record{0, 0, 50, 60, RGB(0, 0, 0), IsFilled(tool)}), RecordOf(tool, 0));

    Press(5, 6);
    Release(7, 8);
    Choose(other);
    Press(70, 80);
    Release(90, 95);
    Choose(tool);
    Release(9, 10);
    ASSERT_EQ(3, CountOf(tool));
    EXPECT_EQ((Record{5, 6, 9, 10, RGB(0, 0, 0), IsFilled(tool)}), RecordOf(tool, 2));
}

// The window class does not ask for double-click messages, so a double click
// arrives as two presses and two releases.
TEST_P(ShapeToolTest, DoubleClickMakesTwoRecords)
{
    const Tool tool = GetParam();
    ASSERT_EQ(0u, GetClassLongPtrW(window, GCL_STYLE) & CS_DBLCLKS);
    Choose(tool);

    Press(30, 40);
    Release(30, 40);
    Press(30, 40);
    Release(30, 40);

    ASSERT_EQ(2, CountOf(tool));
    const Record dot = {30, 40, 30, 40, RGB(0, 0, 0), IsFilled(tool)};
    EXPECT_EQ(dot, RecordOf(tool, 0));
    EXPECT_EQ(dot, RecordOf(tool, 1));
}

// The colour is the one current when the record is built: at the release.
TEST_P(ShapeToolTest, TakesTheColourAtRelease)
{
    const Tool tool = GetParam();
    Choose(tool);

    currentColour = red;
    Press(10, 10);
    currentColour = green;
    Release(20, 20);
    currentColour = blue;
    Press(30, 30);
    Release(40, 40);
    currentColour = red;

    ASSERT_EQ(2, CountOf(tool));
    EXPECT_EQ(green, RecordOf(tool, 0).colour);
    EXPECT_EQ(blue, RecordOf(tool, 1).colour);
}

INSTANTIATE_TEST_SUITE_P(Shapes, ShapeToolTest, ::testing::ValuesIn(shapeTools),
                         [](const ::testing::TestParamInfo<Tool>& info) {
                             return std::string(NameOf(info.param));
                         });

// --- Pencil and eraser --------------------------------------------------------

enum class Event { Press, Drag, Release, Hover };

struct StrokeRow {
    const char* name;
    bool downBefore; // the stroke's button-down flag before the event
    bool toolChosen; // the stroke's own tool is the chosen one at the event
    Event event;
    bool downAfter;
    int samples; // samples appended by the event
};

// Drag is a move with the button held; Hover a move without it, which ends
// any stroke whatever the tool.
const StrokeRow strokeRows[] = {
    {"UpPressToolChosen", false, true, Event::Press, true, 0},
    {"UpPressOtherTool", false, false, Event::Press, false, 0},
    {"DownPressToolChosen", true, true, Event::Press, true, 0},
    {"DownPressOtherTool", true, false, Event::Press, true, 0},
    {"DownDragToolChosen", true, true, Event::Drag, true, 1},
    {"DownDragOtherTool", true, false, Event::Drag, true, 0},
    {"DownReleaseToolChosen", true, true, Event::Release, false, 0},
    {"DownReleaseOtherTool", true, false, Event::Release, true, 0},
    {"UpDragToolChosen", false, true, Event::Drag, false, 0},
    {"UpDragOtherTool", false, false, Event::Drag, false, 0},
    {"UpReleaseToolChosen", false, true, Event::Release, false, 0},
    {"UpReleaseOtherTool", false, false, Event::Release, false, 0},
    {"DownHoverToolChosen", true, true, Event::Hover, false, 0},
    {"DownHoverOtherTool", true, false, Event::Hover, false, 0},
    {"UpHoverToolChosen", false, true, Event::Hover, false, 0},
    {"UpHoverOtherTool", false, false, Event::Hover, false, 0},
};

void PrintTo(const StrokeRow& row, std::ostream* out)
{
    *out << row.name;
}

class StrokeStateTest : public GestureTest,
                        public ::testing::WithParamInterface<std::tuple<Tool, StrokeRow>> {};

TEST_P(StrokeStateTest, FollowsTheButtonDownTable)
{
    const Tool stroke = std::get<0>(GetParam());
    const StrokeRow& row = std::get<1>(GetParam());
    // The line tool stands for "another tool": it leaves both strokes alone.
    if (row.downBefore) {
        Choose(stroke);
        Press(10, 20);
        ASSERT_TRUE(DownFlagOf(stroke));
        if (!row.toolChosen)
            Choose(Tool::Line);
    } else {
        Choose(row.toolChosen ? stroke : Tool::Line);
    }
    currentColour = green;

    LRESULT result = -1;
    switch (row.event) {
    case Event::Press:
        result = Press(30, 40);
        break;
    case Event::Drag:
        result = Drag(30, 40);
        break;
    case Event::Release:
        result = Release(30, 40);
        break;
    case Event::Hover:
        result = Hover(30, 40);
        break;
    }

    EXPECT_EQ(0, result);
    EXPECT_EQ(row.downAfter, DownFlagOf(stroke));
    EXPECT_FALSE(DownFlagOf(OtherStroke(stroke)));
    ASSERT_EQ(row.samples, CountOf(stroke));
    EXPECT_EQ(0, CountOf(OtherStroke(stroke)));
    if (row.samples == 1) {
        EXPECT_EQ((Record{10, 20, 30, 40, green, false}), RecordOf(stroke, 0));
    }
}

INSTANTIATE_TEST_SUITE_P(Strokes, StrokeStateTest,
                         ::testing::Combine(::testing::ValuesIn(strokeTools),
                                            ::testing::ValuesIn(strokeRows)),
                         [](const ::testing::TestParamInfo<std::tuple<Tool, StrokeRow>>& info) {
                             return std::string(NameOf(std::get<0>(info.param))) + "_" +
                                    std::get<1>(info.param).name;
                         });

class StrokeTest : public GestureTest, public ::testing::WithParamInterface<Tool> {};

// Each sample runs from the stroke's previous point to the new mouse point;
// the first sample after a press runs from the press point, never from where
// an earlier stroke ended.
TEST_P(StrokeTest, SamplesJoinWithinAStrokeAndStartAtEachPress)
{
    const Tool stroke = GetParam();
    Choose(stroke);

    Press(10, 10);
    Drag(20, 20);
    Drag(30, 35);
    Release(30, 35);
    Press(100, 100);
    Drag(110, 120);
    // A second press without a release starts over at its own point.
    Press(200, 200);
    Drag(210, 190);
    Release(210, 190);
    // So does a press after a stroke ended by a move with the button up.
    Press(50, 50);
    Drag(55, 60);
    Hover(300, 300);
    Press(60, 70);
    Drag(65, 75);

    const COLORREF black = RGB(0, 0, 0);
    const Record expected[] = {
        {10, 10, 20, 20, black, false},     {20, 20, 30, 35, black, false},
        {100, 100, 110, 120, black, false}, {200, 200, 210, 190, black, false},
        {50, 50, 55, 60, black, false},     {60, 70, 65, 75, black, false},
    };
    const int n = static_cast<int>(sizeof(expected) / sizeof(expected[0]));
    ASSERT_EQ(n, CountOf(stroke));
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(expected[i], RecordOf(stroke, i)) << "sample " << i;
    EXPECT_EQ(n, CountAll());
}

TEST_P(StrokeTest, PressAndReleaseWithoutMoveRecordsNothing)
{
    const Tool stroke = GetParam();
    Choose(stroke);
    Press(10, 10);
    Release(10, 10);
    Press(20, 20);
    Release(40, 50);
    EXPECT_EQ(0, CountAll());
    EXPECT_FALSE(DownFlagOf(stroke));
}

// Each sample takes the colour current at its move, and keeps it.
TEST_P(StrokeTest, EachSampleTakesTheColourAtItsMove)
{
    const Tool stroke = GetParam();
    Choose(stroke);
    currentColour = red;
    Press(10, 10);
    currentColour = green;
    Drag(20, 20);
    currentColour = blue;
    Drag(30, 30);
    currentColour = red;

    ASSERT_EQ(2, CountOf(stroke));
    EXPECT_EQ(green, RecordOf(stroke, 0).colour);
    EXPECT_EQ(blue, RecordOf(stroke, 1).colour);
}

// Clear empties the lists but a stroke in progress goes on from its last point.
TEST_P(StrokeTest, ClearLeavesTheStrokeAsItIs)
{
    const Tool stroke = GetParam();
    Choose(stroke);
    EXPECT_EQ(0, Command(CmdClear));
    EXPECT_FALSE(DownFlagOf(stroke));

    Press(10, 10);
    Drag(20, 25);
    EXPECT_EQ(0, Command(CmdClear));
    EXPECT_TRUE(DownFlagOf(stroke));
    EXPECT_EQ(0, CountOf(stroke));
    Drag(30, 35);
    ASSERT_EQ(1, CountOf(stroke));
    EXPECT_EQ((Record{20, 25, 30, 35, RGB(0, 0, 0), false}), RecordOf(stroke, 0));
}

INSTANTIATE_TEST_SUITE_P(Strokes, StrokeTest, ::testing::ValuesIn(strokeTools),
                         [](const ::testing::TestParamInfo<Tool>& info) {
                             return std::string(NameOf(info.param));
                         });

// A move with the button up ends both strokes at once, even one whose tool is
// not chosen, and later moves record nothing until the next press.
TEST_F(GestureTest, MoveWithButtonUpEndsEveryStroke)
{
    Choose(Tool::Pencil);
    Press(10, 10);
    Choose(Tool::Eraser);
    Press(20, 20);
    ASSERT_TRUE(toolState.pencilDown);
    ASSERT_TRUE(toolState.eraserDown);

    EXPECT_EQ(0, Hover(30, 30));
    EXPECT_FALSE(toolState.pencilDown);
    EXPECT_FALSE(toolState.eraserDown);
    EXPECT_EQ(0, CountAll());

    Drag(40, 40);
    Choose(Tool::Pencil);
    Drag(50, 50);
    EXPECT_EQ(0, CountAll());
}

// --- Every tool ----------------------------------------------------------------

class AnyToolTest : public GestureTest, public ::testing::WithParamInterface<Tool> {};

// Each appended record asks for a repaint of the whole client area; the other
// steps of the gesture ask for none.
TEST_P(AnyToolTest, EachAppendInvalidatesTheWholeClientArea)
{
    const Tool tool = GetParam();
    const bool stroke = tool == Tool::Pencil || tool == Tool::Eraser;
    ResizeClient(240, 180);
    Choose(tool);
    Validate();
    ASSERT_TRUE(NothingInvalid());

    Press(10, 10);
    EXPECT_TRUE(NothingInvalid()) << "after the press";
    Drag(20, 15);
    if (stroke) {
        EXPECT_TRUE(WholeClientInvalid()) << "after a move";
    } else {
        EXPECT_TRUE(NothingInvalid()) << "after a move";
    }
    Validate();
    Release(20, 15);
    if (stroke) {
        EXPECT_TRUE(NothingInvalid()) << "after the release";
    } else {
        EXPECT_TRUE(WholeClientInvalid()) << "after the release";
    }
    EXPECT_EQ(1, CountOf(tool));
}

// x and y are each read as unsigned 16 bits: 0xFFFF is 65535, never -1.
TEST_P(AnyToolTest, ReadsCoordinatesAsUnsigned)
{
    const Tool tool = GetParam();
    Choose(tool);
    Press(0xFFFF, 0);
    Drag(0, 0xFFFF);
    Release(0, 0xFFFF);

    ASSERT_EQ(1, CountOf(tool));
    EXPECT_EQ((Record{65535, 0, 0, 65535, RGB(0, 0, 0), IsFilled(tool)}), RecordOf(tool, 0));
    EXPECT_EQ(0, mousePoint.x);
    EXPECT_EQ(65535, mousePoint.y);
}

INSTANTIATE_TEST_SUITE_P(AllTools, AnyToolTest, ::testing::ValuesIn(allTools),
                         [](const ::testing::TestParamInfo<Tool>& info) {
                             return std::string(NameOf(info.param));
                         });

TEST_F(GestureTest, NoToolChosenMakesNothing)
{
    Validate();
    EXPECT_EQ(0, Press(10, 20));
    EXPECT_EQ(0, Drag(30, 40));
    EXPECT_EQ(0, Hover(35, 45));
    EXPECT_EQ(0, Release(50, 60));
    EXPECT_EQ(0, Release(70, 80));

    EXPECT_EQ(0, CountAll());
    EXPECT_FALSE(toolState.pencilDown);
    EXPECT_FALSE(toolState.eraserDown);
    const POINT untouched[] = {mousePoint, rectangleStart, rectangleEnd, ellipseStart, ellipseEnd,
                               lineStart,  lineEnd,        pencilPoint,  eraserPoint};
    for (const POINT& p : untouched)
        EXPECT_TRUE(p.x == 0 && p.y == 0) << "a point moved to " << p.x << "," << p.y;
    EXPECT_TRUE(NothingInvalid());
}

} // namespace
