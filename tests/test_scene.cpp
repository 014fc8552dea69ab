// Scene painting, checked on the pixels of memory canvases.
#include "test_support.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "model/drawing.h"
#include "paint/backbuffer.h"
#include "paint/scene.h"
#include "tools/colour.h"
#include "tools/toolstate.h"

namespace {

const COLORREF white = RGB(255, 255, 255);
const COLORREF black = RGB(0, 0, 0);
const COLORREF red = RGB(255, 0, 0);
const COLORREF green = RGB(0, 160, 0);
const COLORREF blue = RGB(0, 0, 255);
const COLORREF magenta = RGB(255, 0, 255);
const COLORREF orange = RGB(255, 128, 0);

// The records in plain (x, y) order. Rectangles' constructor takes y first.
void AddRectangle(int x0, int y0, int x1, int y1, COLORREF colour, bool filled)
{
    ASSERT_TRUE(AppendRectangle(Rectangles(y0, x0, y1, x1, colour, filled, RECT{}, nullptr)));
}

void AddEllipse(int x0, int y0, int x1, int y1, COLORREF colour, bool filled)
{
    ASSERT_TRUE(AppendCircle(Circles(x0, y0, x1, y1, colour, filled, RECT{}, nullptr)));
}

void AddLine(int x0, int y0, int x1, int y1, COLORREF colour)
{
    ASSERT_TRUE(AppendLine(Line(x0, y0, x1, y1, colour)));
}

void AddPencil(int x0, int y0, int x1, int y1, COLORREF colour)
{
    ASSERT_TRUE(AppendPencil(Pencil(x0, y0, x1, y1, colour, nullptr)));
}

void AddEraser(int x0, int y0, int x1, int y1, COLORREF colour)
{
    ASSERT_TRUE(AppendEraser(Eraser(x0, y0, x1, y1, colour, nullptr)));
}

void Fill(MemoryCanvas& canvas, int left, int top, int right, int bottom, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    RECT area = {left, top, right, bottom};
    FillRect(canvas.dc(), &area, brush);
    DeleteObject(brush);
}

// Pixels in the rectangle that are neither of the two colours given.
int CountOther(const MemoryCanvas& canvas, COLORREF a, COLORREF b, int left, int top, int right,
               int bottom)
{
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            COLORREF pixel = canvas.Pixel(x, y);
            count += pixel != a && pixel != b;
        }
    return count;
}

std::vector<COLORREF> Snapshot(const MemoryCanvas& canvas, int width, int height)
{
    std::vector<COLORREF> pixels;
    pixels.reserve(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(canvas.Pixel(x, y));
    return pixels;
}

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramState(); }
    void TearDown() override { ResetProgramState(); }
};

TEST_F(SceneTest, EmptySceneIsWhiteOverClientRectOnly)
{
    MemoryCanvas canvas(100, 80);
    Fill(canvas, 0, 0, 100, 80, red);

    PaintInto(canvas, 60, 40);

    EXPECT_EQ(60 * 40, canvas.Count(white, 0, 0, 60, 40));
    EXPECT_EQ(100 * 80 - 60 * 40, canvas.Count(red, 0, 0, 100, 80))
        << "the fill reached beyond clientRect";
}

TEST_F(SceneTest, BackgroundGoesToTheBackBufferAndShapesToTheContextPassed)
{
    AddRectangle(10, 10, 30, 30, blue, false);
    MemoryCanvas backBuffer(100, 80), other(100, 80);
    Fill(backBuffer, 0, 0, 100, 80, red);
    Fill(other, 0, 0, 100, 80, red);

    clientRect = RECT{0, 0, 60, 40};
    backBufferDC = backBuffer.dc();
    PaintScene(other.dc());
    GdiFlush();
    backBufferDC = nullptr;

    EXPECT_EQ(60 * 40, backBuffer.Count(white, 0, 0, 60, 40));
    EXPECT_EQ(0, backBuffer.Count(blue, 0, 0, 100, 80)) << "a shape went to the back buffer";
    EXPECT_EQ(0, other.Count(white, 0, 0, 100, 80)) << "the background went to the context";
    EXPECT_EQ(blue, other.Pixel(10, 20));
}

TEST_F(SceneTest, OutlinedRectangleHasFourWideEdgesInItsColourAndAnUntouchedInside)
{
    AddRectangle(10, 20, 50, 60, blue, false);
    MemoryCanvas canvas(80, 80);

    PaintInto(canvas, 80, 80);

    // Halfway along each edge, across it: four pixels of the record's colour.
    EXPECT_EQ(4, canvas.Count(blue, 0, 40, 30, 41)) << "left edge";
    EXPECT_EQ(4, canvas.Count(blue, 30, 40, 80, 41)) << "right edge";
    EXPECT_EQ(4, canvas.Count(blue, 30, 0, 31, 40)) << "top edge";
    EXPECT_EQ(4, canvas.Count(blue, 30, 40, 31, 80)) << "bottom edge";
    for (POINT corner : {POINT{10, 20}, POINT{10, 60}, POINT{50, 60}, POINT{50, 20}})
        EXPECT_EQ(blue, canvas.Pixel(corner.x, corner.y)) << corner.x << "," << corner.y;
    EXPECT_EQ(32 * 32, canvas.Count(white, 14, 24, 46, 56)) << "the inside was painted";
    EXPECT_EQ(0, CountOther(canvas, blue, white, 0, 0, 80, 80));
}

struct Drag {
    const char* name;
    int x0, y0, x1, y1;
};

class FilledRectangleDrag : public SceneTest, public ::testing::WithParamInterface<Drag> {};

TEST_P(FilledRectangleDrag, FillsTheSamePixelsInItsOwnColour)
{
    const Drag& drag = GetParam();
    // The colour chosen since must not matter.
    currentBrush = CreateSolidBrush(green);
    currentColour = green;
    AddRectangle(drag.x0, drag.y0, drag.x1, drag.y1, red, true);
    MemoryCanvas canvas(80, 80);

    PaintInto(canvas, 80, 80);

    // A fill has exact edges: x from 10 to 49, y from 20 to 59.
    EXPECT_EQ(40 * 40, canvas.Count(red, 10, 20, 50, 60));
    EXPECT_EQ(40 * 40, canvas.Count(red, 0, 0, 80, 80)) << "red outside (10,20)-(50,60)";
    EXPECT_EQ(0, canvas.Count(green, 0, 0, 80, 80));
}

INSTANTIATE_TEST_SUITE_P(
    Directions, FilledRectangleDrag,
    ::testing::Values(Drag{"DownRight", 10, 20, 50, 60}, Drag{"UpLeft", 50, 60, 10, 20},
                      Drag{"UpRight", 10, 60, 50, 20}, Drag{"DownLeft", 50, 20, 10, 60}),
    [](const ::testing::TestParamInfo<Drag>& info) { return std::string(info.param.name); });

TEST_F(SceneTest, FilledRectanglesKeepTheirColourWhenAnotherColourIsChosen)
{
    AddRectangle(10, 10, 40, 40, red, true);
    AddRectangle(50, 10, 80, 40, blue, true);
    MemoryCanvas canvas(90, 50);

    PaintInto(canvas, 90, 50);
    EXPECT_EQ(red, canvas.Pixel(25, 25)) << "before any colour was chosen";
    EXPECT_EQ(blue, canvas.Pixel(65, 25)) << "before any colour was chosen";

    currentBrush = CreateSolidBrush(green);
    currentColour = green;
    PaintInto(canvas, 90, 50);
    EXPECT_EQ(red, canvas.Pixel(25, 25)) << "after green was chosen";
    EXPECT_EQ(blue, canvas.Pixel(65, 25)) << "after green was chosen";
    EXPECT_EQ(0, canvas.Count(green, 0, 0, 90, 50));
}

struct Underlay {
    const char* name;
    std::function<void()> add;
};

class OutlinedEllipseOver : public SceneTest, public ::testing::WithParamInterface<Underlay> {};

TEST_P(OutlinedEllipseOver, LeavesWhatLiesUnderItVisible)
{
    GetParam().add();
    AddEllipse(10, 10, 71, 71, blue, false);
    MemoryCanvas canvas(80, 80);

    PaintInto(canvas, 80, 80);

    EXPECT_EQ(20 * 20, canvas.Count(red, 30, 30, 50, 50)) << "the inside was painted over";
    EXPECT_EQ(blue, canvas.Pixel(40, 11)) << "top of the outline";
    EXPECT_EQ(blue, canvas.Pixel(11, 40)) << "left of the outline";
    EXPECT_EQ(blue, canvas.Pixel(69, 40)) << "right of the outline";
    EXPECT_EQ(blue, canvas.Pixel(40, 69)) << "bottom of the outline";
    EXPECT_EQ(white, canvas.Pixel(13, 13)) << "outside the outline, inside the box";
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, OutlinedEllipseOver,
    ::testing::Values(Underlay{"FilledRectangle", [] { AddRectangle(25, 25, 55, 55, red, true); }},
                      Underlay{"EarlierFilledEllipse",
                               [] { AddEllipse(20, 20, 61, 61, red, true); }},
                      Underlay{"Line",
                               [] {
                                   for (int y = 28; y <= 52; y += 3)
                                       AddLine(28, y, 52, y, red);
                               }}),
    [](const ::testing::TestParamInfo<Underlay>& info) { return std::string(info.param.name); });

TEST_F(SceneTest, FilledEllipseHasItsOwnColourAndNoOutline)
{
    // Whatever pen and brush the context holds, and whatever colour was chosen
    // since, a filled ellipse shows only its own colour.
    MemoryCanvas canvas(80, 60);
    HPEN thickPen = CreatePen(PS_SOLID, 3, blue);
    HBRUSH otherBrush = CreateSolidBrush(magenta);
    HGDIOBJ oldPen = SelectObject(canvas.dc(), thickPen);
    HGDIOBJ oldBrush = SelectObject(canvas.dc(), otherBrush);
    currentBrush = CreateSolidBrush(green);
    currentColour = green;
    AddRectangle(2, 2, 8, 8, black, false); // leaves a pen behind if anything does
    AddEllipse(10, 10, 71, 51, red, true);

    PaintInto(canvas, 80, 60);

    EXPECT_EQ(red, canvas.Pixel(40, 30));
    EXPECT_EQ(red, canvas.Pixel(12, 30)) << "near the left end";
    EXPECT_EQ(red, canvas.Pixel(40, 12)) << "near the top";
    EXPECT_GT(canvas.Count(red, 10, 10, 71, 51), 61 * 41 * 3 / 4);
    EXPECT_EQ(0, CountOther(canvas, red, white, 10, 10, 71, 51))
        << "something other than the fill is in the ellipse's box";

    SelectObject(canvas.dc(), oldPen);
    SelectObject(canvas.dc(), oldBrush);
    DeleteObject(thickPen);
    DeleteObject(otherBrush);
}

struct Stacking {
    const char* name;
    std::function<void()> add;
    int x, y;
    COLORREF expected;
};

class SceneStacking : public SceneTest, public ::testing::WithParamInterface<Stacking> {};

TEST_P(SceneStacking, LaterKindsAndLaterRecordsLieOnTop)
{
    const Stacking& c = GetParam();
    c.add();
    MemoryCanvas canvas(80, 80);

    PaintInto(canvas, 80, 80);

    EXPECT_EQ(c.expected, canvas.Pixel(c.x, c.y));
}

INSTANTIATE_TEST_SUITE_P(Cases, SceneStacking,
                         ::testing::Values(Stacking{"RectangleAppendedAfterEllipseLiesUnderIt",
                                                    [] {
                                                        AddEllipse(10, 10, 71, 71, red, true);
                                                        AddRectangle(30, 30, 50, 50, blue, true);
                                                    },
                                                    40, 40, red},
                                           Stacking{"LaterRectangleLiesOnEarlierOne",
                                                    [] {
                                                        AddRectangle(10, 10, 50, 50, red, true);
                                                        AddRectangle(30, 30, 70, 70, blue, true);
                                                    },
                                                    40, 40, blue},
                                           Stacking{"LaterEllipseLiesOnEarlierOne",
                                                    [] {
                                                        AddEllipse(10, 10, 61, 61, blue, true);
                                                        AddEllipse(20, 20, 71, 71, red, true);
                                                    },
                                                    40, 40, red},
                                           Stacking{"LineLiesOnEllipse",
                                                    [] {
                                                        AddLine(0, 40, 80, 40, green);
                                                        AddEllipse(10, 10, 71, 71, red, true);
                                                    },
                                                    40, 40, green},
                                           Stacking{"PencilLiesOnLineAppendedAfterIt",
                                                    [] {
                                                        AddPencil(40, 0, 40, 80, orange);
                                                        AddLine(0, 40, 80, 40, green);
                                                    },
                                                    40, 40, orange},
                                           Stacking{"EraserLiesOnEverything",
                                                    [] {
                                                        AddEraser(0, 40, 80, 40, red);
                                                        AddRectangle(10, 10, 70, 70, blue, true);
                                                        AddEllipse(20, 20, 61, 61, green, true);
                                                        AddLine(40, 0, 40, 80, orange);
                                                        AddPencil(30, 0, 50, 80, magenta);
                                                    },
                                                    40, 40, white}),
                         [](const ::testing::TestParamInfo<Stacking>& info) {
                             return std::string(info.param.name);
                         });

class EraserColour : public SceneTest, public ::testing::WithParamInterface<COLORREF> {};

TEST_P(EraserColour, EraserSegmentsAreWhiteAndTenWide)
{
    AddRectangle(0, 0, 100, 100, black, true);
    AddEraser(20, 50, 80, 50, GetParam());
    MemoryCanvas canvas(100, 100);

    PaintInto(canvas, 100, 100);

    EXPECT_EQ(10, canvas.Count(white, 50, 30, 51, 70)) << "across the middle of the segment";
    EXPECT_EQ(10, canvas.Count(white, 30, 30, 31, 70)) << "across the segment near its start";
    EXPECT_EQ(white, canvas.Pixel(50, 50));
    EXPECT_EQ(black, canvas.Pixel(50, 40));
    EXPECT_EQ(black, canvas.Pixel(50, 60));
    EXPECT_EQ(0, CountOther(canvas, black, white, 0, 0, 100, 100));
}

INSTANTIATE_TEST_SUITE_P(StoredColours, EraserColour, ::testing::Values(black, red, blue, white));

TEST_F(SceneTest, TwoPencilStrokesAreNotJoined)
{
    // First stroke along y = 10, second along y = 50, as the gestures store
    // them: a first sample of zero length, then one per mouse move.
    AddPencil(10, 10, 10, 10, blue);
    AddPencil(10, 10, 20, 10, blue);
    AddPencil(20, 10, 30, 10, blue);
    AddPencil(60, 50, 60, 50, red);
    AddPencil(60, 50, 70, 50, red);
    AddPencil(70, 50, 80, 50, red);
    MemoryCanvas canvas(90, 60);

    PaintInto(canvas, 90, 60);

    EXPECT_EQ(blue, canvas.Pixel(15, 10));
    EXPECT_EQ(blue, canvas.Pixel(25, 10));
    EXPECT_EQ(red, canvas.Pixel(65, 50));
    EXPECT_EQ(red, canvas.Pixel(75, 50));
    // Any join would cross the band between the strokes.
    EXPECT_EQ(0, canvas.Count(red, 0, 15, 90, 45)) << "strokes were joined";
    EXPECT_EQ(0, canvas.Count(blue, 0, 15, 90, 45)) << "strokes were joined";
    EXPECT_EQ(90 * 30, canvas.Count(white, 0, 15, 90, 45));
}

struct ToolCase {
    const char* name;
    bool ToolState::*flag; // null: no tool chosen yet
};

class SceneUnderTool : public SceneTest, public ::testing::WithParamInterface<ToolCase> {};

TEST_P(SceneUnderTool, EveryKindIsPainted)
{
    if (GetParam().flag)
        toolState.*GetParam().flag = true;
    AddRectangle(5, 5, 35, 35, red, false);
    AddRectangle(45, 5, 75, 35, blue, true);
    AddEllipse(85, 5, 116, 36, green, false);
    AddEllipse(125, 5, 156, 36, orange, true);
    AddLine(5, 55, 75, 55, magenta);
    AddPencil(85, 55, 155, 55, RGB(0, 128, 128));
    AddEraser(45, 20, 75, 20, black); // across the filled rectangle
    MemoryCanvas canvas(160, 70);

    PaintInto(canvas, 160, 70);

    EXPECT_EQ(red, canvas.Pixel(5, 20)) << "outlined rectangle";
    EXPECT_EQ(blue, canvas.Pixel(60, 30)) << "filled rectangle";
    EXPECT_EQ(green, canvas.Pixel(86, 20)) << "outlined ellipse";
    EXPECT_EQ(orange, canvas.Pixel(140, 20)) << "filled ellipse";
    EXPECT_EQ(magenta, canvas.Pixel(40, 55)) << "line";
    EXPECT_EQ(RGB(0, 128, 128), canvas.Pixel(120, 55)) << "pencil";
    EXPECT_EQ(white, canvas.Pixel(60, 20)) << "eraser";
}

INSTANTIATE_TEST_SUITE_P(Tools, SceneUnderTool,
                         ::testing::Values(ToolCase{"None", nullptr},
                                           ToolCase{"Rectangle", &ToolState::rectangleTool},
                                           ToolCase{"FilledRectangle", &ToolState::filledRectangle},
                                           ToolCase{"Ellipse", &ToolState::ellipseTool},
                                           ToolCase{"FilledEllipse", &ToolState::filledEllipse},
                                           ToolCase{"Line", &ToolState::lineTool},
                                           ToolCase{"Pencil", &ToolState::pencilTool},
                                           ToolCase{"Eraser", &ToolState::eraserTool}),
                         [](const ::testing::TestParamInfo<ToolCase>& info) {
                             return std::string(info.param.name);
                         });

// One record of each kind, outlined and filled.
void AddOneOfEach()
{
    AddRectangle(5, 5, 25, 25, red, false);
    AddRectangle(30, 5, 50, 25, blue, true);
    AddEllipse(5, 30, 26, 51, green, false);
    AddEllipse(30, 30, 51, 51, orange, true);
    AddLine(0, 55, 60, 55, magenta);
    AddPencil(0, 58, 30, 58, black);
    AddEraser(30, 58, 60, 58, black);
}

TEST_F(SceneTest, ContextKeepsItsPenAndBrushAndNoObjectIsLeft)
{
    MemoryCanvas canvas(60, 60);
    HPEN pen = CreatePen(PS_DASH, 1, magenta);
    HBRUSH brush = CreateSolidBrush(green);
    HGDIOBJ oldPen = SelectObject(canvas.dc(), pen);
    HGDIOBJ oldBrush = SelectObject(canvas.dc(), brush);
    AddOneOfEach();
    PaintInto(canvas, 60, 60); // the platform makes a few objects once, lazily
    const int before = CountGdiObjects();

    PaintInto(canvas, 60, 60);

    EXPECT_EQ(pen, GetCurrentObject(canvas.dc(), OBJ_PEN));
    EXPECT_EQ(brush, GetCurrentObject(canvas.dc(), OBJ_BRUSH));
    EXPECT_EQ(before, CountGdiObjects());
    EXPECT_EQ(blue, canvas.Pixel(40, 15)) << "the scene was not painted";

    SelectObject(canvas.dc(), oldPen);
    SelectObject(canvas.dc(), oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

TEST_F(SceneTest, ShapesWhoseObjectsCannotBeMadeAreLeftOut)
{
    // The context holds a magenta pen and brush; a shape whose own pen or
    // brush cannot be made must not be drawn with them. The pen is one pixel
    // wide, as wide pens need objects of their own to draw.
    MemoryCanvas canvas(60, 60);
    HPEN contextPen = CreatePen(PS_SOLID, 1, magenta);
    HBRUSH contextBrush = CreateSolidBrush(magenta);
    HGDIOBJ oldPen = SelectObject(canvas.dc(), contextPen);
    HGDIOBJ oldBrush = SelectObject(canvas.dc(), contextBrush);
    AddOneOfEach();
    Fill(canvas, 0, 0, 60, 60, black);

    // Use up every GDI handle the process may have.
    std::vector<HPEN> hoard;
    const size_t limit = 200000;
    for (HPEN p; hoard.size() < limit && (p = CreatePen(PS_SOLID, 1, black)) != nullptr;)
        hoard.push_back(p);
    const bool exhausted = hoard.size() < limit;
    if (exhausted)
        PaintInto(canvas, 60, 60);
    for (HPEN p : hoard)
        DeleteObject(p);

    ASSERT_TRUE(exhausted) << "made " << hoard.size() << " pens without running out";
    EXPECT_EQ(60 * 60, canvas.Count(white, 0, 0, 60, 60))
        << "with no handles left, only the white background can be painted";
    EXPECT_EQ(0, canvas.Count(magenta, 0, 0, 60, 60)) << "drawn with the context's objects";

    PaintInto(canvas, 60, 60);
    EXPECT_EQ(red, canvas.Pixel(5, 15)) << "outlined rectangle, once handles are free";
    EXPECT_EQ(orange, canvas.Pixel(40, 40)) << "filled ellipse, once handles are free";
    EXPECT_EQ(contextPen, GetCurrentObject(canvas.dc(), OBJ_PEN));
    EXPECT_EQ(contextBrush, GetCurrentObject(canvas.dc(), OBJ_BRUSH));

    SelectObject(canvas.dc(), oldPen);
    SelectObject(canvas.dc(), oldBrush);
    DeleteObject(contextPen);
    DeleteObject(contextBrush);
}

TEST_F(SceneTest, LargeSceneRepaintedManyTimesLeavesNoObjectBehind)
{
    // Small shapes of every kind, packed into the left part of the canvas,
    // then one marker of each kind on the right, where nothing else lies.
    const int records = 200000;
    const int paints = 20;
    const int perKind = records / 5;
    for (int i = 0; i < perKind; ++i) {
        const int x = (i * 7) % 180, y = (i * 13) % 130;
        const COLORREF colour = RGB(i % 200, (i * 3) % 200, (i * 7) % 200);
        AddRectangle(x, y, x + 12, y + 9, colour, i % 2 == 0);
        AddEllipse(x, y, x + 11, y + 8, colour, i % 2 == 1);
        AddLine(x, y, x + 15, y + 6, colour);
        AddPencil(x, y, x + 3, y + 2, colour);
        AddEraser(x + 2, y, x + 4, y + 3, colour);
    }
    AddRectangle(220, 10, 260, 50, red, true);
    AddEllipse(270, 10, 311, 51, blue, true);
    AddLine(220, 80, 300, 80, green);
    AddPencil(220, 100, 300, 100, orange);
    AddEraser(230, 30, 250, 30, magenta);
    ASSERT_EQ(records + 5, drawingLists.rectangleCount + drawingLists.circleCount +
                               drawingLists.lineCount + drawingLists.pencilCount +
                               drawingLists.eraserCount);

    MemoryCanvas canvas(320, 150);
    PaintInto(canvas, 320, 150);
    const int baseline = CountGdiObjects();
    const std::vector<COLORREF> first = Snapshot(canvas, 320, 150);

    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < paints; ++i)
        PaintInto(canvas, 320, 150);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RecordProperty("paint_seconds", std::to_string(seconds));
    std::printf("%d records painted %d times in %.1f s\n", records, paints, seconds);

    EXPECT_EQ(baseline, CountGdiObjects());
    HPEN pen = CreatePen(PS_SOLID, 4, red);
    EXPECT_NE(nullptr, pen) << "no pen can be made any more";
    DeleteObject(pen);

    EXPECT_EQ(red, canvas.Pixel(240, 45));
    EXPECT_EQ(white, canvas.Pixel(240, 30)) << "eraser marker";
    EXPECT_EQ(blue, canvas.Pixel(290, 30));
    EXPECT_EQ(green, canvas.Pixel(260, 80));
    EXPECT_EQ(orange, canvas.Pixel(260, 100));
    EXPECT_EQ(white, canvas.Pixel(260, 130));
    EXPECT_EQ(white, canvas.Pixel(205, 60)) << "between the scene and the markers";
    EXPECT_GT(canvas.Count(white, 0, 0, 200, 150), 0);
    EXPECT_LT(canvas.Count(white, 0, 0, 200, 150), 200 * 150) << "the packed shapes are missing";
    EXPECT_TRUE(first == Snapshot(canvas, 320, 150)) << "the last paint differs from the first";
}

} // namespace
