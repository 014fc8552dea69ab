// The drawing lists: appends, Clear, and appends that cannot get memory.
#include "test_support.h"

#include <climits>
#include <new>
#include <vector>

#include "app/resource.h"
#include "model/drawing.h"
#include "paint/backbuffer.h"
#include "tools/colour.h"
#include "tools/gestures.h"
#include "tools/toolstate.h"

// This test program's allocations go through here, so a test can make the
// next ones fail as they would with no memory left. The process heap rather
// than malloc and free: GCC 14 takes a free() reached from operator delete
// for a mismatch with the operator new it inlines.
namespace {
bool allocationsFail = false;
}

void* operator new(std::size_t size)
{
    if (allocationsFail)
        throw std::bad_alloc();
    if (void* p = HeapAlloc(GetProcessHeap(), 0, size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    if (p)
        HeapFree(GetProcessHeap(), 0, p);
}

void operator delete(void* p, std::size_t) noexcept
{
    if (p)
        HeapFree(GetProcessHeap(), 0, p);
}

namespace {

// Makes allocations fail for as long as it lives.
struct OutOfMemory {
    OutOfMemory() { allocationsFail = true; }
    ~OutOfMemory() { allocationsFail = false; }
};

// Appends one record of a kind, numbered n.
bool AppendKind(Kind kind, int n)
{
    const bool fillable = kind == Kind::Rectangle || kind == Kind::Ellipse;
    return AppendShape({kind, n, n, n + 1, n + 1, blue, fillable && n % 2 == 1});
}

} // namespace

class Drawing : public MainWindowTest {};

TEST_F(Drawing, EmptyAtStart)
{
    EXPECT_TRUE(CountsMatchLists());
    EXPECT_EQ(0, RecordCount());
}

TEST_F(Drawing, CountsFollowAppendsAndClears)
{
    Random random(1234);
    for (int step = 0; step < 5000; ++step) {
        if (random.Below(200) == 0)
            ClearDrawing(window);
        else
            ASSERT_TRUE(AppendKind(kinds[random.Below(5)], step));
        ASSERT_TRUE(CountsMatchLists()) << "after step " << step;
    }
}

TEST_F(Drawing, RecordsKeepTheirOrderAndStartAgainAfterClear)
{
    for (int n = 0; n < 3; ++n)
        AppendLine(Line(n, 0, 0, 0, blue));
    ASSERT_EQ(3, drawingLists.lineCount);
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(Line(n, 0, 0, 0, blue), drawingLists.lineList[n]) << "record " << n;

    Command(CmdClear);
    AppendLine(Line(42, 0, 0, 0, blue));
    ASSERT_EQ(1, drawingLists.lineCount);
    EXPECT_EQ(Line(42, 0, 0, 0, blue), drawingLists.lineList[0]);
}

TEST_F(Drawing, ClearOnEmptyListsStillRepaintsEverything)
{
    Validate();
    EXPECT_EQ(0, Command(CmdClear));
    EXPECT_EQ(Client(), UpdateBox());
}

TEST_F(Drawing, ClearChangesNothingButThePicture)
{
    for (Kind kind : kinds)
        AppendKind(kind, 1);
    Command(CmdPencil);
    toolState.pencilDown = true;
    toolState.eraserDown = true;
    rectangleStart = POINT{3, 4};
    mousePoint = POINT{5, 6};
    currentColour = blue;
    HBRUSH brush = CreateSolidBrush(blue);
    currentBrush = brush;
    HDC dc = backBufferDC;
    HBITMAP bitmap = backBufferBitmap;
    const ToolState tools = toolState;

    Command(CmdClear);

    EXPECT_TRUE(CountsMatchLists());
    EXPECT_EQ(0, RecordCount());
    EXPECT_EQ(tools, toolState);
    EXPECT_EQ((POINT{3, 4}), rectangleStart);
    EXPECT_EQ((POINT{5, 6}), mousePoint);
    EXPECT_EQ(Rgb{blue}, Rgb{currentColour});
    EXPECT_EQ(brush, currentBrush);
    EXPECT_EQ(dc, backBufferDC);
    EXPECT_EQ(bitmap, backBufferBitmap);
}

// A still-held pencil goes on drawing into the emptied list.
TEST_F(Drawing, StrokeGoesOnIntoTheClearedList)
{
    Command(CmdPencil);
    Press(10, 10);
    Drag(12, 10);
    Command(CmdClear);
    Drag(14, 10);
    EXPECT_EQ(std::vector<Shape>{(Shape{Kind::Pencil, 12, 10, 14, 10, black})},
              ShapesOf(Kind::Pencil));
}

TEST_F(Drawing, AppendWithoutMemoryDropsTheRecordAndGoesOn)
{
    for (Kind kind : kinds) {
        SCOPED_TRACE(::testing::PrintToString(kind));
        // Fill the list to its capacity, so the next append must allocate.
        do
            ASSERT_TRUE(AppendKind(kind, 1));
        while (ListOf(kind).size < ListOf(kind).capacity);
        const std::vector<Shape> before = AllShapes();
        {
            OutOfMemory noMemory;
            EXPECT_FALSE(AppendKind(kind, 2));
        }
        EXPECT_TRUE(CountsMatchLists());
        EXPECT_EQ(before, AllShapes());

        EXPECT_TRUE(AppendKind(kind, 3)) << "memory is back";
        EXPECT_TRUE(CountsMatchLists());
    }
}

// A gesture whose record cannot be kept leaves the picture and the window as
// they were, and the next gesture works.
TEST_F(Drawing, GestureWithoutMemoryChangesNothing)
{
    Command(CmdRectangle);
    while (ListOf(Kind::Rectangle).size < ListOf(Kind::Rectangle).capacity ||
           ListOf(Kind::Rectangle).size == 0) {
        Press(1, 1);
        Release(2, 2);
    }
    const std::vector<Shape> before = ShapesOf(Kind::Rectangle);
    Validate();
    {
        OutOfMemory noMemory;
        Press(10, 10);
        EXPECT_EQ(0, Release(20, 20));
    }
    EXPECT_EQ(before, ShapesOf(Kind::Rectangle));
    EXPECT_TRUE(CountsMatchLists());
    EXPECT_EQ(RECT{}, UpdateBox()) << "nothing new to show";

    Press(10, 10);
    Release(20, 20);
    EXPECT_EQ(static_cast<int>(before.size()) + 1, drawingLists.rectangleCount);
    EXPECT_TRUE(CountsMatchLists());
}

TEST_F(Drawing, CountNeverPassesTheLargestInt)
{
    drawingLists.lineCount = INT_MAX;
    EXPECT_FALSE(AppendLine(Line(1, 2, 3, 4, blue)));
    EXPECT_EQ(INT_MAX, drawingLists.lineCount);
    EXPECT_TRUE(drawingLists.lineList.empty());
}
