#include "test_support.h"

#include <algorithm>
#include <string>

#include "app/app.h"
#include "app/resource.h"
#include "model/drawing.h"
#include "paint/backbuffer.h"
#include "paint/scene.h"
#include "tools/colour.h"

// --- Equality and printers ---------------------------------------------------

void PrintTo(Rgb colour, std::ostream* out)
{
    if (colour.value == CLR_INVALID) {
        *out << "CLR_INVALID";
        return;
    }
    *out << "RGB(" << int(GetRValue(colour.value)) << ", " << int(GetGValue(colour.value)) << ", "
         << int(GetBValue(colour.value)) << ")";
    if (colour.value >> 24)
        *out << " with high byte 0x" << std::hex << (colour.value >> 24) << std::dec;
}

bool operator==(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

void PrintTo(const RECT& r, std::ostream* out)
{
    *out << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

bool operator==(const POINT& a, const POINT& b)
{
    return a.x == b.x && a.y == b.y;
}

void PrintTo(const POINT& p, std::ostream* out)
{
    *out << "(" << p.x << "," << p.y << ")";
}

void PrintTo(Kind kind, std::ostream* out)
{
    const char* names[] = {"Rectangle", "Ellipse", "Line", "Pencil", "Eraser"};
    *out << names[static_cast<int>(kind)];
}

void PrintTo(const Shape& s, std::ostream* out)
{
    PrintTo(s.kind, out);
    *out << " (" << s.x0 << "," << s.y0 << ")-(" << s.x1 << "," << s.y1 << ") ";
    PrintTo(Rgb{s.colour}, out);
    *out << (s.filled ? " filled" : " outlined");
}

namespace {

// Through an alias: clang-format 14 and 19 space a member pointer's
// declarator differently, and the check runs with either.
using ToolFlag = bool ToolState::*;

const struct {
    const char* name;
    ToolFlag flag;
} toolFlags[] = {
    {"rectangleTool", &ToolState::rectangleTool}, {"filledRectangle", &ToolState::filledRectangle},
    {"ellipseTool", &ToolState::ellipseTool},     {"filledEllipse", &ToolState::filledEllipse},
    {"lineTool", &ToolState::lineTool},           {"pencilTool", &ToolState::pencilTool},
    {"eraserTool", &ToolState::eraserTool},       {"pencilDown", &ToolState::pencilDown},
    {"eraserDown", &ToolState::eraserDown},
};

template <class Record>
Shape OutlinedShape(Kind kind, const Record& r)
{
    return Shape{kind, r.getStartX(), r.getStartY(), r.getEndX(), r.getEndY(), r.getColour()};
}

} // namespace

bool operator==(const ToolState& a, const ToolState& b)
{
    for (const auto& f : toolFlags)
        if (a.*f.flag != b.*f.flag)
            return false;
    return true;
}

// Only the flags that are set, so the two sides of a failure read at a glance.
void PrintTo(const ToolState& t, std::ostream* out)
{
    *out << "{";
    const char* separator = "";
    for (const auto& f : toolFlags)
        if (t.*f.flag) {
            *out << separator << f.name;
            separator = " ";
        }
    *out << "}";
}

Shape ShapeOf(const Rectangles& r)
{
    Shape s = OutlinedShape(Kind::Rectangle, r);
    s.filled = r.getFilled();
    return s;
}

Shape ShapeOf(const Circles& c)
{
    Shape s = OutlinedShape(Kind::Ellipse, c);
    s.filled = c.getFilled();
    return s;
}

Shape ShapeOf(const Line& l)
{
    return OutlinedShape(Kind::Line, l);
}

Shape ShapeOf(const Pencil& p)
{
    return OutlinedShape(Kind::Pencil, p);
}

Shape ShapeOf(const Eraser& e)
{
    return OutlinedShape(Kind::Eraser, e);
}

// --- The drawing lists -------------------------------------------------------

namespace {

// Calls visit(name, count, list) on the list of a kind.
template <class Visit>
auto VisitList(Kind kind, Visit visit)
{
    DrawingLists& d = drawingLists;
    switch (kind) {
    case Kind::Ellipse:
        return visit("circle", d.circleCount, d.circleList);
    case Kind::Line:
        return visit("line", d.lineCount, d.lineList);
    case Kind::Pencil:
        return visit("pencil", d.pencilCount, d.pencilList);
    case Kind::Eraser:
        return visit("eraser", d.eraserCount, d.eraserList);
    default:
        return visit("rectangle", d.rectangleCount, d.rectangleList);
    }
}

} // namespace

ListState ListOf(Kind kind)
{
    return VisitList(kind, [](const char* name, int count, const auto& list) {
        return ListState{name, count, list.size(), list.capacity()};
    });
}

std::vector<Shape> ShapesOf(Kind kind)
{
    return VisitList(kind, [](const char*, int, const auto& list) {
        std::vector<Shape> shapes;
        for (const auto& record : list)
            shapes.push_back(ShapeOf(record));
        return shapes;
    });
}

std::vector<Shape> AllShapes()
{
    std::vector<Shape> all;
    for (Kind kind : kinds)
        for (const Shape& shape : ShapesOf(kind))
            all.push_back(shape);
    return all;
}

int RecordCount()
{
    int count = 0;
    for (Kind kind : kinds)
        count += ListOf(kind).count;
    return count;
}

::testing::AssertionResult CountsMatchLists()
{
    for (Kind kind : kinds) {
        const ListState list = ListOf(kind);
        if (list.count < 0 || static_cast<size_t>(list.count) != list.size)
            return ::testing::AssertionFailure()
                   << list.name << "Count " << list.count << ", list size " << list.size;
    }
    return ::testing::AssertionSuccess();
}

void AddShapes(const std::vector<Shape>& shapes)
{
    for (const Shape& shape : shapes)
        ASSERT_TRUE(AppendShape(shape)) << ::testing::PrintToString(shape);
}

// --- The tools ---------------------------------------------------------------

// The tool flags as 1 and 0, in the order of ToolState:
// rectangleTool, filledRectangle, ellipseTool, filledEllipse, lineTool, pencilTool, eraserTool.
// clang-format off
const Tool tools[7] = {
    {"Rectangle",       CmdRectangle,       Kind::Rectangle, false, {1, 0, 0, 0, 0, 0, 0}},
    {"Ellipse",         CmdEllipse,         Kind::Ellipse,   false, {0, 0, 1, 0, 0, 0, 0}},
    {"FilledRectangle", CmdFilledRectangle, Kind::Rectangle, true,  {1, 1, 0, 0, 0, 0, 0}},
    {"FilledEllipse",   CmdFilledEllipse,   Kind::Ellipse,   true,  {0, 0, 1, 1, 0, 0, 0}},
    {"LineTool",        CmdLineTool,        Kind::Line,      false, {0, 0, 0, 0, 1, 0, 0}},
    {"Pencil",          CmdPencil,          Kind::Pencil,    false, {0, 0, 0, 0, 0, 1, 0}},
    {"Eraser",          CmdEraser,          Kind::Eraser,    false, {0, 0, 0, 0, 0, 0, 1}},
};
// clang-format on

const Tool& ToolOf(unsigned command)
{
    for (const Tool& tool : tools)
        if (tool.command == command)
            return tool;
    ADD_FAILURE() << "no tool has command " << command;
    return tools[0];
}

void PrintTo(const Tool& tool, std::ostream* out)
{
    *out << tool.name;
}

// --- The main window ---------------------------------------------------------

void MainWindowTest::SetUp()
{
    ResetProgramState();
    // Shown, because the platform keeps no update region for a hidden window.
    // Under Wine's null graphics driver nothing appears on any screen.
    ASSERT_TRUE(OpenMainWindow(SW_SHOWNOACTIVATE)) << "error " << GetLastError();
    window = mainWindow;
    PumpMessages();
}

void MainWindowTest::TearDown()
{
    if (window && IsWindow(window))
        DestroyWindow(window);
    PumpMessages();
    ResetProgramState();
}

void MainWindowTest::ExpectUpdateRegionObservable()
{
    InvalidateRect(window, nullptr, FALSE);
    EXPECT_EQ(Client(), UpdateBox()) << "the update region cannot be observed";
    Validate();
}

void MainWindowTest::ExpectBackBufferCoversClient(const char* when)
{
    const BitmapFormat format = FormatOf(backBufferBitmap);
    EXPECT_EQ(Client().right, format.width) << when;
    EXPECT_EQ(Client().bottom, format.height) << when;
    EXPECT_GT(format.bitsPerPixel, 1) << when << ": a monochrome bitmap";
}

void MainWindowTest::DrawKnownPicture()
{
    currentColour = RGB(200, 0, 0);
    Command(CmdFilledRectangle);
    Press(40, 30);
    Release(100, 90);
    currentColour = RGB(0, 0, 200);
    Command(CmdLineTool);
    Press(20, 120);
    Release(140, 120);
    Command(CmdPencil);
}

void MainWindowTest::ShowKnownPicture(const char* when)
{
    ResizeClient(400, 300);
    DrawKnownPicture();
    Send(WM_PAINT);
    ExpectKnownPicture(when);
}

void MainWindowTest::ExpectKnownPicture(const char* when)
{
    SCOPED_TRACE(when);
    const Pixels picture(backBufferDC);
    EXPECT_EQ(Rgb{RGB(200, 0, 0)}, Rgb{picture.At(70, 60)}) << "inside the rectangle";
    EXPECT_EQ(Rgb{RGB(0, 0, 200)}, Rgb{picture.At(80, 120)}) << "on the line";
    EXPECT_EQ(Rgb{white}, Rgb{picture.At(150, 60)}) << "background";
    EXPECT_EQ(Rgb{white}, Rgb{picture.At(10, 10)}) << "background";
}

void PaintInto(MemoryCanvas& canvas, int width, int height)
{
    clientRect = RECT{0, 0, width, height};
    const HDC backBuffer = backBufferDC;
    backBufferDC = canvas.dc();
    PaintScene(canvas.dc());
    GdiFlush();
    backBufferDC = backBuffer;
}

// --- Modal dialogs -----------------------------------------------------------

namespace {

const ULONGLONG dialogPatience = 5000;

struct DialogSearch {
    bool ownedByMainWindow;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND candidate, LPARAM param)
{
    DialogSearch* search = reinterpret_cast<DialogSearch*>(param);
    WCHAR className[16] = {};
    GetClassNameW(candidate, className, 16);
    if (lstrcmpW(className, L"#32770") != 0)
        return TRUE;
    if (search->ownedByMainWindow &&
        (GetWindow(candidate, GW_OWNER) != mainWindow || !IsWindowVisible(candidate)))
        return TRUE;
    search->found = candidate;
    return FALSE;
}

// A shown dialog box owned by the main window, or any dialog box of this thread.
HWND FindDialogOfThisThread(bool ownedByMainWindow)
{
    DialogSearch search = {ownedByMainWindow, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

HWND DialogOfThisThread()
{
    return FindDialogOfThisThread(false);
}

DialogDriver* DialogDriver::current = nullptr;

DialogDriver::DialogDriver(std::function<void(HWND dialog)> action)
    : action_(std::move(action)), deadline_(GetTickCount64() + dialogPatience)
{
    EXPECT_EQ(nullptr, current) << "one dialog driver at a time";
    current = this;
    // The platform's shortest period; each dialog waits about half of it.
    timer_ = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, Tick);
}

DialogDriver::~DialogDriver()
{
    KillTimer(nullptr, timer_);
    current = nullptr;
}

void CALLBACK DialogDriver::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    DialogDriver* driver = current;
    if (!driver)
        return;
    HWND dialog = FindDialogOfThisThread(true);
    if (dialog && dialog != driver->last_) {
        driver->last_ = dialog;
        ++driver->acted_;
        driver->deadline_ = GetTickCount64() + dialogPatience;
        driver->action_(dialog);
        return;
    }
    if (GetTickCount64() > driver->deadline_) {
        // EndDialog rather than a button: it closes the box whatever its
        // procedure does with buttons and keys.
        if (HWND stuck = FindDialogOfThisThread(false)) {
            ++driver->forcedClosed_;
            driver->deadline_ = GetTickCount64() + dialogPatience;
            EndDialog(stuck, IDCANCEL);
        }
    }
}

void ClickButton(HWND dialog, int id)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// --- GDI objects -------------------------------------------------------------

::testing::AssertionResult IsSolidBrushOf(HBRUSH brush, COLORREF colour)
{
    LOGBRUSH info = {};
    if (GetObjectType(brush) != OBJ_BRUSH || GetObjectW(brush, sizeof(info), &info) != sizeof(info))
        return ::testing::AssertionFailure() << "brush " << brush << " is not a live brush";
    if (info.lbStyle != BS_SOLID || info.lbColor != colour)
        return ::testing::AssertionFailure()
               << "style " << info.lbStyle << " colour "
               << ::testing::PrintToString(Rgb{info.lbColor}) << ", wanted solid "
               << ::testing::PrintToString(Rgb{colour});
    return ::testing::AssertionSuccess();
}

int CountGdiObjects()
{
    int count = static_cast<int>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    if (count > 0)
        return count;
    for (ULONG_PTR handle = 1; handle <= 0xFFFF; ++handle)
        count += GetObjectType(reinterpret_cast<HGDIOBJ>(handle)) != 0;
    return count;
}

int TakenDeviceContexts(HWND window)
{
    int taken = 0;
    for (ULONG_PTR handle = 1; handle <= 0xFFFF; ++handle) {
        HDC dc = reinterpret_cast<HDC>(handle);
        if (GetObjectType(dc) == OBJ_DC && WindowFromDC(dc) == window && ReleaseDC(window, dc))
            ++taken;
    }
    return taken;
}

int GdiGrowth(int rounds, const std::function<void(int round)>& round)
{
    round(0);
    std::vector<int> growth;
    for (int i = 1; i <= rounds; ++i) {
        const int before = CountGdiObjects();
        round(i);
        growth.push_back(CountGdiObjects() - before);
    }
    const auto middle = growth.begin() + (rounds - 1) / 2;
    std::nth_element(growth.begin(), middle, growth.end());
    return *middle;
}

GdiHoard::GdiHoard()
{
    // Far more than any process may have: Windows allows 65,536 at the most.
    const size_t limit = 1000000;
    while (held_.size() < limit) {
        HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
        if (!brush) {
            exhausted_ = true;
            return;
        }
        held_.push_back(brush);
    }
}

void GdiHoard::Release()
{
    for (HBRUSH brush : held_)
        DeleteObject(brush);
    held_.clear();
}

BitmapFormat FormatOf(HBITMAP bitmap)
{
    BITMAP info = {};
    GetObjectW(bitmap, sizeof(info), &info);
    return BitmapFormat{info.bmWidth, info.bmHeight, info.bmBitsPixel};
}
