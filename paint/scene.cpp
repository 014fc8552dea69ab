#include "paint/scene.h"

#include "model/drawing.h"
#include "paint/backbuffer.h"
#include "paint/gdi.h"

namespace {

const int outlineWidth = 4;
const int eraserWidth = 10;
const COLORREF white = RGB(255, 255, 255);

// Pens and brushes live for one shape. When one cannot be made, that shape is
// left out rather than drawn with whatever the context happens to hold.

// The background belongs to the back buffer, whatever context the shapes go to.
void PaintBackground()
{
    // The stock brush cannot fail to exist, even when the process has run
    // out of GDI handles, so the background is always white.
    FillRect(backBufferDC, &clientRect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

void PaintSegment(HDC dc, int width, COLORREF colour, int startX, int startY, int endX, int endY)
{
    Pen pen(CreatePen(PS_SOLID, width, colour));
    Selection penSelection(dc, pen.get());
    if (!penSelection.selected())
        return;
    MoveToEx(dc, startX, startY, nullptr);
    LineTo(dc, endX, endY);
}

void PaintOutlinedRectangle(HDC dc, const Rectangles& r)
{
    Pen pen(CreatePen(PS_SOLID, outlineWidth, r.getColour()));
    Selection penSelection(dc, pen.get());
    if (!penSelection.selected())
        return;
    MoveToEx(dc, r.getStartX(), r.getStartY(), nullptr);
    LineTo(dc, r.getStartX(), r.getEndY());
    LineTo(dc, r.getEndX(), r.getEndY());
    LineTo(dc, r.getEndX(), r.getStartY());
    LineTo(dc, r.getStartX(), r.getStartY());
}

void PaintFilledRectangle(HDC dc, const Rectangles& r)
{
    Brush brush(CreateSolidBrush(r.getColour()));
    if (!brush)
        return;
    // Ordered, so a rectangle dragged up or to the left covers the same
    // pixels as one dragged the other way.
    RECT tempRect;
    tempRect.left = r.getStartX() < r.getEndX() ? r.getStartX() : r.getEndX();
    tempRect.right = r.getStartX() < r.getEndX() ? r.getEndX() : r.getStartX();
    tempRect.top = r.getStartY() < r.getEndY() ? r.getStartY() : r.getEndY();
    tempRect.bottom = r.getStartY() < r.getEndY() ? r.getEndY() : r.getStartY();
    FillRect(dc, &tempRect, brush.get());
}

void PaintOutlinedEllipse(HDC dc, const Circles& c)
{
    Pen pen(CreatePen(PS_SOLID, outlineWidth, c.getColour()));
    Selection penSelection(dc, pen.get());
    Selection brushSelection(dc, GetStockObject(NULL_BRUSH));
    if (!penSelection.selected() || !brushSelection.selected())
        return;
    Ellipse(dc, c.getStartX(), c.getStartY(), c.getEndX(), c.getEndY());
}

void PaintFilledEllipse(HDC dc, const Circles& c)
{
    // A filled shape has no outline, whatever pen was used before it.
    Brush brush(CreateSolidBrush(c.getColour()));
    Selection brushSelection(dc, brush.get());
    Selection penSelection(dc, GetStockObject(NULL_PEN));
    if (!brushSelection.selected() || !penSelection.selected())
        return;
    Ellipse(dc, c.getStartX(), c.getStartY(), c.getEndX(), c.getEndY());
}

} // namespace

void PaintScene(HDC drawingContext)
{
    HDC dc = drawingContext;
    const DrawingLists& lists = drawingLists;

    PaintBackground();

    for (int i = 0; i < lists.rectangleCount; ++i) {
        const Rectangles& r = lists.rectangleList[i];
        if (r.getFilled())
            PaintFilledRectangle(dc, r);
        else
            PaintOutlinedRectangle(dc, r);
    }
    for (int i = 0; i < lists.circleCount; ++i) {
        const Circles& c = lists.circleList[i];
        if (c.getFilled())
            PaintFilledEllipse(dc, c);
        else
            PaintOutlinedEllipse(dc, c);
    }
    for (int i = 0; i < lists.lineCount; ++i) {
        const Line& l = lists.lineList[i];
        PaintSegment(dc, outlineWidth, l.getColour(), l.getStartX(), l.getStartY(), l.getEndX(),
                     l.getEndY());
    }
    for (int i = 0; i < lists.pencilCount; ++i) {
        const Pencil& p = lists.pencilList[i];
        PaintSegment(dc, outlineWidth, p.getColour(), p.getStartX(), p.getStartY(), p.getEndX(),
                     p.getEndY());
    }
    for (int i = 0; i < lists.eraserCount; ++i) {
        const Eraser& e = lists.eraserList[i];
        PaintSegment(dc, eraserWidth, white, e.getStartX(), e.getStartY(), e.getEndX(),
                     e.getEndY());
    }
}
