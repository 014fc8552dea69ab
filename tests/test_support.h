// The toolkit of Quillmark's tests, on top of tests/harness.h (driving the
// program) and tests/pixels.h (reading pixels), which need no GoogleTest: the
// tool table, equality and printers for the records, the tool flags and the
// rest that tests compare, the drawing lists read by kind, a main window per
// test, one driver for modal dialogs, and GDI object counting and hoarding.
#pragma once

#include <windows.h>

#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "model/shapes.h"
#include "tests/harness.h"
#include "tests/pixels.h"
#include "tools/toolstate.h"

const COLORREF white = RGB(255, 255, 255);
const COLORREF black = RGB(0, 0, 0);
const COLORREF red = RGB(255, 0, 0);
const COLORREF green = RGB(0, 160, 0);
const COLORREF blue = RGB(0, 0, 255);
const COLORREF magenta = RGB(255, 0, 255);
const COLORREF orange = RGB(255, 128, 0);
const COLORREF teal = RGB(0, 128, 128);

// A colour that prints as RGB(r, g, b): EXPECT_EQ(Rgb{expected}, Rgb{got}).
struct Rgb {
    COLORREF value;
    bool operator==(Rgb other) const { return value == other.value; }
};
void PrintTo(Rgb colour, std::ostream* out);

// Equality and printers, so that EXPECT_EQ shows both sides field by field.
bool operator==(const RECT& a, const RECT& b);
void PrintTo(const RECT& r, std::ostream* out);
bool operator==(const POINT& a, const POINT& b);
void PrintTo(const POINT& p, std::ostream* out);
void PrintTo(Kind kind, std::ostream* out);
void PrintTo(const Shape& s, std::ostream* out);
bool operator==(const ToolState& a, const ToolState& b);
void PrintTo(const ToolState& t, std::ostream* out);

// Each record read through its getters.
Shape ShapeOf(const Rectangles& r);
Shape ShapeOf(const Circles& c);
Shape ShapeOf(const Line& l);
Shape ShapeOf(const Pencil& p);
Shape ShapeOf(const Eraser& e);

// The five records compare and print as the shapes their getters give.
template <class Record, class = decltype(ShapeOf(std::declval<Record>()))>
bool operator==(const Record& a, const Record& b)
{
    return ShapeOf(a) == ShapeOf(b);
}

template <class Record, class = decltype(ShapeOf(std::declval<Record>()))>
std::ostream& operator<<(std::ostream& out, const Record& r)
{
    PrintTo(ShapeOf(r), &out);
    return out;
}

// --- The drawing lists, by kind ----------------------------------------------

const Kind kinds[] = {Kind::Rectangle, Kind::Ellipse, Kind::Line, Kind::Pencil, Kind::Eraser};
// The kinds as the tables of shapes write them.
const Kind R = Kind::Rectangle, E = Kind::Ellipse, L = Kind::Line, P = Kind::Pencil,
           X = Kind::Eraser;

struct ListState {
    const char* name;
    int count;
    size_t size, capacity;
};
ListState ListOf(Kind kind);
// Every record in the list of a kind, oldest first.
std::vector<Shape> ShapesOf(Kind kind);
// Every record of every list, list by list in the order of kinds.
std::vector<Shape> AllShapes();
// The five counts added up.
int RecordCount();
// Every count equals the size of its list.
::testing::AssertionResult CountsMatchLists();
// Appends each shape to its list, as a finished gesture does.
void AddShapes(const std::vector<Shape>& shapes);

// --- The tools of the Drawing menu -------------------------------------------

struct Tool {
    const char* name;
    unsigned command;
    Kind kind;       // the list its gestures append to
    bool filled;     // the filled flag of its records
    ToolState flags; // the tool flags its command leaves
};
extern const Tool tools[7];
const Tool& ToolOf(unsigned command);
void PrintTo(const Tool& tool, std::ostream* out);

// --- A fresh program state per test -----------------------------------------

// No window: the drawing lists, tool and colour as at start, before and after.
class ProgramStateTest : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramState(); }
    void TearDown() override { ResetProgramState(); }
};

// --- A main window per test --------------------------------------------------

// A fresh program state and a real main window for each test. It is shown
// (update regions need that) but, with no display, appears nowhere.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Sends a message to the real window procedure of the main window.
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return SendMessageW(window, message, wParam, lParam);
    }
    LRESULT Command(unsigned id) { return Send(WM_COMMAND, id, 0); }
    LRESULT Press(int x, int y) { return Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
    // A move with the left button held, as while dragging.
    LRESULT Drag(int x, int y) { return Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y)); }
    // A move with no button held.
    LRESULT Hover(int x, int y) { return Send(WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
    LRESULT Release(int x, int y) { return Send(WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }
    void ResizeClient(int width, int height) { SetClientSize(window, width, height); }
    RECT Client()
    {
        RECT client = {};
        GetClientRect(window, &client);
        return client;
    }
    // Drops any pending update region.
    void Validate() { ValidateRect(window, nullptr); }
    // The update region's bounding box; empty when nothing is invalid.
    RECT UpdateBox()
    {
        RECT box = {};
        GetUpdateRect(window, &box, FALSE);
        return box;
    }
    // Invalidates the client and checks that the update region can be seen,
    // then validates again: checks for no invalidation prove nothing otherwise.
    void ExpectUpdateRegionObservable();
    // The back buffer's bitmap has the client's size, in colour.
    void ExpectBackBufferCoversClient(const char* when);

    // A known picture drawn with the real gestures: a red filled rectangle
    // over (40, 30)-(100, 90) and a blue line along y = 120.
    void DrawKnownPicture();
    // Draws it at 400 x 300, paints and checks it.
    void ShowKnownPicture(const char* when);
    // The back buffer shows it.
    void ExpectKnownPicture(const char* when);

    HWND window = nullptr;
};

// Names each case of a parameterised test as its parameter prints.
struct PrintedName {
    template <class Param>
    std::string operator()(const ::testing::TestParamInfo<Param>& info) const
    {
        return ::testing::PrintToString(info.param);
    }
};

// Paints the scene into a canvas as the paint cycle paints the back buffer:
// the canvas stands in for backBufferDC, with a clientRect of this size.
void PaintInto(MemoryCanvas& canvas, int width, int height);

// A pixel's expected colour.
struct Probe {
    int x, y;
    COLORREF colour;
    const char* what = "";
};

// --- Modal dialogs -----------------------------------------------------------

// Drives the modal dialogs this thread opens, from a thread timer that their
// own modal loops dispatch. Each dialog owned by the main window gets the
// action once, as soon as it shows (until then its controls are hidden and
// clicks on them go nowhere). A dialog still open five seconds after the
// action, or after the driver started, is ended and counted in forcedClosed(),
// so no test waits in a modal loop forever.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(HWND dialog)> action);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    int acted() const { return acted_; }
    int forcedClosed() const { return forcedClosed_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    static DialogDriver* current;
    std::function<void(HWND)> action_;
    UINT_PTR timer_;
    ULONGLONG deadline_;
    HWND last_ = nullptr;
    int acted_ = 0;
    int forcedClosed_ = 0;
};

// Any dialog box of this thread (other test programs may show theirs at the
// same time), or null.
HWND DialogOfThisThread();

// Clicks a dialog button as the button itself reports a click.
void ClickButton(HWND dialog, int id);

// --- GDI objects -------------------------------------------------------------

// A live solid brush of the colour.
::testing::AssertionResult IsSolidBrushOf(HBRUSH brush, COLORREF colour);

// Live GDI objects of this process. Wine's GetGuiResources reports 0, but Wine
// accepts handle values with their upper bits clear, so every small handle
// value is asked for its type; on Windows GetGuiResources answers.
int CountGdiObjects();

// The device contexts of a window taken and not given back; each found is
// given back now. Found as CountGdiObjects finds objects, which works under
// Wine (on Windows none are found); ReleaseDC accepts only a context still
// taken, and Wine keeps the window of a released one.
int TakenDeviceContexts(HWND window);

// The live GDI objects that one run of `round` adds, as most runs show it:
// the median of `rounds` runs (given 1 to rounds), counted after a first run
// (given 0). One object left behind per run shows in every run. Objects the
// platform makes once and keeps (Wine caches a few, more in later versions)
// come in the first run, or in one later run when other processes' windows
// come and go on the same desktop (seen under Wine: three bitmaps, or a
// brush), and do not count.
int GdiGrowth(int rounds, const std::function<void(int round)>& round);

// Takes every GDI handle the process may have, for as long as it lives or
// until Release().
class GdiHoard {
public:
    GdiHoard();
    ~GdiHoard() { Release(); }
    GdiHoard(const GdiHoard&) = delete;
    GdiHoard& operator=(const GdiHoard&) = delete;

    size_t size() const { return held_.size(); }
    // False when the handles never ran out.
    bool exhausted() const { return exhausted_; }
    void Release();

private:
    std::vector<HBRUSH> held_;
    bool exhausted_ = false;
};

// Width, height and bits per pixel of a bitmap.
struct BitmapFormat {
    int width, height, bitsPerPixel;
};
BitmapFormat FormatOf(HBITMAP bitmap);
