#include "paint/backbuffer.h"

#include "paint/scene.h"

HDC backBufferDC = nullptr;
HBITMAP backBufferBitmap = nullptr;
RECT clientRect;

namespace {

// The memory context's own one-pixel bitmap, displaced by the first paint and
// put back only when the back buffer is released.
HGDIOBJ initialBitmap = nullptr;

// A bitmap of the client size in the format of the window's device context.
// Never compatible with the memory context, which holds its own one-pixel
// monochrome bitmap until the first paint; and never 0 x 0, which the
// platform answers with a monochrome bitmap too.
HBITMAP MakeBitmap(HDC windowDC)
{
    int width = clientRect.right > 0 ? clientRect.right : 1;
    int height = clientRect.bottom > 0 ? clientRect.bottom : 1;
    return CreateCompatibleBitmap(windowDC, width, height);
}

// A replaced bitmap is deleted once no context holds it: at once when no
// paint selected it, or when the next paint's select displaces it.
void DeleteReplacedBitmap(HGDIOBJ bitmap)
{
    if (bitmap && bitmap != initialBitmap && bitmap != backBufferBitmap &&
        bitmap != GetCurrentObject(backBufferDC, OBJ_BITMAP))
        DeleteObject(bitmap);
}

} // namespace

void CreateBackBuffer(HWND window, HDC windowDC)
{
    // If no paint came while the window was being shown, read the size here,
    // so the first bitmap is not 0 x 0.
    if (IsRectEmpty(&clientRect))
        GetClientRect(window, &clientRect);
    backBufferDC = CreateCompatibleDC(windowDC);
    initialBitmap = GetCurrentObject(backBufferDC, OBJ_BITMAP);
    backBufferBitmap = MakeBitmap(windowDC);
}

void ReleaseBackBuffer()
{
    if (backBufferDC) {
        // Put the context's own bitmap back, so that what it held can go.
        HGDIOBJ held = GetCurrentObject(backBufferDC, OBJ_BITMAP);
        if (initialBitmap)
            SelectObject(backBufferDC, initialBitmap);
        DeleteReplacedBitmap(held);
        DeleteDC(backBufferDC);
    }
    if (backBufferBitmap)
        DeleteObject(backBufferBitmap);
    backBufferBitmap = nullptr;
    backBufferDC = nullptr;
    initialBitmap = nullptr;
    clientRect = RECT{};
}

void PaintWindow(HWND window)
{
    PAINTSTRUCT ps;
    HDC paintDC = BeginPaint(window, &ps);
    GetClientRect(window, &clientRect);
    if (backBufferDC) {
        // The bitmap stays selected until the next paint's select displaces
        // it, so the picture can be read from backBufferDC between paints.
        DeleteReplacedBitmap(SelectObject(backBufferDC, backBufferBitmap));
        PaintScene(backBufferDC);
        BitBlt(paintDC, 0, 0, clientRect.right, clientRect.bottom, backBufferDC, 0, 0, SRCCOPY);
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
    RECT client;
    GetClientRect(window, &client);
    // A minimised window has no client area; keep the picture's bitmap, so the
    // paint on restore draws through one that covers the client.
    if (!IsRectEmpty(&client)) {
        clientRect = client;
        HDC windowDC = GetDC(window);
        HBITMAP bitmap = MakeBitmap(windowDC);
        ReleaseDC(window, windowDC);

        // When no bitmap can be had (a huge window, say), keep the one we
        // have: the picture goes on showing at the old size.
        if (bitmap) {
            HBITMAP replaced = backBufferBitmap;
            backBufferBitmap = bitmap;
            DeleteReplacedBitmap(replaced);
        }
    }
    InvalidateRect(window, nullptr, TRUE);
}
