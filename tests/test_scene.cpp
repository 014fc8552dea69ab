// Scene painting, checked on the pixels of memory canvases. One table of
// scenes, a row per case; every row is painted twice: as at start, and again
// after a colour was chosen, into a context that holds a pen and a brush of
// its own, which must neither show nor change, and with no GDI object left.
#include "test_support.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "model/drawing.h"
#include "paint/backbuffer.h"
#include "paint/gdi.h"
#include "paint/scene.h"
#include "tools/colour.h"

namespace {

// Colours no record uses: the colour chosen since, and the context's own pen
// and brush.
const COLORREF chosen = RGB(0, 200, 120);
const COLORREF contextPenColour = RGB(120, 60, 0);
const COLORREF contextBrushColour = RGB(200, 200, 0);

// The number of pixels of a colour in [left, right) x [top, bottom), or with
// atLeast, a number that it must exceed.
struct Tally {
    COLORREF colour;
    RECT area;
    int expected;
    const char* what = "";
    bool atLeast = false;
};

// Every pixel in the area is one of the two colours.
struct Only {
    COLORREF a, b;
    RECT area;
};

struct SceneRow {
    const char* name;
    std::vector<Shape> shapes;
    SIZE canvas;
    std::vector<Probe> probes;
    std::vector<Tally> tallies = {};
    std::vector<Only> only = {};
    COLORREF ground = white; // the canvas before the paint
    SIZE client = {};        // the client area, when smaller than the canvas
};

void PrintTo(const SceneRow& row, std::ostream* out)
{
    *out << row.name;
}

// clang-format off
const std::vector<Shape> oneOfEach = {
    {R, 5, 5, 25, 25, red}, {R, 30, 5, 50, 25, blue, true}, {E, 5, 30, 26, 51, green},
    {E, 30, 30, 51, 51, orange, true}, {L, 0, 55, 60, 55, magenta}, {P, 0, 58, 30, 58, black},
    {X, 30, 58, 60, 58, black}};

const SceneRow everyKind = {"EveryKindIsPainted",
    {{R, 5, 5, 35, 35, red}, {R, 45, 5, 75, 35, blue, true}, {E, 85, 5, 116, 36, green},
     {E, 125, 5, 156, 36, orange, true}, {L, 5, 55, 75, 55, magenta}, {P, 85, 55, 155, 55, teal},
     {X, 45, 20, 75, 20, black}}, // the eraser across the filled rectangle
    {160, 70},
    {{5, 20, red, "outlined rectangle"}, {60, 30, blue, "filled rectangle"},
     {86, 20, green, "outlined ellipse"}, {140, 20, orange, "filled ellipse"},
     {40, 55, magenta, "line"}, {120, 55, teal, "pencil"}, {60, 20, white, "eraser"}}};

SceneRow EraserRow(const char* name, COLORREF stored)
{
    return {name, {{R, 0, 0, 100, 100, black, true}, {X, 20, 50, 80, 50, stored}}, {100, 100},
            {{50, 50, white}, {50, 40, black}, {50, 60, black}},
            {{white, {50, 30, 51, 70}, 10, "across the middle of the segment"},
             {white, {30, 30, 31, 70}, 10, "across the segment near its start"}},
            {{black, white, {0, 0, 100, 100}}}};
}

SceneRow FilledRectangleRow(const char* name, int x0, int y0, int x1, int y1)
{
    // A fill has exact edges: x from 10 to 49, y from 20 to 59, whichever way it was dragged.
    return {name, {{R, x0, y0, x1, y1, red, true}}, {80, 80}, {},
            {{red, {10, 20, 50, 60}, 40 * 40}, {red, {0, 0, 80, 80}, 40 * 40, "red outside"}}};
}

SceneRow EllipseOverRow(const char* name, std::vector<Shape> under)
{
    under.push_back({E, 10, 10, 71, 71, blue});
    return {name, under, {80, 80},
            {{40, 11, blue, "top of the outline"}, {11, 40, blue, "left of the outline"},
             {69, 40, blue, "right of the outline"}, {40, 69, blue, "bottom of the outline"},
             {13, 13, white, "outside the outline, inside the box"}},
            {{red, {30, 30, 50, 50}, 20 * 20, "the inside was painted over"}}};
}

const SceneRow rows[] = {
    {"EmptySceneIsWhiteOverClientRectOnly", {}, {100, 80}, {},
     {{white, {0, 0, 60, 40}, 60 * 40},
      {red, {0, 0, 100, 80}, 100 * 80 - 60 * 40, "the fill reached beyond clientRect"}},
     {}, red, {60, 40}},
    // Halfway along each edge, across it: four pixels of the record's colour.
    {"OutlinedRectangleHasFourWideEdgesAndAnUntouchedInside", {{R, 10, 20, 50, 60, blue}},
     {80, 80},
     {{10, 20, blue}, {10, 60, blue}, {50, 60, blue}, {50, 20, blue}},
     {{blue, {0, 40, 30, 41}, 4, "left edge"}, {blue, {30, 40, 80, 41}, 4, "right edge"},
      {blue, {30, 0, 31, 40}, 4, "top edge"}, {blue, {30, 40, 31, 80}, 4, "bottom edge"},
      {white, {14, 24, 46, 56}, 32 * 32, "the inside was painted"}},
     {{blue, white, {0, 0, 80, 80}}}},
    FilledRectangleRow("FilledRectangleDraggedDownRight", 10, 20, 50, 60),
    FilledRectangleRow("FilledRectangleDraggedUpLeft", 50, 60, 10, 20),
    FilledRectangleRow("FilledRectangleDraggedUpRight", 10, 60, 50, 20),
    FilledRectangleRow("FilledRectangleDraggedDownLeft", 50, 20, 10, 60),
    {"FilledRectanglesKeepTheirOwnColours",
     {{R, 10, 10, 40, 40, red, true}, {R, 50, 10, 80, 40, blue, true}}, {90, 50},
     {{25, 25, red}, {65, 25, blue}}},
    EllipseOverRow("OutlinedEllipseLeavesAFilledRectangleVisible", {{R, 25, 25, 55, 55, red, true}}),
    EllipseOverRow("OutlinedEllipseLeavesAnEarlierFilledEllipseVisible",
                   {{E, 20, 20, 61, 61, red, true}}),
    EllipseOverRow("OutlinedEllipseLeavesLinesVisible",
                   {{L, 28, 28, 52, 28, red}, {L, 28, 31, 52, 31, red}, {L, 28, 34, 52, 34, red},
                    {L, 28, 37, 52, 37, red}, {L, 28, 40, 52, 40, red}, {L, 28, 43, 52, 43, red},
                    {L, 28, 46, 52, 46, red}, {L, 28, 49, 52, 49, red}, {L, 28, 52, 52, 52, red}}),
    // The outlined rectangle before it leaves a pen behind if anything does.
    {"FilledEllipseHasItsOwnColourAndNoOutline",
     {{R, 2, 2, 8, 8, black}, {E, 10, 10, 71, 51, red, true}}, {80, 60},
     {{40, 30, red}, {12, 30, red, "near the left end"}, {40, 12, red, "near the top"}},
     {{red, {10, 10, 71, 51}, 61 * 41 * 3 / 4, "most of the box", true}},
     {{red, white, {10, 10, 71, 51}}}},
    // Kinds are painted in list order, and within a kind the later on top.
    {"RectangleAppendedAfterEllipseLiesUnderIt",
     {{E, 10, 10, 71, 71, red, true}, {R, 30, 30, 50, 50, blue, true}}, {80, 80},
     {{40, 40, red}}},
    {"LaterRectangleLiesOnEarlierOne",
     {{R, 10, 10, 50, 50, red, true}, {R, 30, 30, 70, 70, blue, true}}, {80, 80},
     {{40, 40, blue}}},
    {"LaterEllipseLiesOnEarlierOne",
     {{E, 10, 10, 61, 61, blue, true}, {E, 20, 20, 71, 71, red, true}}, {80, 80},
     {{40, 40, red}}},
    {"LineLiesOnEllipse", {{L, 0, 40, 80, 40, green}, {E, 10, 10, 71, 71, red, true}}, {80, 80},
     {{40, 40, green}}},
    {"PencilLiesOnLineAppendedAfterIt", {{P, 40, 0, 40, 80, orange}, {L, 0, 40, 80, 40, green}},
     {80, 80}, {{40, 40, orange}}},
    {"EraserLiesOnEverything",
     {{X, 0, 40, 80, 40, red}, {R, 10, 10, 70, 70, blue, true}, {E, 20, 20, 61, 61, green, true},
      {L, 40, 0, 40, 80, orange}, {P, 30, 0, 50, 80, magenta}}, {80, 80},
     {{40, 40, white}}},
    EraserRow("EraserIsWhiteAndTenWideWhateverItsColourBlack", black),
    EraserRow("EraserIsWhiteAndTenWideWhateverItsColourRed", red),
    EraserRow("EraserIsWhiteAndTenWideWhateverItsColourBlue", blue),
    EraserRow("EraserIsWhiteAndTenWideWhateverItsColourWhite", white),
    // Two strokes as the gestures store them: a first sample of zero length,
    // then one per mouse move. Any join would cross the band between them.
    {"TwoPencilStrokesAreNotJoined",
     {{P, 10, 10, 10, 10, blue}, {P, 10, 10, 20, 10, blue}, {P, 20, 10, 30, 10, blue},
      {P, 60, 50, 60, 50, red}, {P, 60, 50, 70, 50, red}, {P, 70, 50, 80, 50, red}}, {90, 60},
     {{15, 10, blue}, {25, 10, blue}, {65, 50, red}, {75, 50, red}},
     {{white, {0, 15, 90, 45}, 90 * 30, "strokes were joined"}}},
    {"OneOfEachKind", oneOfEach, {60, 60},
     {{5, 15, red}, {40, 15, blue}, {5, 40, green}, {40, 40, orange}, {10, 54, magenta},
      {15, 58, black}, {45, 58, white}}},
    everyKind,
};
// clang-format on

void ExpectPicture(const SceneRow& row, const MemoryCanvas& canvas)
{
    for (const Probe& p : row.probes)
        EXPECT_EQ(Rgb{p.colour}, Rgb{canvas.At(p.x, p.y)})
            << "at " << p.x << "," << p.y << " " << p.what;
    for (const Tally& t : row.tallies) {
        if (t.atLeast)
            EXPECT_GT(canvas.Count(t.colour, t.area), t.expected) << t.what;
        else
            EXPECT_EQ(t.expected, canvas.Count(t.colour, t.area)) << t.what;
    }
    for (const Only& o : row.only) {
        const RECT& a = o.area;
        EXPECT_EQ((a.right - a.left) * (a.bottom - a.top), canvas.Count(o.a, o.b, a))
            << "pixels of other colours than the two";
    }
}

// The types of the records of a metafile other than its header, its end and
// selections of objects (stock ones, which need no handle): the drawing calls.
// Deletes the metafile.
std::vector<DWORD> DrawingCalls(HENHMETAFILE metafile)
{
    std::vector<BYTE> bits(GetEnhMetaFileBits(metafile, 0, nullptr));
    GetEnhMetaFileBits(metafile, static_cast<UINT>(bits.size()), bits.data());
    DeleteEnhMetaFile(metafile);
    std::vector<DWORD> calls;
    for (size_t at = 0; at + 2 * sizeof(DWORD) <= bits.size();) {
        DWORD header[2];
        std::memcpy(header, bits.data() + at, sizeof(header));
        if (header[0] != EMR_HEADER && header[0] != EMR_EOF && header[0] != EMR_SELECTOBJECT)
            calls.push_back(header[0]);
        if (header[1] < sizeof(header))
            break;
        at += header[1];
    }
    return calls;
}

class SceneTest : public ProgramStateTest {
protected:
    void Run(const SceneRow& row)
    {
        AddShapes(row.shapes);
        const SIZE client = row.client.cx ? row.client : row.canvas;
        {
            SCOPED_TRACE("as at start");
            MemoryCanvas canvas(row.canvas.cx, row.canvas.cy);
            canvas.Fill({0, 0, row.canvas.cx, row.canvas.cy}, row.ground);
            PaintInto(canvas, client.cx, client.cy);
            ExpectPicture(row, canvas);
        }
        SCOPED_TRACE("after a colour was chosen, into a context with its own pen and brush");
        currentColour = chosen;
        currentBrush = CreateSolidBrush(chosen);
        MemoryCanvas canvas(row.canvas.cx, row.canvas.cy);
        canvas.Fill({0, 0, row.canvas.cx, row.canvas.cy}, row.ground);
        Pen pen(CreatePen(PS_SOLID, 3, contextPenColour));
        Brush brush(CreateSolidBrush(contextBrushColour));
        Selection penSelection(canvas.dc(), pen.get());
        Selection brushSelection(canvas.dc(), brush.get());
        const int objects = CountGdiObjects();

        PaintInto(canvas, client.cx, client.cy);

        ExpectPicture(row, canvas);
        EXPECT_EQ(objects, CountGdiObjects()) << "GDI objects left behind";
        EXPECT_EQ(pen.get(), GetCurrentObject(canvas.dc(), OBJ_PEN)) << "the context's pen";
        EXPECT_EQ(brush.get(), GetCurrentObject(canvas.dc(), OBJ_BRUSH)) << "the context's brush";
        const std::vector<COLORREF> all = canvas.All(row.canvas.cx, row.canvas.cy);
        for (const Probe& p : row.probes)
            ASSERT_EQ(Rgb{canvas.At(p.x, p.y)}, Rgb{all[p.y * row.canvas.cx + p.x]}) << "snapshot";
        for (COLORREF foreign : {chosen, contextPenColour, contextBrushColour})
            EXPECT_EQ(0, std::count(all.begin(), all.end(), foreign))
                << "pixels of " << ::testing::PrintToString(Rgb{foreign});
    }
};

class SceneTable : public SceneTest, public ::testing::WithParamInterface<SceneRow> {};

TEST_P(SceneTable, PaintsTheRow)
{
    Run(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Scenes, SceneTable, ::testing::ValuesIn(rows), PrintedName());

// The chosen tool has nothing to do with painting.
TEST_F(SceneTest, EveryKindIsPaintedWhateverTheTool)
{
    for (const Tool& tool : tools) {
        SCOPED_TRACE(tool.name);
        toolState = tool.flags;
        Run(everyKind);
        ResetProgramState();
    }
}

TEST_F(SceneTest, BackgroundGoesToTheBackBufferAndShapesToTheContextPassed)
{
    AddShapes({{R, 10, 10, 30, 30, blue}});
    MemoryCanvas backBuffer(100, 80), other(100, 80);
    backBuffer.Fill({0, 0, 100, 80}, red);
    other.Fill({0, 0, 100, 80}, red);

    clientRect = RECT{0, 0, 60, 40};
    backBufferDC = backBuffer.dc();
    PaintScene(other.dc());
    GdiFlush();
    backBufferDC = nullptr;

    EXPECT_EQ(60 * 40, backBuffer.Count(white, {0, 0, 60, 40}));
    EXPECT_EQ(0, backBuffer.Count(blue, {0, 0, 100, 80})) << "a shape went to the back buffer";
    EXPECT_EQ(0, other.Count(white, {0, 0, 100, 80})) << "the background went to the context";
    EXPECT_EQ(Rgb{blue}, Rgb{other.At(10, 20)});
}

TEST_F(SceneTest, ShapesWhoseObjectsCannotBeMadeAreLeftOut)
{
    // The context holds a magenta pen and brush; a shape whose own pen or
    // brush cannot be made must not be drawn with them. The pen is one pixel
    // wide, as wide pens need objects of their own to draw.
    MemoryCanvas canvas(60, 60);
    Pen pen(CreatePen(PS_SOLID, 1, magenta));
    Brush brush(CreateSolidBrush(magenta));
    Selection penSelection(canvas.dc(), pen.get());
    Selection brushSelection(canvas.dc(), brush.get());
    AddShapes(oneOfEach);
    canvas.Fill({0, 0, 60, 60}, black);
    // A metafile records every drawing call, also one that cannot reach the
    // pixels with no handles left (Wine fills an ellipse through a region).
    HDC recorder = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, recorder);

    GdiHoard hoard;
    if (hoard.exhausted()) {
        PaintInto(canvas, 60, 60);
        const HDC backBuffer = backBufferDC;
        backBufferDC = canvas.dc();
        PaintScene(recorder);
        backBufferDC = backBuffer;
    }
    hoard.Release();
    const std::vector<DWORD> calls = DrawingCalls(CloseEnhMetaFile(recorder));

    ASSERT_TRUE(hoard.exhausted()) << "the handles never ran out";
    EXPECT_EQ(60 * 60, canvas.Count(white, {0, 0, 60, 60}))
        << "with no handles left, only the white background can be painted";
    EXPECT_EQ(0, canvas.Count(magenta, {0, 0, 60, 60})) << "drawn with the context's objects";
    EXPECT_EQ(std::vector<DWORD>{}, calls) << "metafile records of drawing calls (EMR_ types)";

    PaintInto(canvas, 60, 60);
    EXPECT_EQ(Rgb{red}, Rgb{canvas.At(5, 15)}) << "outlined rectangle, once handles are free";
    EXPECT_EQ(Rgb{orange}, Rgb{canvas.At(40, 40)}) << "filled ellipse, once handles are free";
    EXPECT_EQ(pen.get(), GetCurrentObject(canvas.dc(), OBJ_PEN));
    EXPECT_EQ(brush.get(), GetCurrentObject(canvas.dc(), OBJ_BRUSH));
}

} // namespace
