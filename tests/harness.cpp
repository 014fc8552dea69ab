#include "tests/harness.h"

#include "app/app.h"
#include "model/drawing.h"
#include "paint/backbuffer.h"
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

bool OpenMainWindow(int showCommand)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    LoadAppStrings(instance);
    WNDCLASSEXW registered = {};
    registered.cbSize = sizeof(registered);
    if (!GetClassInfoExW(instance, windowClassName, &registered) &&
        !RegisterMainWindowClass(instance))
        return false;
    return CreateMainWindow(instance, showCommand);
}

void SetClientSize(HWND window, int width, int height)
{
    RECT frame = {0, 0, width, height};
    AdjustWindowRectEx(&frame, GetWindowLongW(window, GWL_STYLE), TRUE,
                       GetWindowLongW(window, GWL_EXSTYLE));
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateWindow(window);
}

bool AppendShape(const Shape& s)
{
    switch (s.kind) {
    case Kind::Rectangle:
        return AppendRectangle(
            Rectangles(s.y0, s.x0, s.y1, s.x1, s.colour, s.filled, RECT{}, nullptr));
    case Kind::Ellipse:
        return AppendCircle(Circles(s.x0, s.y0, s.x1, s.y1, s.colour, s.filled, RECT{}, nullptr));
    case Kind::Line:
        return AppendLine(Line(s.x0, s.y0, s.x1, s.y1, s.colour));
    case Kind::Pencil:
        return AppendPencil(Pencil(s.x0, s.y0, s.x1, s.y1, s.colour, nullptr));
    case Kind::Eraser:
        return AppendEraser(Eraser(s.x0, s.y0, s.x1, s.y1, s.colour, nullptr));
    }
    return false;
}
