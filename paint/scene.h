// Scene painting: the whole picture, drawn from the drawing lists.
#pragma once

#include <windows.h>

// Fills clientRect white in backBufferDC, then draws every stored record into
// the given context (the paint cycle passes backBufferDC), kind by kind
// (rectangles, ellipses, lines, pencil and eraser samples), each kind in the
// order it was drawn. Puts back every object it selects and
// deletes every object it makes.
void PaintScene(HDC drawingContext);
