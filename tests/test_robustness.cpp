// Robustness: graphics resources that the platform refuses. The long runs of
// random messages, size messages and colour choices are in test_volume.cpp.
#include "test_support.h"

#include <cstdio>

#include "app/app.h"
#include "app/resource.h"
#include "model/drawing.h"
#include "paint/backbuffer.h"
#include "tools/colour.h"
#include "tools/toolstate.h"

namespace {

class RobustnessTest : public MainWindowTest {};

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
        if (client.right < 30000 || client.bottom < 30000)
            GTEST_SKIP() << "the platform keeps the window at " << client.right << " x "
                         << client.bottom << "; no bitmap to refuse";
        HDC windowDC = GetDC(window);
        HBITMAP huge = CreateCompatibleBitmap(windowDC, client.right, client.bottom);
        ReleaseDC(window, windowDC);
        if (huge) {
            DeleteObject(huge);
            GTEST_SKIP() << "the platform made a bitmap of " << client.right << " x "
                         << client.bottom << "; nothing to refuse";
        }

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
