// Reading pixels back, for the tests and the benchmark, without GoogleTest.
// One reader, Pixels, over any device context: a memory canvas, backBufferDC
// (whose bitmap stays selected between paints), a window's own context, or a
// context of its own for a bitmap that no context holds.
#pragma once

#include <windows.h>

#include <vector>

class Pixels {
public:
    explicit Pixels(HDC dc) : dc_(dc) {}
    Pixels(const Pixels&) = delete;
    Pixels& operator=(const Pixels&) = delete;

    HDC dc() const { return dc_; }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
    // Pixels in area of the given colour, or of either of two colours.
    int Count(COLORREF colour, RECT area) const { return Count(colour, colour, area); }
    int Count(COLORREF colour, COLORREF orColour, RECT area) const;
    // Every pixel of [0, width) x [0, height), row by row, as COLORREFs.
    std::vector<COLORREF> All(int width, int height) const;
    // Fills area with a colour.
    void Fill(RECT area, COLORREF colour) const;

protected:
    HDC dc_;
};

// A 32-bit memory bitmap selected into its own context, white at start.
class MemoryCanvas : public Pixels {
public:
    MemoryCanvas(int width, int height);
    ~MemoryCanvas();
    // The bitmap's pixels, top row first, 0x00RRGGBB.
    const DWORD* bits() const { return static_cast<const DWORD*>(bits_); }

private:
    HBITMAP bitmap_;
    HGDIOBJ previous_;
    void* bits_ = nullptr;
};

// A bitmap that no context holds, selected into a context of its own for as
// long as this lives. held() is true when another context holds it, and then
// nothing can be read.
class BitmapPixels : public Pixels {
public:
    explicit BitmapPixels(HBITMAP bitmap);
    ~BitmapPixels();
    bool held() const { return !previous_; }

private:
    HGDIOBJ previous_;
};

// What a window shows, through its own device context.
class WindowPixels : public Pixels {
public:
    explicit WindowPixels(HWND window) : Pixels(GetDC(window)), window_(window) {}
    ~WindowPixels() { ReleaseDC(window_, dc_); }

private:
    HWND window_;
};
