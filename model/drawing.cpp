#include "model/drawing.h"

#include <climits>
#include <new>

DrawingLists drawingLists;

namespace {

template <class Record>
bool AppendRecord(std::vector<Record>& list, int& count, const Record& record) noexcept
{
    if (count == INT_MAX)
        return false;
    try {
        list.push_back(record);
    } catch (const std::bad_alloc&) {
        // push_back leaves the list as it was; the record is simply not kept.
        return false;
    }
    ++count;
    return true;
}

template <class Record>
void Empty(std::vector<Record>& list, int& count) noexcept
{
    // swap rather than clear(), so the memory of a large drawing goes back too
    std::vector<Record>().swap(list);
    count = 0;
}

} // namespace

bool AppendRectangle(const Rectangles& record)
{
    return AppendRecord(drawingLists.rectangleList, drawingLists.rectangleCount, record);
}

bool AppendCircle(const Circles& record)
{
    return AppendRecord(drawingLists.circleList, drawingLists.circleCount, record);
}

bool AppendLine(const Line& record)
{
    return AppendRecord(drawingLists.lineList, drawingLists.lineCount, record);
}

bool AppendPencil(const Pencil& record)
{
    return AppendRecord(drawingLists.pencilList, drawingLists.pencilCount, record);
}

bool AppendEraser(const Eraser& record)
{
    return AppendRecord(drawingLists.eraserList, drawingLists.eraserCount, record);
}

void ClearDrawing(HWND window)
{
    Empty(drawingLists.rectangleList, drawingLists.rectangleCount);
    Empty(drawingLists.circleList, drawingLists.circleCount);
    Empty(drawingLists.lineList, drawingLists.lineCount);
    Empty(drawingLists.pencilList, drawingLists.pencilCount);
    Empty(drawingLists.eraserList, drawingLists.eraserCount);
    InvalidateRect(window, nullptr, TRUE);
}
