// The picture: five lists of shape records, oldest first, each with a count.
#pragma once

#include <windows.h>

#include <vector>

#include "model/shapes.h"

// Every count equals the size of its list between messages; readers loop up
// to the count.
struct DrawingLists {
    std::vector<Rectangles> rectangleList;
    std::vector<Circles> circleList;
    std::vector<Line> lineList;
    std::vector<Pencil> pencilList;
    std::vector<Eraser> eraserList;
    int rectangleCount = 0;
    int circleCount = 0;
    int lineCount = 0;
    int pencilCount = 0;
    int eraserCount = 0;
};

// The whole picture, for the life of the process.
extern DrawingLists drawingLists;

// Append a copy of a record to its list and raise the count. When memory for
// the record cannot be had, or the count is at its largest, the record is
// dropped, the picture stays as it was, and the result is false.
bool AppendRectangle(const Rectangles& record);
bool AppendCircle(const Circles& record);
bool AppendLine(const Line& record);
bool AppendPencil(const Pencil& record);
bool AppendEraser(const Eraser& record);

// The Clear command: empty every list and repaint the whole client area.
void ClearDrawing(HWND window);
