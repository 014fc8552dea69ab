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

#include "app/app.h"
#include "app/resource.h"
#include "model/drawing.h"
#include "paint/backbuffer.h"
#include "tools/colour.h"
#include "tools/toolstate.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class RobustnessTest : public MainWindowTest {
protected:
    // A red filled rectangle over (40, 30)-(100, 90) and a blue line along
    // y = 120, drawn with the real gestures.
    void DrawKnownPicture()
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

    // Draws the known picture at 400 x 300, paints and checks it.
    void ShowKnownPicture(const char* when)
    {
        ResizeClient(400, 300);
        DrawKnownPicture();
        Send(WM_PAINT);
        ExpectKnownPicture(when);
    }

    void ExpectKnownPicture(const char* when)
    {
        SCOPED_TRACE(when);
        const Pixels picture(backBufferDC);
        EXPECT_EQ(Rgb{RGB(200, 0, 0)}, Rgb{picture.At(70, 60)}) << "inside the rectangle";
        EXPECT_EQ(Rgb{RGB(0, 0, 200)}, Rgb{picture.At(80, 120)}) << "on the line";
        EXPECT_EQ(Rgb{white}, Rgb{picture.At(150, 60)}) << "background";
        EXPECT_EQ(Rgb{white}, Rgb{picture.At(10, 10)}) << "background";
    }
};

// ---------------------------------------------------------------- fuzzing

// The seven tool commands, Clear and the unlabelled Colours item.
std::vector<unsigned> HandledCommands()
{
    std::vector<unsigned> commands;
    for (const Tool& tool : tools)
        commands.push_back(tool.command);
    commands.push_back(CmdClear);
    commands.push_back(CmdColourBlank);
    return commands;
}

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
    if (random.Chance(90)) {
        const unsigned x = random.Below(400);
        return MAKELPARAM(x, random.Below(300));
    }
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
    static const std::vector<unsigned> handled = HandledCommands();
    unsigned command;
    if (random.Chance(80)) {
        command = handled[random.Below(static_cast<unsigned>(handled.size()))];
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
            const WPARAM buttons = RandomButtons(random);
            Send(WM_MOUSEMOVE, buttons, RandomPoint(random));
        } else if (pick < 600) {
            const WPARAM buttons = RandomButtons(random);
            Send(WM_LBUTTONDOWN, buttons, RandomPoint(random));
        } else if (pick < 750) {
            const WPARAM buttons = static_cast<WPARAM>(random.Next());
            Send(WM_LBUTTONUP, buttons, RandomPoint(random));
        } else if (pick < 900) {
            const WPARAM command = RandomCommand(random);
            Send(WM_COMMAND, command, static_cast<LPARAM>(random.Next()));
        } else if (pick < 910) {
            const WPARAM wParam = static_cast<WPARAM>(random.Next());
            Send(WM_PAINT, wParam, static_cast<LPARAM>(random.Next()));
            ++paints;
        } else if (pick < 925) {
            // Sizes from 0 to the largest a size message can carry.
            LPARAM size;
            if (random.Chance(50)) {
                const unsigned width = random.Below(0x10000);
                size = MAKELPARAM(width, random.Below(0x10000));
            } else {
                size = static_cast<LPARAM>(random.Next());
            }
            Send(WM_SIZE, random.Below(5), size);
            ++sizes;
        } else if (pick < 930) {
            // A real change of size, down to nothing.
            const int width = static_cast<int>(random.Below(640));
            ResizeClient(width, static_cast<int>(random.Below(480)));
            ++resizes;
        } else {
            const WPARAM buttons = RandomButtons(random);
            Send(WM_MOUSEMOVE, buttons, RandomPoint(random));
        }
        if (i % 1000 == 999) {
            ASSERT_TRUE(CountsMatchLists()) << "after message " << i;
            PumpMessages();
        }
        // Keeps memory and the cost of each paint bounded.
        if (i % 100 == 99)
            Command(CmdClear);
    }
    PumpMessages();
    std::printf("message fuzzer: %d messages (%d paints, %d size messages, %d resizes) in %.1f s\n",
                messages, paints, sizes, resizes, SecondsSince(start));

    EXPECT_TRUE(CountsMatchLists());
    // Wine may keep one more cached device context after resizes to odd
    // sizes; a leak per paint, size message or shape would show as thousands.
    const int gdiAfter = CountGdiObjects();
    EXPECT_LE(gdiAfter, gdiBefore + 2)
        << "GDI objects after the fuzzing, " << gdiBefore << " before";

    Command(CmdClear);
    ShowKnownPicture("after the fuzzing");
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
    ExpectBackBufferCoversClient("after the size messages");
    ExpectKnownPicture("after the size messages");
}

TEST_F(RobustnessTest, ConfirmedColourChoicesLeaveNoGdiObjectsBehind)
{
    // Each real dialog takes a few milliseconds under Wine; the run stops at
    // whichever comes first.
    const int wanted = 20000;
    const double budgetSeconds = 60;
    const int atLeast = 200;

    DialogDriver confirm([](HWND dialog) { ClickButton(dialog, IDOK); });
    for (int i = 0; i < 20; ++i)
        Command(CmdChooseColour);
    ASSERT_EQ(20, confirm.acted()) << "colour dialogs confirmed";
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

    EXPECT_EQ(20 + choices, confirm.acted());
    EXPECT_EQ(0, confirm.forcedClosed());
    EXPECT_GE(choices, atLeast) << "too few dialogs in " << budgetSeconds << " s";
    EXPECT_EQ(before, CountGdiObjects()) << "after " << choices << " colour choices";
    EXPECT_TRUE(IsSolidBrushOf(currentBrush, chosen));
    EXPECT_EQ(Rgb{chosen}, Rgb{currentColour});
}

// ---------------------------------------------------------------- refusals

// Lets the main window grow past the screen, which the platform otherwise
// does not allow.
LRESULT CALLBACK UnboundedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = MainWindowProc(window, message, wParam, lParam);
    if (message == WM_GETMINMAXINFO) {
        MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMaxSize = info->ptMaxTrackSize = POINT{100000, 100000};
    }
    return result;
}

TEST_F(RobustnessTest, ABitmapThatCannotBeMadeKeepsThePictureUntilOneCan)
{
    ShowKnownPicture("before");
    const HBITMAP kept = backBufferBitmap;
    const int gdiBefore = CountGdiObjects();

    {
        // Window sizes stop short of 32768; a bitmap of such a size needs
        // more than 4 GB, which the platform refuses.
        ProcedureSwap unbounded(window, UnboundedWindowProc);
        ResizeClient(60000, 60000);
        const RECT client = Client();
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
    ExpectBackBufferCoversClient("once the window can have a bitmap");
    EXPECT_EQ(480, Client().right);
    ExpectKnownPicture("once the window has a size that can be had");
    EXPECT_EQ(gdiBefore, CountGdiObjects());
}

TEST_F(RobustnessTest, PaintGoesOnWhileNoPenOrBrushCanBeMade)
{
    ShowKnownPicture("before");
    const int gdiBefore = CountGdiObjects();

    GdiHoard hoard;
    const size_t held = hoard.size();
    std::printf("GDI objects ran out after %zu brushes\n", held);
    const HPEN pen = CreatePen(PS_SOLID, 4, RGB(1, 2, 3));
    if (pen)
        DeleteObject(pen);

    // A gesture still records; a paint still runs and leaves out what it
    // cannot draw rather than drawing it with whatever the context holds.
    currentColour = RGB(0, 150, 0);
    Command(CmdFilledEllipse);
    Press(150, 20);
    Release(190, 60);
    Send(WM_PAINT);
    const Pixels picture(backBufferDC);
    const COLORREF rectangleDuring = picture.At(70, 60);
    const COLORREF ellipseDuring = picture.At(170, 40);
    const COLORREF backgroundDuring = picture.At(10, 10);
    const int circles = drawingLists.circleCount;
    hoard.Release();

    ASSERT_TRUE(hoard.exhausted()) << "brushes never ran out";
    EXPECT_EQ(nullptr, pen) << "a pen could still be made with " << held << " brushes held";
    EXPECT_EQ(1, circles);
    EXPECT_EQ(Rgb{white}, Rgb{rectangleDuring}) << "the rectangle drawn with no brush of its own";
    EXPECT_EQ(Rgb{white}, Rgb{ellipseDuring}) << "the ellipse drawn with no brush of its own";
    EXPECT_EQ(Rgb{white}, Rgb{backgroundDuring});
    EXPECT_EQ(gdiBefore, CountGdiObjects());

    Send(WM_PAINT);
    ExpectKnownPicture("once brushes can be made again");
    EXPECT_EQ(Rgb{RGB(0, 150, 0)}, Rgb{picture.At(170, 40)}) << "the ellipse recorded meanwhile";
}

} // namespace
