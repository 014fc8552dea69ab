#include "paint/backbuffer.h"

#include "paint/gdi.h"
#include "paint/scene.h"

HDC backBufferDC = nullptr;
HBITMAP backBufferBitmap = nullptr;
RECT clientRect;

namespace {

// A bitmap of the client size in the format of the window's device context.
// It is never made compatible with the memory context, whose own bitmap is a
// one-pixel monochrome one whenever no paint is running; and never 0 x 0,
// which the platform answers with a monochrome bitmap too.
HBITMAP MakeBitmap(HDC windowDC)
{
    int width = clientRect.right > 0 ? clientRect.right : 1;
    int height = clientRect.bottom > 0 ? clientRect.bottom : 1;
    return CreateCompatibleBitmap(windowDC, width, height);
}

} // namespace

void CreateBackBuffer(HWND window, HDC windowDC)
{
    // If no paint came while the window was being shown, read the size here,
    // so the first bitmap is not 0 x 0.
    if (IsRectEmpty(&clientRect))
        GetClientRect(window, &clientRect);
    backBufferDC = CreateCompatibleDC(windowDC);
    backBufferBitmap = MakeBitmap(windowDC);
}

void ReleaseBackBuffer()
{
    if (backBufferBitmap)
        DeleteObject(backBufferBitmap);
    if (backBufferDC)
        DeleteDC(backBufferDC);
    backBufferBitmap = nullptr;
    backBufferDC = nullptr;
    clientRect = RECT{};
}

void PaintWindow(HWND window)
{
    PAINTSTRUCT ps;
    HDC paintDC = BeginPaint(window, &ps);
    GetClientRect(window, &clientRect);
    if (backBufferDC) {
        Selection bitmap(backBufferDC, backBufferBitmap);
        if (bitmap.selected()) {
            PaintScene(backBufferDC);
            BitBlt(paintDC, 0, 0, clientRect.right, clientRect.bottom, backBufferDC, 0, 0, SRCCOPY);
        }
    }
    EndPaint(window, &ps);
}

void ResizeBackBuffer(HWND window)
{
    // During window creation there is no back buffer yet; its creation reads
    // the size itself.
    if (!backBufferDC)
        return;

    // A pending repaint (the class redraws on every change of size) reads the
    // new client size into clientRect. None comes while the window is hidden,
    // so read the size here as well: the bitmap must cover the whole client.
    UpdateWindow(window);
    GetClientRect(window, &clientRect);

    HDC windowDC = GetDC(window);
    HBITMAP bitmap = MakeBitmap(windowDC);
    ReleaseDC(window, windowDC);

    // When no bitmap can be had (a huge window, say), keep the one we have:
    // the picture goes on showing at the old size.
    if (bitmap) {
        if (backBufferBitmap)
            DeleteObject(backBufferBitmap);
        backBufferBitmap = bitmap;
    }
    InvalidateRect(window, nullptr, TRUE);
}
