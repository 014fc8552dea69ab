#include "test_support.h"

#include "app/app.h"
#include "model/drawing.h"
#include "paint/backbuffer.h"
#include "paint/scene.h"
#include "tools/colour.h"
#include "tools/gestures.h"
#include "tools/toolstate.h"

void ResetProgramState()
{
    drawingLists = DrawingLists{};
    toolState = ToolState{};
    ReleaseDrawingBrush();
    currentColour = RGB(0, 0, 0);
    for (COLORREF& colour : customColours)
        colour = RGB(0, 0, 0);
    mousePoint = rectangleStart = rectangleEnd = POINT{};
    ellipseStart = ellipseEnd = lineStart = lineEnd = POINT{};
    pencilPoint = eraserPoint = POINT{};
    clientRect = RECT{};
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

LPARAM MouseAt(int x, int y)
{
    return MAKELPARAM(x, y);
}

void MainWindowTest::SetUp()
{
    static bool registered = false;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    ResetProgramState();
    if (!registered) {
        LoadAppStrings(instance);
        ASSERT_NE(0, RegisterMainWindowClass(instance)) << "error " << GetLastError();
        registered = true;
    }
    // Shown, because the platform keeps no update region for a hidden window.
    // Under Wine's null graphics driver nothing appears on any screen.
    ASSERT_TRUE(CreateMainWindow(instance, SW_SHOWNOACTIVATE));
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

LRESULT MainWindowTest::Send(UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageW(window, message, wParam, lParam);
}

void MainWindowTest::ResizeClient(int width, int height)
{
    RECT frame = {0, 0, width, height};
    AdjustWindowRectEx(&frame, GetWindowLongW(window, GWL_STYLE), TRUE,
                       GetWindowLongW(window, GWL_EXSTYLE));
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateWindow(window);
}

RECT MainWindowTest::UpdateBox()
{
    RECT box = {};
    GetUpdateRect(window, &box, FALSE);
    return box;
}

MemoryCanvas::MemoryCanvas(int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    previous_ = SelectObject(dc_, bitmap_);
    RECT all = {0, 0, width, height};
    FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

MemoryCanvas::~MemoryCanvas()
{
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

COLORREF MemoryCanvas::Pixel(int x, int y) const
{
    return GetPixel(dc_, x, y);
}

int MemoryCanvas::Count(COLORREF colour, int left, int top, int right, int bottom) const
{
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            count += GetPixel(dc_, x, y) == colour;
    return count;
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

COLORREF BackBufferPixel(int x, int y)
{
    return GetPixel(backBufferDC, x, y);
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

BitmapShape ShapeOf(HBITMAP bitmap)
{
    BITMAP info = {};
    GetObjectW(bitmap, sizeof(info), &info);
    return BitmapShape{info.bmWidth, info.bmHeight, info.bmBitsPixel};
}
