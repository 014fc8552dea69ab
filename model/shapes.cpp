#include "model/shapes.h"

// bounds and window are accepted for symmetry with Circles and not used.
Rectangles::Rectangles(int startY, int startX, int endY, int endX, COLORREF colour, bool filled,
                       RECT, HWND)
    : startY(startY), startX(startX), endX(endX), endY(endY), colour(colour), filled(filled)
{
}

Circles::Circles(int startX, int startY, int endX, int endY, COLORREF colour, bool filled,
                 RECT bounds, HWND window)
    : startX(startX), startY(startY), endX(endX), endY(endY), colour(colour), filled(filled)
{
    // A null window would make the platform repaint every window on the desktop.
    if (window)
        InvalidateRect(window, &bounds, TRUE);
}

Pencil::Pencil(int startX, int startY, int endX, int endY, COLORREF colour, HWND)
    : startX(startX), startY(startY), endX(endX), endY(endY), colour(colour)
{
}

Eraser::Eraser(int startX, int startY, int endX, int endY, COLORREF colour, HWND)
    : startX(startX), startY(startY), endX(endX), endY(endY), colour(colour)
{
}
