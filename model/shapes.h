// The five shape records. Each finished shape and each freehand sample is one
// small value record; the drawing lists hold them by value.
#pragma once

#include <windows.h>

// An outlined or filled rectangle, given by two opposite corners as dragged.
// It stores the start point's y before its x, and its constructor takes the
// coordinates as start y, start x, end y, end x.
class Rectangles {
public:
    Rectangles() {}
    Rectangles(int startY, int startX, int endY, int endX, COLORREF colour, bool filled,
               RECT bounds, HWND window);
    ~Rectangles() {}

    int getStartY() const { return startY; }
    int getStartX() const { return startX; }
    int getEndX() const { return endX; }
    int getEndY() const { return endY; }
    COLORREF getColour() const { return colour; }
    bool getFilled() const { return filled; }

    void setStartY(int value) { startY = value; }
    void setStartX(int value) { startX = value; }
    void setEndX(int value) { endX = value; }
    void setEndY(int value) { endY = value; }
    void setColour(COLORREF value) { colour = value; }
    void setFilled(bool value) { filled = value; }

private:
    int startY;
    int startX;
    int endX;
    int endY;
    COLORREF colour;
    bool filled;
};

// An outlined or filled ellipse, given by its bounding box as dragged.
// Constructing one invalidates its bounding box in the window.
class Circles {
public:
    Circles() {}
    Circles(int startX, int startY, int endX, int endY, COLORREF colour, bool filled, RECT bounds,
            HWND window);
    ~Circles() {}

    int getStartX() const { return startX; }
    int getStartY() const { return startY; }
    int getEndX() const { return endX; }
    int getEndY() const { return endY; }
    COLORREF getColour() const { return colour; }
    bool getFilled() const { return filled; }

    void setStartX(int value) { startX = value; }
    void setStartY(int value) { startY = value; }
    void setEndX(int value) { endX = value; }
    void setEndY(int value) { endY = value; }
    void setColour(COLORREF value) { colour = value; }
    void setFilled(bool value) { filled = value; }

private:
    int startX;
    int startY;
    int endX;
    int endY;
    COLORREF colour;
    bool filled;
};

// A straight line from its start point to its end point.
class Line {
public:
    Line() {}
    Line(int startX, int startY, int endX, int endY, COLORREF colour)
        : startX(startX), startY(startY), endX(endX), endY(endY), colour(colour)
    {
    }
    ~Line() {}

    int getStartX() const { return startX; }
    int getStartY() const { return startY; }
    int getEndX() const { return endX; }
    int getEndY() const { return endY; }
    COLORREF getColour() const { return colour; }

    void setStartX(int value) { startX = value; }
    void setStartY(int value) { startY = value; }
    void setEndX(int value) { endX = value; }
    void setEndY(int value) { endY = value; }
    void setColour(COLORREF value) { colour = value; }

private:
    int startX;
    int startY;
    int endX;
    int endY;
    COLORREF colour;
};

// One sample of a pencil stroke: the segment from the stroke's previous point
// to the mouse position of one move.
class Pencil {
public:
    Pencil() {}
    Pencil(int startX, int startY, int endX, int endY, COLORREF colour, HWND window);
    ~Pencil() {}

    int getStartX() const { return startX; }
    int getStartY() const { return startY; }
    int getEndX() const { return endX; }
    int getEndY() const { return endY; }
    COLORREF getColour() const { return colour; }

    void setStartX(int value) { startX = value; }
    void setStartY(int value) { startY = value; }
    void setEndX(int value) { endX = value; }
    void setEndY(int value) { endY = value; }
    void setColour(COLORREF value) { colour = value; }

private:
    int startX;
    int startY;
    int endX;
    int endY;
    COLORREF colour;
};

// One sample of an eraser stroke. Its colour is kept but never painted:
// eraser strokes are always white.
class Eraser {
public:
    Eraser() {}
    Eraser(int startX, int startY, int endX, int endY, COLORREF colour, HWND window);
    ~Eraser() {}

    int getStartX() const { return startX; }
    int getStartY() const { return startY; }
    int getEndX() const { return endX; }
    int getEndY() const { return endY; }
    COLORREF getColour() const { return colour; }

    void setStartX(int value) { startX = value; }
    void setStartY(int value) { startY = value; }
    void setEndX(int value) { endX = value; }
    void setEndY(int value) { endY = value; }
    void setColour(COLORREF value) { colour = value; }

private:
    int startX;
    int startY;
    int endX;
    int endY;
    COLORREF colour;
};
