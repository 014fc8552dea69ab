// The back buffer and the paint cycle, on the real main window.
#include "test_support.h"

#include <string>
#include <vector>

#include "app/app.h"
#include "model/drawing.h"
#include "paint/backbuffer.h"

namespace {

class BackBufferTest : public MainWindowTest {
protected:
    // A hidden window is sent no paint of its own; this runs one paint cycle.
    void Paint() { Send(WM_PAINT); }

    // Replaces the window by a new one, shown by default with Wine's null
    // driver, whose window surface GetPixel can read back; nothing reaches a
    // screen.
    void ShowFreshWindow(int show = SW_SHOWNOACTIVATE)
    {
        DestroyWindow(window);
        PumpMessages();
        ASSERT_TRUE(OpenMainWindow(show));
        window = mainWindow;
    }
};

TEST_F(BackBufferTest, CreationMakesAColourBitmapOfTheClientSize)
{
    ASSERT_NE(nullptr, backBufferDC);
    ASSERT_NE(nullptr, backBufferBitmap);
    EXPECT_EQ(static_cast<DWORD>(OBJ_MEMDC), GetObjectType(backBufferDC));
    ExpectBackBufferCoversClient("after creation");
    EXPECT_EQ(backBufferBitmap, GetCurrentObject(backBufferDC, OBJ_BITMAP))
        << "the first paint's select was undone";
    EXPECT_EQ(0, TakenDeviceContexts(window)) << "device contexts of the window not given back";
}

// Created hidden, the window gets no paint to read its size: creation reads
// it, and not the size of the window before. Created minimised, it has no
// client area: a small colour bitmap until it is restored.
TEST_F(BackBufferTest, WindowCreatedHiddenOrMinimisedGetsAColourBitmap)
{
    for (int show : {SW_HIDE, SW_SHOWMINNOACTIVE}) {
        SCOPED_TRACE(show == SW_HIDE ? "hidden" : "minimised");
        ResizeClient(210, 130);
        ShowFreshWindow(show);
        const RECT client = Client();
        ASSERT_NE(210, client.right);
        if (show == SW_HIDE) {
            ExpectBackBufferCoversClient("created");
            continue;
        }
        const BitmapFormat format = FormatOf(backBufferBitmap);
        EXPECT_EQ(1, format.width) << "minimised";
        EXPECT_EQ(1, format.height) << "minimised";
        EXPECT_GT(format.bitsPerPixel, 1) << "a monochrome bitmap";
        ShowWindow(window, SW_RESTORE);
        PumpMessages();
        ExpectBackBufferCoversClient("restored");
    }
}

TEST_F(BackBufferTest, BitmapFollowsTheClientSizeAcrossResizes)
{
    const SIZE sizes[] = {{300, 200}, {900, 700}, {120, 90}, {641, 333}, {1000, 400}, {200, 650}};
    for (const SIZE& size : sizes) {
        const std::string when =
            "resized to " + std::to_string(size.cx) + "x" + std::to_string(size.cy);
        ResizeClient(size.cx, size.cy);
        ASSERT_EQ(size.cx, Client().right) << when << ": the window was not resized";
        ExpectBackBufferCoversClient(when.c_str());

        Paint();
        EXPECT_EQ(Client(), clientRect) << when;
        ExpectBackBufferCoversClient((when + ", then painted").c_str());
    }
}

TEST_F(BackBufferTest, ReplacedBitmapsAreDeletedAndNoObjectIsLeftBehind)
{
    // Rounds of ten resizes and paints, one minimised and restored.
    const int growth = GdiGrowth(5, [&](int round) {
        for (int i = round * 10; i < round * 10 + 10; ++i) {
            HBITMAP old = backBufferBitmap;
            ResizeClient(i % 2 ? 400 : 520, i % 3 ? 300 : 380);
            Paint();
            ASSERT_NE(old, backBufferBitmap) << "resize " << i << " kept the bitmap";
            EXPECT_EQ(0u, GetObjectType(old)) << "resize " << i << " left the old bitmap alive";
            if (i % 10 == 0) {
                ShowWindow(window, SW_SHOWMINNOACTIVE);
                ShowWindow(window, SW_SHOWNOACTIVATE);
                PumpMessages();
            }
        }
    });
    EXPECT_EQ(0, growth) << "GDI objects left behind by a round of 10 resizes (the median of 5)";
    const int baseline = CountGdiObjects();

    // Two size messages with no paint between them: the bitmap in use stays
    // selected until a paint displaces it; the one between was never selected.
    Validate();
    HBITMAP selected = backBufferBitmap;
    Send(WM_SIZE);
    HBITMAP unselected = backBufferBitmap;
    Validate();
    Send(WM_SIZE);
    EXPECT_EQ(0u, GetObjectType(unselected)) << "a bitmap no paint selected was kept";
    EXPECT_EQ(selected, GetCurrentObject(backBufferDC, OBJ_BITMAP));
    Paint();
    EXPECT_EQ(0u, GetObjectType(selected)) << "the bitmap the paint displaced was kept";
    EXPECT_EQ(baseline, CountGdiObjects());
}

class SizeMessage : public BackBufferTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SizeMessage, GivesAColourBitmapOfTheClientSize)
{
    // Before any paint the memory context holds only its own one-pixel
    // monochrome bitmap, which a new bitmap must not take after. A fresh
    // window, with its first paint dropped, has had none.
    if (GetParam())
        Paint();
    else
        ShowFreshWindow();
    Validate();
    const RECT client = Client();

    Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));

    EXPECT_EQ(client, UpdateBox()) << "the new bitmap is painted at once";
    ExpectBackBufferCoversClient("after WM_SIZE");
    {
        // No paint has selected the new bitmap yet.
        const BitmapPixels bitmap(backBufferBitmap);
        ASSERT_FALSE(bitmap.held()) << "the bitmap is held by a context";
        bitmap.Fill(client, black);
    }
    AppendShape({Kind::Rectangle, 20, 20, 40, 40, red, true});
    Paint();
    const Pixels picture(backBufferDC);
    EXPECT_EQ(Rgb{red}, Rgb{picture.At(30, 30)}) << "the bitmap holds no colour";
    EXPECT_EQ(Rgb{white}, Rgb{picture.At(5, 5)});
}

INSTANTIATE_TEST_SUITE_P(Paints, SizeMessage, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "AfterAPaint" : "BeforeAnyPaint");
                         });

struct EmptyClient {
    const char* name;
    void (*shrink)(HWND window);
};

void PrintTo(const EmptyClient& way, std::ostream* out)
{
    *out << way.name;
}

void Minimise(HWND window)
{
    ShowWindow(window, SW_SHOWMINNOACTIVE);
    PumpMessages();
}

void ShrinkFrameToNothing(HWND window)
{
    SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpMessages();
}

class EmptyClientArea : public BackBufferTest, public ::testing::WithParamInterface<EmptyClient> {};

TEST_P(EmptyClientArea, KeepsThePicturesBitmapAndPaintsOnAfterwards)
{
    ResizeClient(320, 240);
    ExpectBackBufferCoversClient("at 320x240");
    const HBITMAP picture = backBufferBitmap;
    GetParam().shrink(window);
    const RECT client = Client();
    EXPECT_TRUE(IsRectEmpty(&client)) << "the client is " << ::testing::PrintToString(client);

    EXPECT_EQ(picture, backBufferBitmap) << "the picture's bitmap was replaced";
    Paint();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(client, clientRect) << "the paint did not read the client";

    ShowWindow(window, SW_RESTORE);
    ShowWindow(window, SW_HIDE);
    ResizeClient(400, 300);
    Paint();
    ExpectBackBufferCoversClient("back at 400x300");
}

INSTANTIATE_TEST_SUITE_P(Ways, EmptyClientArea,
                         ::testing::Values(EmptyClient{"Minimised", Minimise},
                                           EmptyClient{"ZeroSizeFrame", ShrinkFrameToNothing}),
                         PrintedName());

TEST_F(BackBufferTest, PaintLeavesThePictureSelectedInTheBackBuffer)
{
    ResizeClient(300, 200);
    AppendShape({Kind::Rectangle, 20, 20, 40, 40, red, true});
    const Pixels picture(backBufferDC);
    picture.Fill({0, 0, 300, 200}, black);

    Paint();

    EXPECT_EQ(backBufferBitmap, GetCurrentObject(backBufferDC, OBJ_BITMAP))
        << "the paint put another bitmap back";
    EXPECT_EQ(Rgb{red}, Rgb{picture.At(30, 30)});
    EXPECT_EQ(Rgb{white}, Rgb{picture.At(5, 5)});
    EXPECT_EQ(Rgb{white}, Rgb{picture.At(299, 199)}) << "bottom-right corner";
    EXPECT_EQ(Rgb{white}, Rgb{picture.At(150, 100)});
}

// The paints that run inside a size handler, and the bitmap each drew through.
struct NestedPaint {
    BitmapFormat bitmap;
    RECT client;
};
int sizeDepth;
std::vector<NestedPaint> nestedPaints;

LRESULT CALLBACK NestedPaintSpy(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    sizeDepth += message == WM_SIZE;
    LRESULT result = MainWindowProc(window, message, wParam, lParam);
    sizeDepth -= message == WM_SIZE;
    if (message == WM_PAINT && sizeDepth > 0) {
        auto bitmap = static_cast<HBITMAP>(GetCurrentObject(backBufferDC, OBJ_BITMAP));
        nestedPaints.push_back(NestedPaint{FormatOf(bitmap), clientRect});
    }
    return result;
}

TEST_F(BackBufferTest, RestoredWindowIsRepaintedThroughABitmapThatCoversIt)
{
    ResizeClient(400, 300);
    ShowWindow(window, SW_SHOWMINNOACTIVE);
    PumpMessages();
    const BitmapFormat format = FormatOf(backBufferBitmap);
    EXPECT_EQ(400, format.width) << "minimised";
    EXPECT_EQ(300, format.height) << "minimised";

    nestedPaints.clear();
    {
        ProcedureSwap spy(window, NestedPaintSpy);
        ShowWindow(window, SW_SHOWNOACTIVATE);
        PumpMessages();
    }

    ASSERT_FALSE(nestedPaints.empty()) << "the restore ran no paint inside its size message";
    for (const NestedPaint& paint : nestedPaints) {
        EXPECT_EQ(400, paint.client.right);
        EXPECT_GE(paint.bitmap.width, paint.client.right) << "nested paint";
        EXPECT_GE(paint.bitmap.height, paint.client.bottom) << "nested paint";
    }
    ExpectBackBufferCoversClient("restored");
}

TEST_F(BackBufferTest, DestroyingTheWindowReleasesTheBackBuffer)
{
    Paint();
    HDC dc = backBufferDC;
    HBITMAP bitmap = backBufferBitmap;

    DestroyWindow(window);
    PumpMessages();

    EXPECT_EQ(0u, GetObjectType(dc)) << "memory context still alive";
    EXPECT_EQ(0u, GetObjectType(bitmap)) << "bitmap still alive";
    EXPECT_EQ(nullptr, backBufferDC);
    EXPECT_EQ(nullptr, backBufferBitmap);

    const int objects = CountGdiObjects();
    ReleaseBackBuffer();
    EXPECT_EQ(objects, CountGdiObjects()) << "a second release";

    // Destroyed after a size message and before the paint that would select
    // its new bitmap: both bitmaps go.
    ShowFreshWindow();
    PumpMessages();
    Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(Client().right, Client().bottom));
    DestroyWindow(window);
    PumpMessages();
    EXPECT_EQ(objects, CountGdiObjects()) << "a window from creation to destruction";
}

TEST_F(BackBufferTest, NewWindowIsPaintedFromTheBackBufferAtOnce)
{
    AppendShape({Kind::Rectangle, 20, 20, 40, 40, red, true});
    ShowFreshWindow();
    const RECT client = Client();

    // The paints while the window was being shown came before the back buffer.
    EXPECT_EQ(Client(), UpdateBox()) << "creation left the client unpainted";

    PumpMessages();

    const WindowPixels shown(window);
    EXPECT_EQ(Rgb{white}, Rgb{shown.At(5, 5)});
    EXPECT_EQ(Rgb{red}, Rgb{shown.At(20, 20)}) << "the copy is shifted";
    EXPECT_EQ(Rgb{red}, Rgb{shown.At(39, 39)});
    EXPECT_EQ(Rgb{white}, Rgb{shown.At(client.right - 1, client.bottom - 1)});
}

TEST_F(BackBufferTest, WindowGrownWhileHiddenIsWhiteToItsEdgesOnceShown)
{
    ShowFreshWindow();
    PumpMessages();
    ResizeClient(300, 200);
    PumpMessages();
    ShowWindow(window, SW_HIDE);

    ResizeClient(700, 500);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    PumpMessages();

    ASSERT_EQ(700, Client().right);
    ExpectBackBufferCoversClient("shown again");
    const WindowPixels shown(window);
    EXPECT_EQ(Rgb{white}, Rgb{shown.At(150, 100)});
    EXPECT_EQ(Rgb{white}, Rgb{shown.At(650, 450)}) << "beyond the size the window had";
    EXPECT_EQ(Rgb{white}, Rgb{shown.At(699, 499)});
}

} // namespace
