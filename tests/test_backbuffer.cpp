// The back buffer and the paint cycle, on the real main window.
#include "test_support.h"

#include <string>
#include <vector>

#include "app/app.h"
#include "model/drawing.h"
#include "paint/backbuffer.h"

namespace {

const COLORREF white = RGB(255, 255, 255);
const COLORREF red = RGB(255, 0, 0);
const COLORREF black = RGB(0, 0, 0);

SIZE ClientSize(HWND window)
{
    RECT client = {};
    GetClientRect(window, &client);
    return SIZE{client.right, client.bottom};
}

void FillBitmap(HBITMAP bitmap, COLORREF colour)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    ASSERT_NE(nullptr, previous) << "the bitmap is held by another context";
    BITMAP info = {};
    GetObjectW(bitmap, sizeof(info), &info);
    RECT all = {0, 0, info.bmWidth, info.bmHeight};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    SelectObject(dc, previous);
    DeleteDC(dc);
}

COLORREF WindowPixel(HWND window, int x, int y)
{
    HDC dc = GetDC(window);
    COLORREF pixel = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return pixel;
}

class BackBufferTest : public MainWindowTest {
protected:
    // A hidden window is sent no paint of its own; this runs one paint cycle.
    void Paint() { Send(WM_PAINT); }

    void ExpectBitmapCoversClient(const char* when)
    {
        const SIZE client = ClientSize(window);
        const BitmapShape shape = ShapeOf(backBufferBitmap);
        EXPECT_EQ(client.cx, shape.width) << when;
        EXPECT_EQ(client.cy, shape.height) << when;
        EXPECT_GT(shape.bitsPerPixel, 1) << when << ": a monochrome bitmap";
    }

    // Replaces the hidden window by one shown with Wine's null driver, whose
    // window surface GetPixel can read back; nothing reaches a screen.
    void ShowFreshWindow()
    {
        DestroyWindow(window);
        PumpMessages();
        ASSERT_TRUE(CreateMainWindow(GetModuleHandleW(nullptr), SW_SHOWNOACTIVATE));
        window = mainWindow;
    }
};

TEST_F(BackBufferTest, CreationMakesAColourBitmapOfTheClientSize)
{
    ASSERT_NE(nullptr, backBufferDC);
    ASSERT_NE(nullptr, backBufferBitmap);
    EXPECT_EQ(static_cast<DWORD>(OBJ_MEMDC), GetObjectType(backBufferDC));
    ExpectBitmapCoversClient("after creation");
    EXPECT_EQ(backBufferBitmap, GetCurrentObject(backBufferDC, OBJ_BITMAP))
        << "the first paint's select was undone";
}

TEST_F(BackBufferTest, BitmapFollowsTheClientSizeAcrossResizes)
{
    const SIZE sizes[] = {{300, 200}, {900, 700}, {120, 90}, {641, 333}, {1000, 400}, {200, 650}};
    for (const SIZE& size : sizes) {
        const std::string when =
            "resized to " + std::to_string(size.cx) + "x" + std::to_string(size.cy);
        ResizeClient(size.cx, size.cy);
        ASSERT_EQ(size.cx, ClientSize(window).cx) << when << ": the window was not resized";
        ExpectBitmapCoversClient(when.c_str());

        Paint();
        EXPECT_EQ(ClientSize(window).cx, clientRect.right) << when;
        EXPECT_EQ(ClientSize(window).cy, clientRect.bottom) << when;
        ExpectBitmapCoversClient((when + ", then painted").c_str());
    }
}

TEST_F(BackBufferTest, ReplacedBitmapsAreDeletedAndNoObjectIsLeftBehind)
{
    ResizeClient(400, 300);
    Paint();
    ResizeClient(500, 350);
    Paint();
    const int baseline = CountGdiObjects();

    for (int i = 0; i < 60; ++i) {
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
    EXPECT_EQ(baseline, CountGdiObjects());

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
    // monochrome bitmap, which a new bitmap must not take after.
    Validate();
    if (GetParam())
        Paint();
    const SIZE client = ClientSize(window);

    Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.cx, client.cy));

    ExpectBitmapCoversClient("after WM_SIZE");
    FillBitmap(backBufferBitmap, black);
    AppendRectangle(Rectangles(20, 20, 40, 40, red, true, RECT{}, nullptr));
    Paint();
    EXPECT_EQ(red, BackBufferPixel(30, 30)) << "the bitmap holds no colour";
    EXPECT_EQ(white, BackBufferPixel(5, 5));
}

INSTANTIATE_TEST_SUITE_P(Paints, SizeMessage, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "AfterAPaint" : "BeforeAnyPaint");
                         });

struct EmptyClient {
    const char* name;
    void (*shrink)(HWND window);
};

class EmptyClientArea : public BackBufferTest, public ::testing::WithParamInterface<EmptyClient> {};

TEST_P(EmptyClientArea, KeepsThePicturesBitmapAndPaintsOnAfterwards)
{
    ResizeClient(320, 240);
    const HBITMAP picture = backBufferBitmap;
    GetParam().shrink(window);
    const SIZE client = ClientSize(window);
    EXPECT_TRUE(client.cx == 0 || client.cy == 0)
        << "the client is still " << client.cx << "x" << client.cy;

    EXPECT_EQ(picture, backBufferBitmap);
    const BitmapShape shape = ShapeOf(backBufferBitmap);
    EXPECT_EQ(320, shape.width);
    EXPECT_EQ(240, shape.height);
    EXPECT_GT(shape.bitsPerPixel, 1) << "a monochrome bitmap";
    Paint();
    ASSERT_TRUE(IsWindow(window));

    ShowWindow(window, SW_RESTORE);
    ShowWindow(window, SW_HIDE);
    ResizeClient(400, 300);
    Paint();
    ExpectBitmapCoversClient("back at 400x300");
}

INSTANTIATE_TEST_SUITE_P(Ways, EmptyClientArea,
                         ::testing::Values(EmptyClient{"Minimised",
                                                       [](HWND window) {
                                                           ShowWindow(window, SW_SHOWMINNOACTIVE);
                                                           PumpMessages();
                                                       }},
                                           EmptyClient{"ZeroSizeFrame",
                                                       [](HWND window) {
                                                           SetWindowPos(window, nullptr, 0, 0, 0, 0,
                                                                        SWP_NOMOVE | SWP_NOZORDER |
                                                                            SWP_NOACTIVATE);
                                                           PumpMessages();
                                                       }}),
                         [](const ::testing::TestParamInfo<EmptyClient>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(BackBufferTest, PaintLeavesThePictureSelectedInTheBackBuffer)
{
    ResizeClient(300, 200);
    AppendRectangle(Rectangles(20, 20, 40, 40, red, true, RECT{}, nullptr));
    RECT all = {0, 0, 300, 200};
    FillRect(backBufferDC, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

    Paint();

    EXPECT_EQ(backBufferBitmap, GetCurrentObject(backBufferDC, OBJ_BITMAP))
        << "the paint put another bitmap back";
    EXPECT_EQ(red, BackBufferPixel(30, 30));
    EXPECT_EQ(white, BackBufferPixel(5, 5));
    EXPECT_EQ(white, BackBufferPixel(299, 199)) << "bottom-right corner";
    EXPECT_EQ(white, BackBufferPixel(150, 100));
}

// The paints that run inside a size handler, and the bitmap each drew through.
struct NestedPaint {
    BitmapShape bitmap;
    RECT client;
};
WNDPROC programProc;
int sizeDepth;
std::vector<NestedPaint> nestedPaints;

LRESULT CALLBACK NestedPaintSpy(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    sizeDepth += message == WM_SIZE;
    LRESULT result = CallWindowProcW(programProc, window, message, wParam, lParam);
    sizeDepth -= message == WM_SIZE;
    if (message == WM_PAINT && sizeDepth > 0) {
        auto bitmap = static_cast<HBITMAP>(GetCurrentObject(backBufferDC, OBJ_BITMAP));
        nestedPaints.push_back(NestedPaint{ShapeOf(bitmap), clientRect});
    }
    return result;
}

TEST_F(BackBufferTest, RestoredWindowIsRepaintedThroughABitmapThatCoversIt)
{
    ResizeClient(400, 300);
    ShowWindow(window, SW_SHOWMINNOACTIVE);
    PumpMessages();
    BitmapShape shape = ShapeOf(backBufferBitmap);
    EXPECT_EQ(400, shape.width) << "minimised";
    EXPECT_EQ(300, shape.height) << "minimised";

    nestedPaints.clear();
    programProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NestedPaintSpy)));
    ShowWindow(window, SW_SHOWNOACTIVATE);
    PumpMessages();
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(programProc));

    ASSERT_FALSE(nestedPaints.empty()) << "the restore ran no paint inside its size message";
    for (const NestedPaint& paint : nestedPaints) {
        EXPECT_EQ(400, paint.client.right);
        EXPECT_GE(paint.bitmap.width, paint.client.right) << "nested paint";
        EXPECT_GE(paint.bitmap.height, paint.client.bottom) << "nested paint";
    }
    ExpectBitmapCoversClient("restored");
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
}

TEST_F(BackBufferTest, NewWindowIsPaintedFromTheBackBufferAtOnce)
{
    AppendRectangle(Rectangles(20, 20, 40, 40, red, true, RECT{}, nullptr));
    ShowFreshWindow();
    const SIZE client = ClientSize(window);

    // The paints while the window was being shown came before the back buffer.
    const RECT pending = UpdateBox();
    EXPECT_EQ(0, pending.left);
    EXPECT_EQ(0, pending.top);
    EXPECT_EQ(client.cx, pending.right) << "creation left the client unpainted";
    EXPECT_EQ(client.cy, pending.bottom) << "creation left the client unpainted";

    PumpMessages();

    EXPECT_EQ(white, WindowPixel(window, 5, 5));
    EXPECT_EQ(red, WindowPixel(window, 30, 30));
    EXPECT_EQ(white, WindowPixel(window, client.cx - 1, client.cy - 1));
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

    ASSERT_EQ(700, ClientSize(window).cx);
    ExpectBitmapCoversClient("shown again");
    EXPECT_EQ(white, WindowPixel(window, 150, 100));
    EXPECT_EQ(white, WindowPixel(window, 650, 450)) << "beyond the size the window had";
    EXPECT_EQ(white, WindowPixel(window, 699, 499));
}

} // namespace
