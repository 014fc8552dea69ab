// Left-button gestures in the client area, which turn into shape records.
#pragma once

#include <windows.h>

// Points taken from mouse messages; none is ever reset.
extern POINT mousePoint;                   // the position most recently taken
extern POINT rectangleStart, rectangleEnd; // press and release of the rectangle tool
extern POINT ellipseStart, ellipseEnd;     // press and release of the ellipse tool
extern POINT lineStart, lineEnd;           // press and release of the line tool
extern POINT pencilPoint, eraserPoint;     // where the current stroke has reached

// The mouse position in a mouse message: x in the low 16 bits, y in the
// high 16 bits, each read as unsigned.
POINT PointFromLParam(LPARAM lParam);

void OnLeftButtonDown(HWND window, LPARAM lParam);
void OnMouseMove(HWND window, WPARAM wParam, LPARAM lParam);
void OnLeftButtonUp(HWND window, LPARAM lParam);
