#include "tests/pixels.h"

#include "paint/gdi.h"

int Pixels::Count(COLORREF colour, COLORREF orColour, RECT area) const
{
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            const COLORREF pixel = GetPixel(dc_, x, y);
            count += pixel == colour || pixel == orColour;
        }
    return count;
}

std::vector<COLORREF> Pixels::All(int width, int height) const
{
    // One copy into a DIB rather than a GetPixel per pixel: the benchmark
    // reads whole 800 x 600 pictures.
    MemoryCanvas copy(width, height);
    BitBlt(copy.dc(), 0, 0, width, height, dc_, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<COLORREF> pixels(static_cast<size_t>(width) * height);
    const DWORD* bits = copy.bits();
    for (size_t i = 0; bits && i < pixels.size(); ++i)
        pixels[i] = RGB(GetBValue(bits[i]), GetGValue(bits[i]), GetRValue(bits[i]));
    return pixels;
}

void Pixels::Fill(RECT area, COLORREF colour) const
{
    Brush brush(CreateSolidBrush(colour));
    FillRect(dc_, &area, brush.get());
}

MemoryCanvas::MemoryCanvas(int width, int height) : Pixels(CreateCompatibleDC(nullptr))
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    previous_ = SelectObject(dc_, bitmap_);
    const RECT all = {0, 0, width, height};
    FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

MemoryCanvas::~MemoryCanvas()
{
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

BitmapPixels::BitmapPixels(HBITMAP bitmap)
    : Pixels(CreateCompatibleDC(nullptr)), previous_(SelectObject(dc_, bitmap))
{
}

BitmapPixels::~BitmapPixels()
{
    if (previous_)
        SelectObject(dc_, previous_);
    DeleteDC(dc_);
}
