// Robustness: random messages to the real window procedure, long runs of size
// messages and colour choices that must leave no GDI objects behind, and
// graphics resources that the platform refuses.
#include "test_support.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/resource.h"
#include "model/drawing.h"
#include "paint/backbuffer.h"
#include "tools/colour.h"
#include "tools/toolstate.h"

namespace {

using Clock = std::chrono::steady_clock;

const COLORREF white = RGB(255, 255, 255);

// Splitmix64, so that a seed gives the same messages with every compiler.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, bound).
    unsigned Below(unsigned bound) { return static_cast<unsigned>(Next() % bound); }
    bool Chance(unsigned percent) { return Below(100) < percent; }

private:
    uint64_t state_;
};

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

RECT ClientOf(HWND window)
{
    RECT client = {};
    GetClientRect(window, &client);
    return client;
}

bool CountsMatchLists(std::string* detail)
{
    const DrawingLists& l = drawingLists;
    struct {
        const char* name;
        int count;
        size_t size;
    } lists[] = {
        {"rectangle", l.rectangleCount, l.rectangleList.size()},
        {"circle", l.circleCount, l.circleList.size()},
        {"line", l.lineCount, l.lineList.size()},
        {"pencil", l.pencilCount, l.pencilList.size()},
        {"eraser", l.eraserCount, l.eraserList.size()},
    };
    for (const auto& list : lists) {
        if (list.count < 0 || static_cast<size_t>(list.count) != list.size) {
            *detail = std::string(list.name) + "Count " + std::to_string(list.count) +
                      ", list size " + std::to_string(list.size);
            return false;
        }
    }
    return true;
}

class RobustnessTest : public MainWindowTest {
protected:
    // A red filled rectangle over (40, 30)-(100, 90) and a blue line along
    // y = 120, drawn with the real gestures.
    void DrawKnownPicture()
    {
        currentColour = RGB(200, 0, 0);
        Command(CmdFilledRectangle);
        Send(WM_LBUTTONDOWN, MK_LBUTTON, MouseAt(40, 30));
        Send(WM_LBUTTONUP, 0, MouseAt(100, 90));
        currentColour = RGB(0, 0, 200);
        Command(CmdLineTool);
        Send(WM_LBUTTONDOWN, MK_LBUTTON, MouseAt(20, 120));
        Send(WM_LBUTTONUP, 0, MouseAt(140, 120));
        Command(CmdPencil);
    }

    void ExpectKnownPicture(const char* when)
    {
        SCOPED_TRACE(when);
        EXPECT_EQ(RGB(200, 0, 0), BackBufferPixel(70, 60)) << "inside the rectangle";
        EXPECT_EQ(RGB(0, 0, 200), BackBufferPixel(80, 120)) << "on the line";
        EXPECT_EQ(white, BackBufferPixel(150, 60)) << "background";
        EXPECT_EQ(white, BackBufferPixel(10, 10)) << "background";
    }
};

// ---------------------------------------------------------------- fuzzing

const unsigned handledCommands[] = {CmdRectangle,     CmdEllipse,  CmdFilledRectangle,
                                    CmdFilledEllipse, CmdLineTool, CmdPencil,
                                    CmdEraser,        CmdClear,    CmdColourBlank};

// Commands that open a modal dialog or end the window.
bool LeftOut(unsigned command)
{
    return command == CmdAbout || command == CmdChooseColour || command == CmdExit;
}

uint64_t FuzzSeed()
{
    const char* text = std::getenv("QUILLMARK_FUZZ_SEED");
    return text ? std::strtoull(text, nullptr, 0) : 0x5EED2024ull;
}

// A point in or near the client area most of the time, anything at all otherwise.
LPARAM RandomPoint(Random& random)
{
    if (random.Chance(90))
        return MAKELPARAM(random.Below(400), random.Below(300));
    return static_cast<LPARAM>(random.Next());
}

WPARAM RandomButtons(Random& random)
{
    if (random.Chance(70))
        return MK_LBUTTON | (random.Next() & (MK_SHIFT | MK_CONTROL | MK_RBUTTON));
    return static_cast<WPARAM>(random.Next());
}

WPARAM RandomCommand(Random& random)
{
    unsigned command;
    if (random.Chance(80)) {
        command = handledCommands[random.Below(sizeof handledCommands / sizeof *handledCommands)];
    } else {
        do {
            command = random.Below(0x10000);
        } while (LeftOut(command));
    }
    // Any notification code in the high word, any bits above it.
    return static_cast<WPARAM>((random.Next() & ~static_cast<uint64_t>(0xFFFF)) | command);
}

TEST_F(RobustnessTest, RandomMessagesLeaveConsistentListsAndAWorkingPaint)
{
    const uint64_t seed = FuzzSeed();
    const int messages = 200000;
    std::printf("message fuzzer: seed 0x%llX (set QUILLMARK_FUZZ_SEED to repeat)\n",
                static_cast<unsigned long long>(seed));
    RecordProperty("fuzz_seed", std::to_string(seed));
    ResizeClient(400, 300);
    Send(WM_PAINT);
    const int gdiBefore = CountGdiObjects();

    Random random(seed);
    const Clock::time_point start = Clock::now();
    int paints = 0, sizes = 0, resizes = 0;
    for (int i = 0; i < messages; ++i) {
        // Paints and changes of size are rare: a segment out to 65535 costs
        // the platform milliseconds to draw.
        unsigned pick = random.Below(1000);
        if (pick < 450) {
            Send(WM_MOUSEMOVE, RandomButtons(random), RandomPoint(random));
        } else if (pick < 600) {
            Send(WM_LBUTTONDOWN, RandomButtons(random), RandomPoint(random));
        } else if (pick < 750) {
            Send(WM_LBUTTONUP, static_cast<WPARAM>(random.Next()), RandomPoint(random));
        } else if (pick < 900) {
            Send(WM_COMMAND, RandomCommand(random), static_cast<LPARAM>(random.Next()));
        } else if (pick < 910) {
            Send(WM_PAINT, static_cast<WPARAM>(random.Next()), static_cast<LPARAM>(random.Next()));
            ++paints;
        } else if (pick < 925) {
            // Sizes from 0 to the largest a size message can carry.
            LPARAM size = random.Chance(50)
                              ? MAKELPARAM(random.Below(0x10000), random.Below(0x10000))
                              : static_cast<LPARAM>(random.Next());
            Send(WM_SIZE, random.Below(5), size);
            ++sizes;
        } else if (pick < 930) {
            // A real change of size, down to nothing.
            ResizeClient(static_cast<int>(random.Below(640)), static_cast<int>(random.Below(480)));
            ++resizes;
        } else {
            Send(WM_MOUSEMOVE, RandomButtons(random), RandomPoint(random));
        }
        if (i % 1000 == 999) {
            std::string detail;
            ASSERT_TRUE(CountsMatchLists(&detail)) << "after message " << i << ": " << detail;
            PumpMessages();
        }
        // Keeps memory and the cost of each paint bounded.
        if (i % 100 == 99)
            Command(CmdClear);
    }
    PumpMessages();
    std::printf("message fuzzer: %d messages (%d paints, %d size messages, %d resizes) in %.1f s\n",
                messages, paints, sizes, resizes, SecondsSince(start));

    std::string detail;
    EXPECT_TRUE(CountsMatchLists(&detail)) << detail;
    // Wine may keep one more cached device context after resizes to odd
    // sizes; a leak per paint, size message or shape would show as thousands.
    const int gdiAfter = CountGdiObjects();
    EXPECT_LE(gdiAfter, gdiBefore + 2)
        << "GDI objects after the fuzzing, " << gdiBefore << " before";

    Command(CmdClear);
    ResizeClient(400, 300);
    DrawKnownPicture();
    Send(WM_PAINT);
    ExpectKnownPicture("after the fuzzing");
}

// ---------------------------------------------------------------- GDI leaks

TEST_F(RobustnessTest, SizeMessagesLeaveNoGdiObjectsBehind)
{
    const int sizeMessages = 50000;
    const int clientSizes[][2] = {{160, 120}, {1, 1}, {0, 0}, {320, 200}, {90, 400}};
    DrawKnownPicture();
    ResizeClient(160, 120);
    for (int i = 0; i < 50; ++i)
        Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(160, 120));
    Send(WM_PAINT);
    const int before = CountGdiObjects();

    for (int i = 0; i < sizeMessages; ++i) {
        if (i % 1000 == 0) {
            const int* size = clientSizes[(i / 1000) % 5];
            ResizeClient(size[0], size[1]);
        }
        // Most size messages find no paint pending; every hundredth paints.
        if (i % 100 != 0)
            Validate();
        Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(i % 2000, i % 1500));
    }
    ResizeClient(400, 300);
    Send(WM_PAINT);

    EXPECT_EQ(before, CountGdiObjects()) << "after " << sizeMessages << " size messages";
    RECT client = ClientOf(window);
    BitmapShape shape = ShapeOf(backBufferBitmap);
    EXPECT_EQ(client.right, shape.width);
    EXPECT_EQ(client.bottom, shape.height);
    ExpectKnownPicture("after the size messages");
}

// Confirms every colour dialog that this thread opens, from inside its modal
// loop: the CBT hook sees the dialog being activated and posts it a click on OK.
class ColourDialogConfirmer {
public:
    ColourDialogConfirmer()
    {
        confirmed = 0;
        hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
    }
    ~ColourDialogConfirmer() { UnhookWindowsHookEx(hook_); }
    ColourDialogConfirmer(const ColourDialogConfirmer&) = delete;
    ColourDialogConfirmer& operator=(const ColourDialogConfirmer&) = delete;

    bool hooked() const { return hook_ != nullptr; }
    static int confirmed;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HCBT_ACTIVATE) {
            HWND dialog = reinterpret_cast<HWND>(wParam);
            WCHAR className[16] = {};
            GetClassNameW(dialog, className, 16);
            HWND ok = GetDlgItem(dialog, IDOK);
            if (std::wstring(className) == L"#32770" && ok) {
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                             reinterpret_cast<LPARAM>(ok));
                ++confirmed;
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    HHOOK hook_;
};

int ColourDialogConfirmer::confirmed;

TEST_F(RobustnessTest, ConfirmedColourChoicesLeaveNoGdiObjectsBehind)
{
    // Each real dialog takes a few milliseconds under Wine; the run stops at
    // whichever comes first.
    const int wanted = 20000;
    const double budgetSeconds = 60;
    const int atLeast = 200;

    ColourDialogConfirmer confirmer;
    ASSERT_TRUE(confirmer.hooked()) << "error " << GetLastError();
    for (int i = 0; i < 20; ++i)
        Command(CmdChooseColour);
    ASSERT_EQ(20, ColourDialogConfirmer::confirmed) << "the dialog was not confirmed";
    const int before = CountGdiObjects();

    const Clock::time_point start = Clock::now();
    int choices = 0;
    COLORREF chosen = 0;
    while (choices < wanted && SecondsSince(start) < budgetSeconds) {
        // The dialog opens on the current colour; OK confirms it.
        chosen = RGB(choices * 7 % 256, choices * 13 % 256, choices * 29 % 256);
        currentColour = chosen;
        Command(CmdChooseColour);
        ++choices;
    }
    const double seconds = SecondsSince(start);
    std::printf("colour choices: %d confirmed dialogs in %.1f s (%.2f ms each)\n", choices, seconds,
                seconds * 1000 / choices);
    RecordProperty("colour_choices", choices);

    EXPECT_EQ(20 + choices, ColourDialogConfirmer::confirmed);
    EXPECT_GE(choices, atLeast) << "too few dialogs in " << budgetSeconds << " s";
    EXPECT_EQ(before, CountGdiObjects()) << "after " << choices << " colour choices";
    LOGBRUSH brush = {};
    ASSERT_EQ(static_cast<int>(sizeof brush), GetObjectW(currentBrush, sizeof brush, &brush))
        << "the current brush is not a live brush";
    EXPECT_EQ(chosen, brush.lbColor);
    EXPECT_EQ(chosen, currentColour);
}

// ---------------------------------------------------------------- refusals

// Lets the main window grow past the screen, which the platform otherwise
// does not allow: every other message goes to the program's own procedure.
class UnboundedWindow {
public:
    explicit UnboundedWindow(HWND window) : window_(window)
    {
        programProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc)));
    }
    ~UnboundedWindow()
    {
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(programProc));
    }
    UnboundedWindow(const UnboundedWindow&) = delete;
    UnboundedWindow& operator=(const UnboundedWindow&) = delete;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        LRESULT result = CallWindowProcW(programProc, window, message, wParam, lParam);
        if (message == WM_GETMINMAXINFO) {
            MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMaxSize = info->ptMaxTrackSize = POINT{100000, 100000};
        }
        return result;
    }

    static WNDPROC programProc;
    HWND window_;
};

WNDPROC UnboundedWindow::programProc;

TEST_F(RobustnessTest, ABitmapThatCannotBeMadeKeepsThePictureUntilOneCan)
{
    ResizeClient(400, 300);
    DrawKnownPicture();
    Send(WM_PAINT);
    ExpectKnownPicture("before");
    const HBITMAP kept = backBufferBitmap;
    const int gdiBefore = CountGdiObjects();

    {
        // Window sizes stop short of 32768; a bitmap of such a size needs
        // more than 4 GB, which the platform refuses.
        UnboundedWindow unbounded(window);
        ResizeClient(60000, 60000);
        RECT client = ClientOf(window);
        ASSERT_GE(client.right, 30000) << "the window did not grow";
        ASSERT_GE(client.bottom, 30000) << "the window did not grow";
        HDC windowDC = GetDC(window);
        HBITMAP huge = CreateCompatibleBitmap(windowDC, client.right, client.bottom);
        ReleaseDC(window, windowDC);
        if (huge)
            DeleteObject(huge);
        ASSERT_EQ(nullptr, huge) << "the platform made a bitmap of " << client.right << " x "
                                 << client.bottom << "; nothing to refuse";

        EXPECT_EQ(kept, backBufferBitmap) << "the bitmap in use was given up";
        Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
        EXPECT_EQ(kept, backBufferBitmap) << "the bitmap in use was given up at a size message";
        Send(WM_PAINT);
        EXPECT_EQ(client.right, clientRect.right);
        ExpectKnownPicture("while the window is too large for a bitmap");
        EXPECT_EQ(gdiBefore, CountGdiObjects()) << "while the window is too large";
    }

    ResizeClient(480, 360);
    Send(WM_PAINT);
    RECT client = ClientOf(window);
    BitmapShape shape = ShapeOf(backBufferBitmap);
    EXPECT_EQ(client.right, shape.width);
    EXPECT_EQ(client.bottom, shape.height);
    EXPECT_EQ(480, client.right);
    ExpectKnownPicture("once the window has a size that can be had");
    EXPECT_EQ(gdiBefore, CountGdiObjects());
}

TEST_F(RobustnessTest, PaintGoesOnWhileNoPenOrBrushCanBeMade)
{
    ResizeClient(400, 300);
    DrawKnownPicture();
    Send(WM_PAINT);
    ExpectKnownPicture("before");
    const int gdiBefore = CountGdiObjects();

    std::vector<HBRUSH> hoard;
    const size_t limit = 1000000;
    while (hoard.size() < limit) {
        HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
        if (!brush)
            break;
        hoard.push_back(brush);
    }
    const size_t held = hoard.size();
    std::printf("GDI objects ran out after %zu brushes\n", held);
    const HPEN pen = CreatePen(PS_SOLID, 4, RGB(1, 2, 3));
    if (pen)
        DeleteObject(pen);

    // A gesture still records; a paint still runs and leaves out what it
    // cannot draw rather than drawing it with whatever the context holds.
    currentColour = RGB(0, 150, 0);
    Command(CmdFilledEllipse);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MouseAt(150, 20));
    Send(WM_LBUTTONUP, 0, MouseAt(190, 60));
    Send(WM_PAINT);
    const COLORREF rectangleDuring = BackBufferPixel(70, 60);
    const COLORREF ellipseDuring = BackBufferPixel(170, 40);
    const COLORREF backgroundDuring = BackBufferPixel(10, 10);
    const int circles = drawingLists.circleCount;

    for (HBRUSH brush : hoard)
        DeleteObject(brush);
    hoard.clear();

    ASSERT_LT(held, limit) << "brushes never ran out";
    EXPECT_EQ(nullptr, pen) << "a pen could still be made with " << held << " brushes held";
    EXPECT_EQ(1, circles);
    EXPECT_EQ(white, rectangleDuring) << "the rectangle drawn with no brush of its own";
    EXPECT_EQ(white, ellipseDuring) << "the ellipse drawn with no brush of its own";
    EXPECT_EQ(white, backgroundDuring);
    EXPECT_EQ(gdiBefore, CountGdiObjects());

    Send(WM_PAINT);
    ExpectKnownPicture("once brushes can be made again");
    EXPECT_EQ(RGB(0, 150, 0), BackBufferPixel(170, 40)) << "the ellipse recorded meanwhile";
}

} // namespace
