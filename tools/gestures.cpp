#include "tools/gestures.h"

#include "model/drawing.h"
#include "tools/colour.h"
#include "tools/toolstate.h"

POINT mousePoint;
POINT rectangleStart, rectangleEnd;
POINT ellipseStart, ellipseEnd;
POINT lineStart, lineEnd;
POINT pencilPoint, eraserPoint;

namespace {

// Each new record shows through a repaint of the whole scene. A record that
// could not be kept changes nothing, so it asks for no paint.
void Show(HWND window, bool appended)
{
    if (appended)
        InvalidateRect(window, nullptr, TRUE);
}

RECT BoundsOf(POINT start, POINT end)
{
    return RECT{start.x, start.y, end.x, end.y};
}

// One pencil or eraser sample: the segment from where the stroke has reached
// to the mouse position of this move.
template <class Sample>
void RecordSample(HWND window, LPARAM lParam, POINT& strokePoint, bool (*append)(const Sample&))
{
    mousePoint = PointFromLParam(lParam);
    Sample sample(strokePoint.x, strokePoint.y, mousePoint.x, mousePoint.y, currentColour, window);
    strokePoint = mousePoint;
    Show(window, append(sample));
}

} // namespace

POINT PointFromLParam(LPARAM lParam)
{
    POINT point;
    point.x = LOWORD(lParam);
    point.y = HIWORD(lParam);
    return point;
}

void OnLeftButtonDown(HWND, LPARAM lParam)
{
    if (toolState.rectangleTool || toolState.filledRectangle) {
        mousePoint = PointFromLParam(lParam);
        rectangleStart = mousePoint;
    }
    if (toolState.ellipseTool || toolState.filledEllipse) {
        mousePoint = PointFromLParam(lParam);
        ellipseStart = mousePoint;
    }
    if (toolState.lineTool) {
        mousePoint = PointFromLParam(lParam);
        lineStart = mousePoint;
    }
    // A stroke starts where the button went down; its first sample runs from here.
    if (toolState.pencilTool) {
        toolState.pencilDown = true;
        pencilPoint = PointFromLParam(lParam);
    }
    if (toolState.eraserTool) {
        toolState.eraserDown = true;
        eraserPoint = PointFromLParam(lParam);
    }
}

void OnMouseMove(HWND window, WPARAM wParam, LPARAM lParam)
{
    // Without capture, a release outside the window is never seen; a move with
    // the button up is the first sign that the stroke has ended.
    if (!(wParam & MK_LBUTTON)) {
        toolState.pencilDown = false;
        toolState.eraserDown = false;
        return;
    }
    if (toolState.pencilTool && toolState.pencilDown)
        RecordSample(window, lParam, pencilPoint, AppendPencil);
    if (toolState.eraserTool && toolState.eraserDown)
        RecordSample(window, lParam, eraserPoint, AppendEraser);
}

void OnLeftButtonUp(HWND window, LPARAM lParam)
{
    if (toolState.rectangleTool) {
        mousePoint = PointFromLParam(lParam);
        rectangleEnd = mousePoint;
        Rectangles record(rectangleStart.y, rectangleStart.x, rectangleEnd.y, rectangleEnd.x,
                          currentColour, toolState.filledRectangle,
                          BoundsOf(rectangleStart, rectangleEnd), window);
        Show(window, AppendRectangle(record));
    }
    if (toolState.ellipseTool) {
        mousePoint = PointFromLParam(lParam);
        ellipseEnd = mousePoint;
        Circles record(ellipseStart.x, ellipseStart.y, ellipseEnd.x, ellipseEnd.y, currentColour,
                       toolState.filledEllipse, BoundsOf(ellipseStart, ellipseEnd), window);
        Show(window, AppendCircle(record));
    }
    if (toolState.lineTool) {
        mousePoint = PointFromLParam(lParam);
        lineEnd = mousePoint;
        Line record(lineStart.x, lineStart.y, lineEnd.x, lineEnd.y, currentColour);
        Show(window, AppendLine(record));
    }
    if (toolState.pencilTool)
        toolState.pencilDown = false;
    if (toolState.eraserTool)
        toolState.eraserDown = false;
}
