// Quillmark's paint benchmark.
//
// Pictures are built through the program's own append functions and painted
// by the program's own paint cycle on the real main window. Beside each
// program paint runs a floor: the same graphics calls, issued in a bare loop
// over plain arrays, into the same back buffer, by a paint handler that takes
// the program's place in the same window for that paint, so both go through
// the same window manager work. Program and floor runs alternate and medians
// are kept, since the machine is shared and noisy.
//
// Usage: quillmark_bench [CSV file]   (default bench.csv)

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/resource.h"
#include "model/drawing.h"
#include "paint/backbuffer.h"
#include "tests/harness.h"
#include "tests/pixels.h"
#include "tools/toolstate.h"

namespace {

const int clientWidth = 800;
const int clientHeight = 600;
const double frameMs = 1000.0 / 60.0;
const double noTimeLimit = 1e300;
const uint64_t seed = 20240611;

// ---------------------------------------------------------------- timing

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// ---------------------------------------------------------------- scenes

struct Mix {
    const char* name;
    std::vector<Shape> items;
};

int Clamp(int value, int low, int high)
{
    return value < low ? low : value > high ? high : value;
}

// Strokes as the gestures record them: each sample runs from the stroke's
// previous point to the new one, a few pixels away. Four strokes in five are
// pencil, one is eraser.
std::vector<Shape> MakeFreehand(size_t count, Random& random)
{
    std::vector<Shape> items;
    items.reserve(count);
    while (items.size() < count) {
        Kind kind = random.Between(0, 4) == 0 ? Kind::Eraser : Kind::Pencil;
        COLORREF colour = random.Colour();
        int x = random.Between(0, clientWidth - 1);
        int y = random.Between(0, clientHeight - 1);
        int length = random.Between(50, 400);
        for (int i = 0; i < length && items.size() < count; ++i) {
            int dx = 0, dy = 0;
            while (dx == 0 && dy == 0) {
                dx = random.Between(-4, 4);
                dy = random.Between(-4, 4);
            }
            int nx = Clamp(x + dx, 0, clientWidth - 1);
            int ny = Clamp(y + dy, 0, clientHeight - 1);
            items.push_back(Shape{kind, x, y, nx, ny, colour});
            x = nx;
            y = ny;
        }
    }
    return items;
}

// Rectangles and ellipses (two in five each, half of them filled) and lines
// (one in five), 8 to 120 pixels across, dragged in any direction.
std::vector<Shape> MakeShapes(size_t count, Random& random)
{
    std::vector<Shape> items;
    items.reserve(count);
    while (items.size() < count) {
        int pick = random.Between(0, 4);
        Kind kind = pick < 2 ? Kind::Rectangle : pick < 4 ? Kind::Ellipse : Kind::Line;
        bool filled = kind != Kind::Line && random.Between(0, 1) == 1;
        int x0 = random.Between(0, clientWidth - 1);
        int y0 = random.Between(0, clientHeight - 1);
        int w = random.Between(8, 120) * (random.Between(0, 1) ? 1 : -1);
        int h = random.Between(8, 120) * (random.Between(0, 1) ? 1 : -1);
        items.push_back(Shape{kind, x0, y0, x0 + w, y0 + h, random.Colour(), filled});
    }
    return items;
}

size_t RecordBytes(Kind kind)
{
    switch (kind) {
    case Kind::Rectangle:
        return sizeof(Rectangles);
    case Kind::Ellipse:
        return sizeof(Circles);
    case Kind::Line:
        return sizeof(Line);
    case Kind::Pencil:
        return sizeof(Pencil);
    case Kind::Eraser:
        return sizeof(Eraser);
    }
    return 0;
}

// ---------------------------------------------------------------- the floor

struct Corners {
    int x0, y0, x1, y1;
    COLORREF colour;
    bool filled;
};

// The same records as plain arrays, one per kind, in the painter's order.
struct FloorScene {
    std::vector<Corners> rectangles, ellipses, lines, pencils, erasers;
};

FloorScene floorScene;

void BuildFloor(const std::vector<Shape>& items, size_t count)
{
    floorScene = FloorScene{};
    // In the order of Kind.
    std::vector<Corners>* const lists[] = {&floorScene.rectangles, &floorScene.ellipses,
                                           &floorScene.lines, &floorScene.pencils,
                                           &floorScene.erasers};
    for (size_t i = 0; i < count; ++i) {
        const Shape& it = items[i];
        lists[static_cast<int>(it.kind)]->push_back(
            Corners{it.x0, it.y0, it.x1, it.y1, it.colour, it.filled});
    }
}

void FloorSegments(HDC dc, const Corners* s, size_t n, int width, bool white)
{
    for (size_t i = 0; i < n; ++i) {
        HPEN pen = CreatePen(PS_SOLID, width, white ? RGB(255, 255, 255) : s[i].colour);
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, s[i].x0, s[i].y0, nullptr);
        LineTo(dc, s[i].x1, s[i].y1);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
}

void PaintFloorScene(HDC dc, const RECT& client)
{
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

    const Corners* r = floorScene.rectangles.data();
    for (size_t i = 0, n = floorScene.rectangles.size(); i < n; ++i) {
        if (r[i].filled) {
            HBRUSH brush = CreateSolidBrush(r[i].colour);
            RECT box = {std::min(r[i].x0, r[i].x1), std::min(r[i].y0, r[i].y1),
                        std::max(r[i].x0, r[i].x1), std::max(r[i].y0, r[i].y1)};
            FillRect(dc, &box, brush);
            DeleteObject(brush);
        } else {
            HPEN pen = CreatePen(PS_SOLID, 4, r[i].colour);
            HGDIOBJ old = SelectObject(dc, pen);
            MoveToEx(dc, r[i].x0, r[i].y0, nullptr);
            LineTo(dc, r[i].x0, r[i].y1);
            LineTo(dc, r[i].x1, r[i].y1);
            LineTo(dc, r[i].x1, r[i].y0);
            LineTo(dc, r[i].x0, r[i].y0);
            SelectObject(dc, old);
            DeleteObject(pen);
        }
    }
    const Corners* e = floorScene.ellipses.data();
    for (size_t i = 0, n = floorScene.ellipses.size(); i < n; ++i) {
        if (e[i].filled) {
            HBRUSH brush = CreateSolidBrush(e[i].colour);
            HGDIOBJ oldBrush = SelectObject(dc, brush);
            HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
            Ellipse(dc, e[i].x0, e[i].y0, e[i].x1, e[i].y1);
            SelectObject(dc, oldPen);
            SelectObject(dc, oldBrush);
            DeleteObject(brush);
        } else {
            HPEN pen = CreatePen(PS_SOLID, 4, e[i].colour);
            HGDIOBJ oldPen = SelectObject(dc, pen);
            HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
            Ellipse(dc, e[i].x0, e[i].y0, e[i].x1, e[i].y1);
            SelectObject(dc, oldBrush);
            SelectObject(dc, oldPen);
            DeleteObject(pen);
        }
    }
    FloorSegments(dc, floorScene.lines.data(), floorScene.lines.size(), 4, false);
    FloorSegments(dc, floorScene.pencils.data(), floorScene.pencils.size(), 4, false);
    FloorSegments(dc, floorScene.erasers.data(), floorScene.erasers.size(), 10, true);
}

// The main window's paint handler while the floor paints; every other
// message goes on to the program's procedure.
LRESULT CALLBACK FloorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC paintDC = BeginPaint(window, &ps);
        RECT client = {0, 0, clientWidth, clientHeight};
        HGDIOBJ old = SelectObject(backBufferDC, backBufferBitmap);
        PaintFloorScene(backBufferDC, client);
        BitBlt(paintDC, 0, 0, clientWidth, clientHeight, backBufferDC, 0, 0, SRCCOPY);
        SelectObject(backBufferDC, old);
        EndPaint(window, &ps);
        return 0;
    }
    return MainWindowProc(window, message, wParam, lParam);
}

// ---------------------------------------------------------------- windows

bool MakeMainWindow()
{
    if (!OpenMainWindow(SW_SHOWNOACTIVATE))
        return false;
    SetClientSize(mainWindow, clientWidth, clientHeight);
    PumpMessages();

    RECT client;
    GetClientRect(mainWindow, &client);
    if (client.right != clientWidth || client.bottom != clientHeight) {
        std::fprintf(stderr, "main window client is %ldx%ld, not %dx%d\n", client.right,
                     client.bottom, clientWidth, clientHeight);
        return false;
    }
    return true;
}

enum class Painter { Program, Floor };

// One full paint of the main window, in milliseconds, by the program's paint
// handler or by the floor's in its place.
double PaintOnce(Painter painter)
{
    ProcedureSwap swap(mainWindow, painter == Painter::Floor ? FloorWindowProc : MainWindowProc);
    InvalidateRect(mainWindow, nullptr, TRUE);
    GdiFlush();
    double start = Now();
    UpdateWindow(mainWindow);
    GdiFlush();
    return Now() - start;
}

struct Pair {
    double program, floor;
};

struct PaintTimes {
    double program, floor; // medians, ms
    double ratio;          // median of program / floor over adjacent pairs
    int pairs;
};

// Alternates the two paints (in ABBA order) and keeps the medians: at least
// three pairs, then more while the time budget lasts, up to most. The ratio
// is taken pair by pair, each pair close in time, so that the load of the
// machine, which drifts, cancels out.
PaintTimes MeasurePaints(int most, double budgetMs)
{
    std::vector<double> program, floor, ratio;
    const double start = Now();
    // A first paint of each, not counted; past a second the floor's is left out.
    if (PaintOnce(Painter::Program) < 1000)
        PaintOnce(Painter::Floor);
    for (int i = 0; i < most && (i < 3 || Now() - start < budgetMs); ++i) {
        double p, f;
        if (i % 2 == 0) {
            p = PaintOnce(Painter::Program);
            f = PaintOnce(Painter::Floor);
        } else {
            f = PaintOnce(Painter::Floor);
            p = PaintOnce(Painter::Program);
        }
        program.push_back(p);
        floor.push_back(f);
        ratio.push_back(p / f);
    }
    return PaintTimes{Median(program), Median(floor), Median(ratio),
                      static_cast<int>(program.size())};
}

void SetProgramScene(const std::vector<Shape>& items, size_t count)
{
    ClearDrawing(mainWindow);
    ValidateRect(mainWindow, nullptr);
    for (size_t i = 0; i < count; ++i)
        AppendShape(items[i]);
}

// The program's lists and the floor's arrays both hold the first count items.
void SetScene(const std::vector<Shape>& items, size_t count)
{
    SetProgramScene(items, count);
    BuildFloor(items, count);
}

// The floor only counts if it draws what the program draws.
bool FloorMatchesProgram()
{
    // backBufferDC keeps the bitmap a paint drew into until the next paint.
    PaintOnce(Painter::Program);
    std::vector<COLORREF> program = Pixels(backBufferDC).All(clientWidth, clientHeight);
    PaintOnce(Painter::Floor);
    std::vector<COLORREF> floor = Pixels(backBufferDC).All(clientWidth, clientHeight);
    auto white = std::count(program.begin(), program.end(), RGB(255, 255, 255));
    return program == floor && static_cast<size_t>(white) < program.size();
}

// Paint time grows in a straight line with the records: a + b * records.
struct StraightLine {
    double a, b;
    double RecordsAt(double ms) const { return b > 0 ? (ms - a) / b : 0; }
};

StraightLine FitLine(const std::vector<double>& x, const std::vector<double>& y)
{
    double n = static_cast<double>(x.size()), sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        sx += x[i];
        sy += y[i];
        sxx += x[i] * x[i];
        sxy += x[i] * y[i];
    }
    double b = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    return StraightLine{(sy - b * sx) / n, b};
}

// Largest scene of the mix that paints within one frame, for the program and
// the floor: paint times at five sizes across [low, high], alternating the
// two as everywhere, and the straight line through them read at one frame.
// One noisy paint moves a fitted line little, where it could send a
// bisection the wrong way for good.
Pair FrameBudgets(const std::vector<Shape>& items, size_t low, size_t high)
{
    std::vector<double> records, program, floor;
    for (int k = 0; k <= 4; ++k) {
        size_t count = std::max<size_t>(1, low + (high - low) * k / 4);
        SetScene(items, count);
        PaintTimes t = MeasurePaints(31, noTimeLimit);
        records.push_back(static_cast<double>(count));
        program.push_back(t.program);
        floor.push_back(t.floor);
    }
    return Pair{FitLine(records, program).RecordsAt(frameMs),
                FitLine(records, floor).RecordsAt(frameMs)};
}

// Private bytes of the process. Wine leaves PrivateUsage at 0; there the
// working set stands in, which the appended records fill as they are written.
struct Memory {
    SIZE_T bytes;
    const char* source;
};

Memory ProcessMemory()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof(counters));
    if (counters.PrivateUsage)
        return Memory{counters.PrivateUsage, "PrivateUsage"};
    return Memory{counters.WorkingSetSize, "WorkingSetSize"};
}

size_t HeldBytes()
{
    const DrawingLists& l = drawingLists;
    return l.rectangleList.capacity() * sizeof(Rectangles) +
           l.circleList.capacity() * sizeof(Circles) + l.lineList.capacity() * sizeof(Line) +
           l.pencilList.capacity() * sizeof(Pencil) + l.eraserList.capacity() * sizeof(Eraser);
}

// ---------------------------------------------------------------- mouse moves

LPARAM At(int x, int y)
{
    return MAKELPARAM(x, y);
}

struct MoveCosts {
    double move, dispatch, append, invalidate; // microseconds per move
};

// One pencil stroke of count moves sent to the real window procedure. The
// pending paint is dropped afterwards: only the handling is timed.
double TimeStroke(int count, WPARAM buttons)
{
    ClearDrawing(mainWindow);
    ValidateRect(mainWindow, nullptr);
    SendMessageW(mainWindow, WM_LBUTTONDOWN, MK_LBUTTON, At(500, 400));
    Random random(seed);
    int x = 500, y = 400;
    double start = Now();
    for (int i = 0; i < count; ++i) {
        x = Clamp(x + random.Between(-3, 3), 0, clientWidth - 1);
        y = Clamp(y + random.Between(-3, 3), 0, clientHeight - 1);
        SendMessageW(mainWindow, WM_MOUSEMOVE, buttons, At(x, y));
    }
    double elapsed = Now() - start;
    SendMessageW(mainWindow, WM_LBUTTONUP, 0, At(x, y));
    ValidateRect(mainWindow, nullptr);
    return elapsed * 1000.0 / count;
}

MoveCosts MeasureMoves(int count, int reps)
{
    SendMessageW(mainWindow, WM_COMMAND, CmdPencil, 0);
    std::vector<double> move, dispatch, append, invalidate;
    for (int r = 0; r < reps; ++r) {
        move.push_back(TimeStroke(count, MK_LBUTTON));
        // With the button up the procedure only ends the stroke: what is left
        // is the cost of getting a message to the procedure.
        dispatch.push_back(TimeStroke(count, 0));

        ClearDrawing(mainWindow);
        double start = Now();
        for (int i = 0; i < count; ++i)
            AppendPencil(Pencil(i & 1023, 5, (i + 3) & 1023, 7, 0, nullptr));
        append.push_back((Now() - start) * 1000.0 / count);

        start = Now();
        for (int i = 0; i < count; ++i)
            InvalidateRect(mainWindow, nullptr, TRUE);
        invalidate.push_back((Now() - start) * 1000.0 / count);
        ValidateRect(mainWindow, nullptr);
    }
    ClearDrawing(mainWindow);
    ValidateRect(mainWindow, nullptr);
    return MoveCosts{Median(move), Median(dispatch), Median(append), Median(invalidate)};
}

int paintCount;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT)
        ++paintCount;
    return MainWindowProc(window, message, wParam, lParam);
}

struct Burst {
    int paints;
    double ms;
};

enum class Delivery { PostAll, SendAll, PostEach };

// A pencil stroke of count moves, delivered one way, then the queue pumped.
Burst MouseBurst(int count, Delivery delivery)
{
    SendMessageW(mainWindow, WM_COMMAND, CmdPencil, 0);
    ClearDrawing(mainWindow);
    UpdateWindow(mainWindow);
    std::optional<ProcedureSwap> counting(std::in_place, mainWindow, CountingProc);
    paintCount = 0;
    double start = Now();
    SendMessageW(mainWindow, WM_LBUTTONDOWN, MK_LBUTTON, At(500, 400));
    Random random(seed);
    int x = 500, y = 400;
    for (int i = 0; i < count; ++i) {
        x = Clamp(x + random.Between(-3, 3), 0, clientWidth - 1);
        y = Clamp(y + random.Between(-3, 3), 0, clientHeight - 1);
        if (delivery == Delivery::SendAll)
            SendMessageW(mainWindow, WM_MOUSEMOVE, MK_LBUTTON, At(x, y));
        else
            PostMessageW(mainWindow, WM_MOUSEMOVE, MK_LBUTTON, At(x, y));
        if (delivery == Delivery::PostEach)
            PumpMessages();
    }
    PostMessageW(mainWindow, WM_LBUTTONUP, 0, At(x, y));
    PumpMessages();
    GdiFlush();
    Burst burst{paintCount, Now() - start};
    counting.reset();
    ClearDrawing(mainWindow);
    UpdateWindow(mainWindow);
    return burst;
}

// ---------------------------------------------------------------- report

FILE* csv;

void Row(const char* measure, const char* mix, const std::string& records, double program,
         double floor, double ratio, const char* unit)
{
    std::fprintf(csv, "%s,%s,%s,%.6g,", measure, mix, records.c_str(), program);
    if (floor > 0)
        std::fprintf(csv, "%.6g,%.4f,%s\n", floor, ratio, unit);
    else
        std::fprintf(csv, ",,%s\n", unit);
}

void Row(const char* measure, const char* mix, const std::string& records, double program,
         double floor, const char* unit)
{
    Row(measure, mix, records, program, floor, floor > 0 ? program / floor : 0, unit);
}

} // namespace

int main(int argc, char** argv)
{
    const char* csvPath = argc > 1 ? argv[1] : "bench.csv";
    csv = std::fopen(csvPath, "w");
    if (!csv) {
        std::fprintf(stderr, "cannot write %s\n", csvPath);
        return 2;
    }
    std::fprintf(csv, "measure,mix,records,program,floor,ratio,unit\n");

    if (!MakeMainWindow()) {
        std::fprintf(stderr, "cannot make the main window (error %lu)\n", GetLastError());
        return 2;
    }
    // The painter draws every kind of record; choose a tool so that the
    // gestures below record samples.
    SendMessageW(mainWindow, WM_COMMAND, CmdPencil, 0);

    const size_t sizes[] = {1000, 10000, 100000, 1000000};
    const size_t largest = 1000000;
    Random random(seed);
    Mix mixes[] = {{"freehand", MakeFreehand(largest, random)},
                   {"shapes", MakeShapes(largest, random)}};

    std::printf("Quillmark paint benchmark: client %dx%d, seed %llu\n", clientWidth, clientHeight,
                static_cast<unsigned long long>(seed));
    std::printf("freehand: pencil and eraser samples 1-4 px long, in strokes of 50-400\n");
    std::printf("shapes: rectangles and ellipses 2/5 each (half filled), lines 1/5, 8-120 px\n\n");

    for (Mix& mix : mixes) {
        SetScene(mix.items, 10000);
        std::printf("%s: floor draws the same pixels as the program: %s\n", mix.name,
                    FloorMatchesProgram() ? "yes" : "NO");
    }

    std::printf(
        "\nOne full paint: medians in ms; ratio program/floor: median over adjacent pairs\n");
    std::printf("%-9s %9s %12s %12s %7s %5s\n", "mix", "records", "program", "floor", "ratio",
                "pairs");
    PaintTimes measured[2][4];
    for (int m = 0; m < 2; ++m) {
        for (int s = 0; s < 4; ++s) {
            SetScene(mixes[m].items, sizes[s]);
            PaintTimes p = MeasurePaints(31, 120000);
            measured[m][s] = p;
            std::printf("%-9s %9zu %12.3f %12.3f %7.3f %5d\n", mixes[m].name, sizes[s], p.program,
                        p.floor, p.ratio, p.pairs);
            std::fflush(stdout);
            Row("paint", mixes[m].name, std::to_string(sizes[s]), p.program, p.floor, p.ratio,
                "ms");
        }
    }

    std::printf("\nLargest scene painted within one 60 Hz frame (%.1f ms), records\n", frameMs);
    std::printf("%-9s %12s %12s %7s\n", "mix", "program", "floor", "ratio");
    for (int m = 0; m < 2; ++m) {
        // The measured sizes that bracket one frame; past the largest, the
        // line through the two largest.
        size_t low = 0, high = sizes[3];
        for (int s = 0; s < 4; ++s) {
            if (std::max(measured[m][s].program, measured[m][s].floor) <= frameMs) {
                low = sizes[s];
            } else {
                high = sizes[s];
                break;
            }
        }
        if (low == sizes[3])
            low = sizes[2];
        Pair budget = FrameBudgets(mixes[m].items, low, high);
        std::printf("%-9s %12.0f %12.0f %7.3f\n", mixes[m].name, budget.program, budget.floor,
                    budget.program / budget.floor);
        std::fflush(stdout);
        Row("frame_budget", mixes[m].name, "", budget.program, budget.floor, "records");
    }

    std::printf("\nMemory per record at %zu records: process memory after - before appending,\n"
                "and the lists' capacity, against sizeof the records\n",
                largest);
    std::printf("%-9s %10s %10s %10s %8s  %s\n", "mix", "measured", "held", "sizeof", "ratio",
                "counter");
    for (Mix& mix : mixes) {
        ClearDrawing(mainWindow);
        ValidateRect(mainWindow, nullptr);
        BuildFloor(mix.items, largest);
        double recordBytes = 0;
        for (const Shape& item : mix.items)
            recordBytes += static_cast<double>(RecordBytes(item.kind));
        recordBytes /= static_cast<double>(largest);
        Memory before = ProcessMemory();
        for (const Shape& item : mix.items)
            AppendShape(item);
        Memory after = ProcessMemory();
        double measuredBytes =
            (static_cast<double>(after.bytes) - static_cast<double>(before.bytes)) /
            static_cast<double>(largest);
        double heldBytes = static_cast<double>(HeldBytes()) / static_cast<double>(largest);
        std::printf("%-9s %10.2f %10.2f %10.2f %8.3f  %s\n", mix.name, measuredBytes, heldBytes,
                    recordBytes, measuredBytes / recordBytes, after.source);
        Row("memory_per_record", mix.name, std::to_string(largest), measuredBytes, recordBytes,
            "bytes");
        Row("memory_held_per_record", mix.name, std::to_string(largest), heldBytes, recordBytes,
            "bytes");
    }
    ClearDrawing(mainWindow);
    floorScene = FloorScene{};
    ValidateRect(mainWindow, nullptr);

    const int moves = 100000;
    MoveCosts costs = MeasureMoves(moves, 5);
    std::printf("\nOne mouse move that records a pencil sample, sent to the window procedure\n");
    std::printf("(median of 5 strokes of %d moves, us per move)\n", moves);
    std::printf("  whole move (append + invalidate) %8.3f\n", costs.move);
    std::printf("  of which: message to procedure   %8.3f\n", costs.dispatch);
    std::printf("            AppendPencil alone     %8.3f\n", costs.append);
    std::printf("            InvalidateRect alone   %8.3f\n", costs.invalidate);
    Row("mouse_move", "freehand", std::to_string(moves), costs.move, 0, "us");
    Row("mouse_move_dispatch", "freehand", std::to_string(moves), costs.dispatch, 0, "us");
    Row("mouse_move_append", "freehand", std::to_string(moves), costs.append, 0, "us");
    Row("mouse_move_invalidate", "freehand", std::to_string(moves), costs.invalidate, 0, "us");

    const int burst = 10000;
    Burst posted = MouseBurst(burst, Delivery::PostAll);
    Burst sent = MouseBurst(burst, Delivery::SendAll);
    const int slowMoves = 1000;
    Burst each = MouseBurst(slowMoves, Delivery::PostEach);
    std::printf("\nPaints caused by a stroke of mouse moves, then the queue pumped\n");
    std::printf("  %5d moves posted, then pumped      %6d paints %10.1f ms\n", burst, posted.paints,
                posted.ms);
    std::printf("  %5d moves sent, then pumped        %6d paints %10.1f ms\n", burst, sent.paints,
                sent.ms);
    std::printf("  %5d moves, queue pumped after each %6d paints %10.1f ms\n", slowMoves,
                each.paints, each.ms);
    Row("burst_paints", "posted", std::to_string(burst), posted.paints, 0, "paints");
    Row("burst_paints", "sent", std::to_string(burst), sent.paints, 0, "paints");
    Row("burst_paints", "pumped_each", std::to_string(slowMoves), each.paints, 0, "paints");
    Row("burst_ms", "posted", std::to_string(burst), posted.ms, 0, "ms");
    Row("burst_ms", "sent", std::to_string(burst), sent.ms, 0, "ms");
    Row("burst_ms", "pumped_each", std::to_string(slowMoves), each.ms, 0, "ms");

    std::fclose(csv);
    DestroyWindow(mainWindow);
    PumpMessages();
    return 0;
}
