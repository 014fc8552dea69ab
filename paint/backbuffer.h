// The back buffer: every paint draws the whole scene into it and copies it to
// the window in one transfer.
#pragma once

#include <windows.h>

// Memory context made once, when the main window is created.
extern HDC backBufferDC;
// Its bitmap, replaced at every size message that finds a client area. Each
// paint selects it, and it stays selected until the next paint's select
// displaces it, so the picture can be read from backBufferDC between paints.
extern HBITMAP backBufferBitmap;
// The client rectangle as the latest paint or size message read it; its right
// and bottom are the size of every new bitmap and of every copy to the window.
// A minimised window's empty client leaves it as it was.
extern RECT clientRect;

// Makes the back buffer, once the main window exists.
void CreateBackBuffer(HWND window, HDC windowDC);
// Deletes the back buffer; called when the main window is destroyed.
void ReleaseBackBuffer();

// WM_PAINT: redraw the scene into the back buffer and copy it to the window.
void PaintWindow(HWND window);
// WM_SIZE: give the back buffer a bitmap of the new client size; an empty
// client (a minimised window) keeps the bitmap it has.
void ResizeBackBuffer(HWND window);
