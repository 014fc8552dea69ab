// Shared by Quillmark's tests: program state reset, a hidden main window,
// memory canvases and GDI object counting.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

// Puts every piece of program-wide state back as it is at process start.
void ResetProgramState();

// Dispatches every message waiting for this thread (WM_QUIT included: it is
// dropped, so one test's exit does not end the next one's loop).
void PumpMessages();

// Packs a client point into a mouse message's LPARAM.
LPARAM MouseAt(int x, int y);

// A fresh program state and a real main window for each test. It is shown
// (update regions need that) but, with no display, appears nowhere.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Sends a message to the real window procedure of the main window.
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT Command(unsigned id) { return Send(WM_COMMAND, id, 0); }
    // Resizes the client area to width x height and lets the paint run.
    void ResizeClient(int width, int height);
    // Drops any pending update region.
    void Validate() { ValidateRect(window, nullptr); }
    // The update region's bounding box; empty when nothing is invalid.
    RECT UpdateBox();

    HWND window = nullptr;
};

// A 32-bit memory bitmap selected into its own context, white at start.
class MemoryCanvas {
public:
    MemoryCanvas(int width, int height);
    ~MemoryCanvas();
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;

    HDC dc() const { return dc_; }
    COLORREF Pixel(int x, int y) const;
    // Number of pixels of the given colour in the rectangle [left, right) x [top, bottom).
    int Count(COLORREF colour, int left, int top, int right, int bottom) const;

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
};

// Paints the scene into a canvas as the paint cycle paints the back buffer:
// the canvas stands in for backBufferDC, with a clientRect of this size.
void PaintInto(MemoryCanvas& canvas, int width, int height);

// A pixel of the picture the latest paint left in the back buffer: its bitmap
// stays selected in backBufferDC between paints.
COLORREF BackBufferPixel(int x, int y);

// Live GDI objects of this process. Wine's GetGuiResources reports 0, but Wine
// accepts handle values with their upper bits clear, so every small handle
// value is asked for its type; on Windows GetGuiResources answers.
int CountGdiObjects();

// Width, height and bits per pixel of a bitmap.
struct BitmapShape {
    int width, height, bitsPerPixel;
};
BitmapShape ShapeOf(HBITMAP bitmap);
