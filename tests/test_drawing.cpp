// The drawing lists: appends, Clear, and appends that cannot get memory.
#include "test_support.h"

#include <climits>
#include <cstdlib>
#include <new>
#include <cstring>
#include <random>

#include "app/resource.h"
#include "model/drawing.h"
#include "paint/backbuffer.h"
#include "tools/colour.h"
#include "tools/gestures.h"
#include "tools/toolstate.h"

// This test program's allocations go through here, so a test can make the
// next ones fail as they would with no memory left.
namespace {
bool allocationsFail = false;
}

void* operator new(std::size_t size)
{
    if (allocationsFail)
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

const COLORREF blue = RGB(0, 0, 255);

// Makes allocations fail for as long as it lives.
struct OutOfMemory {
    OutOfMemory() { allocationsFail = true; }
    ~OutOfMemory() { allocationsFail = false; }
};

::testing::AssertionResult CountsMatchLists()
{
    const DrawingLists& d = drawingLists;
    const struct {
        const char* name;
        int count;
        size_t size;
    } lists[] = {
        {"rectangle", d.rectangleCount, d.rectangleList.size()},
        {"circle", d.circleCount, d.circleList.size()},
        {"line", d.lineCount, d.lineList.size()},
        {"pencil", d.pencilCount, d.pencilList.size()},
        {"eraser", d.eraserCount, d.eraserList.size()},
    };
    for (const auto& list : lists)
        if (list.count < 0 || static_cast<size_t>(list.count) != list.size)
            return ::testing::AssertionFailure()
                   << list.name << " count " << list.count << " size " << list.size;
    return ::testing::AssertionSuccess();
}

// Appends one record of the given kind, 0 to 4, numbered n.
bool AppendKind(int kind, int n)
{
    switch (kind) {
    case 0:
        return AppendRectangle(Rectangles(n, n, n + 1, n + 1, blue, n % 2, RECT{}, nullptr));
    case 1:
        return AppendCircle(Circles(n, n, n + 1, n + 1, blue, n % 2, RECT{}, nullptr));
    case 2:
        return AppendLine(Line(n, n, n + 1, n + 1, blue));
    case 3:
        return AppendPencil(Pencil(n, n, n + 1, n + 1, blue, nullptr));
    default:
        return AppendEraser(Eraser(n, n, n + 1, n + 1, blue, nullptr));
    }
}

} // namespace

class Drawing : public MainWindowTest {};

TEST_F(Drawing, EmptyAtStart)
{
    EXPECT_TRUE(CountsMatchLists());
    EXPECT_EQ(0, drawingLists.rectangleCount + drawingLists.circleCount + drawingLists.lineCount +
                     drawingLists.pencilCount + drawingLists.eraserCount);
}

TEST_F(Drawing, CountsFollowAppendsAndClears)
{
    std::mt19937 random(1234);
    for (int step = 0; step < 5000; ++step) {
        if (random() % 200 == 0)
            ClearDrawing(window);
        else
            ASSERT_TRUE(AppendKind(random() % 5, step));
        ASSERT_TRUE(CountsMatchLists()) << "after step " << step;
    }
}

TEST_F(Drawing, RecordsKeepTheirOrderAndStartAgainAfterClear)
{
    for (int n = 0; n < 3; ++n)
        AppendLine(Line(n, 0, 0, 0, blue));
    ASSERT_EQ(3, drawingLists.lineCount);
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(n, drawingLists.lineList[n].getStartX()) << "record " << n;

    Command(CmdClear);
    AppendLine(Line(42, 0, 0, 0, blue));
    ASSERT_EQ(1, drawingLists.lineCount);
    EXPECT_EQ(42, drawingLists.lineList[0].getStartX());
}

TEST_F(Drawing, ClearOnEmptyListsStillRepaintsEverything)
{
    Validate();
    EXPECT_EQ(0, Command(CmdClear));
    RECT client, box = UpdateBox();
    GetClientRect(window, &client);
    EXPECT_TRUE(EqualRect(&client, &box)) << "update box " << box.right << "x" << box.bottom;
}

TEST_F(Drawing, ClearChangesNothingButThePicture)
{
    for (int kind = 0; kind < 5; ++kind)
        AppendKind(kind, kind);
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
    EXPECT_EQ(0, drawingLists.rectangleCount + drawingLists.circleCount + drawingLists.lineCount +
                     drawingLists.pencilCount + drawingLists.eraserCount);
    EXPECT_EQ(0, std::memcmp(&tools, &toolState, sizeof(tools))) << "tool flags changed";
    EXPECT_EQ(3, rectangleStart.x);
    EXPECT_EQ(6, mousePoint.y);
    EXPECT_EQ(blue, currentColour);
    EXPECT_EQ(brush, currentBrush);
    EXPECT_EQ(dc, backBufferDC);
    EXPECT_EQ(bitmap, backBufferBitmap);
}

// A still-held pencil goes on drawing into the emptied list.
TEST_F(Drawing, StrokeGoesOnIntoTheClearedList)
{
    Command(CmdPencil);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MouseAt(10, 10));
    Send(WM_MOUSEMOVE, MK_LBUTTON, MouseAt(12, 10));
    Command(CmdClear);
    Send(WM_MOUSEMOVE, MK_LBUTTON, MouseAt(14, 10));
    ASSERT_EQ(1, drawingLists.pencilCount);
    EXPECT_EQ(14, drawingLists.pencilList[0].getEndX());
}

TEST_F(Drawing, AppendWithoutMemoryDropsTheRecordAndGoesOn)
{
    for (int kind = 0; kind < 5; ++kind) {
        // Fill the list to its capacity, so the next append must allocate.
        do
            ASSERT_TRUE(AppendKind(kind, 1));
        while (kind == 0 ? drawingLists.rectangleList.size() < drawingLists.rectangleList.capacity()
               : kind == 1 ? drawingLists.circleList.size() < drawingLists.circleList.capacity()
               : kind == 2 ? drawingLists.lineList.size() < drawingLists.lineList.capacity()
               : kind == 3 ? drawingLists.pencilList.size() < drawingLists.pencilList.capacity()
                           : drawingLists.eraserList.size() < drawingLists.eraserList.capacity());
        const DrawingLists before = drawingLists;
        {
            OutOfMemory noMemory;
            EXPECT_FALSE(AppendKind(kind, 2)) << "kind " << kind;
        }
        EXPECT_TRUE(CountsMatchLists()) << "kind " << kind;
        EXPECT_EQ(before.rectangleCount, drawingLists.rectangleCount) << "kind " << kind;
        EXPECT_EQ(before.circleCount, drawingLists.circleCount) << "kind " << kind;
        EXPECT_EQ(before.lineCount, drawingLists.lineCount) << "kind " << kind;
        EXPECT_EQ(before.pencilCount, drawingLists.pencilCount) << "kind " << kind;
        EXPECT_EQ(before.eraserCount, drawingLists.eraserCount) << "kind " << kind;

        EXPECT_TRUE(AppendKind(kind, 3)) << "kind " << kind << ": memory is back";
        EXPECT_TRUE(CountsMatchLists()) << "kind " << kind;
    }
}

// A gesture whose record cannot be kept leaves the picture and the window as
// they were, and the next gesture works.
TEST_F(Drawing, GestureWithoutMemoryChangesNothing)
{
    Command(CmdRectangle);
    while (drawingLists.rectangleList.size() < drawingLists.rectangleList.capacity() ||
           drawingLists.rectangleList.empty()) {
        Send(WM_LBUTTONDOWN, MK_LBUTTON, MouseAt(1, 1));
        Send(WM_LBUTTONUP, 0, MouseAt(2, 2));
    }
    const int count = drawingLists.rectangleCount;
    Validate();
    {
        OutOfMemory noMemory;
        Send(WM_LBUTTONDOWN, MK_LBUTTON, MouseAt(10, 10));
        EXPECT_EQ(0, Send(WM_LBUTTONUP, 0, MouseAt(20, 20)));
    }
    EXPECT_EQ(count, drawingLists.rectangleCount);
    EXPECT_TRUE(CountsMatchLists());
    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE)) << "nothing new to show";

    Send(WM_LBUTTONDOWN, MK_LBUTTON, MouseAt(10, 10));
    Send(WM_LBUTTONUP, 0, MouseAt(20, 20));
    EXPECT_EQ(count + 1, drawingLists.rectangleCount);
    EXPECT_TRUE(CountsMatchLists());
}

TEST_F(Drawing, CountNeverPassesTheLargestInt)
{
    drawingLists.lineCount = INT_MAX;
    EXPECT_FALSE(AppendLine(Line(1, 2, 3, 4, blue)));
    EXPECT_EQ(INT_MAX, drawingLists.lineCount);
    EXPECT_TRUE(drawingLists.lineList.empty());
}
