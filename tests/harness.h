// Drives the real program without GoogleTest; shared by the tests and the
// benchmark: a seeded random generator, the main window, the message pump,
// the program's state put back as at start, and shapes appended through the
// program's own append functions.
#pragma once

#include <windows.h>

#include <cstdint>

// Splitmix64, so that a seed gives the same numbers with every compiler.
// Draw each number in a statement of its own: compilers evaluate a call's
// arguments in different orders.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, bound).
    unsigned Below(unsigned bound) { return static_cast<unsigned>(Next() % bound); }
    // Uniform in [low, high].
    int Between(int low, int high)
    {
        return low + static_cast<int>(Next() % static_cast<uint64_t>(high - low + 1));
    }
    bool Chance(unsigned percent) { return Below(100) < percent; }
    COLORREF Colour() { return static_cast<COLORREF>(Next() & 0xFFFFFF); }

private:
    uint64_t state_;
};

// Puts every piece of program-wide state back as it is at process start.
void ResetProgramState();

// Dispatches every message waiting for this thread (WM_QUIT included: it is
// dropped, so one test's exit does not end the next one's loop).
void PumpMessages();

// Registers the main window class (unless it is registered) and creates the
// main window as the entry point does. False when either fails.
bool OpenMainWindow(int showCommand);

// Resizes a window so that its client area is width x height, and lets the
// paint run.
void SetClientSize(HWND window, int width, int height);

// Gives a window another procedure for as long as this lives. The
// replacement passes what it leaves alone on to MainWindowProc.
class ProcedureSwap {
public:
    ProcedureSwap(HWND window, WNDPROC procedure)
        : window_(window),
          previous_(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)))
    {
    }
    ~ProcedureSwap() { SetWindowLongPtrW(window_, GWLP_WNDPROC, previous_); }
    ProcedureSwap(const ProcedureSwap&) = delete;
    ProcedureSwap& operator=(const ProcedureSwap&) = delete;

private:
    HWND window_;
    LONG_PTR previous_;
};

// The five kinds of record, one list each.
enum class Kind : unsigned char { Rectangle, Ellipse, Line, Pencil, Eraser };

// Any record in plain (x, y) order, start point first. Lines and freehand
// samples have no filled flag and read as outlined.
struct Shape {
    Kind kind;
    int x0, y0, x1, y1;
    COLORREF colour;
    bool filled = false;

    bool operator==(const Shape& o) const
    {
        return kind == o.kind && x0 == o.x0 && y0 == o.y0 && x1 == o.x1 && y1 == o.y1 &&
               colour == o.colour && filled == o.filled;
    }
};

// Appends the shape to its list through the program's append function, with
// no window, so that it asks for no paint. False when the list refused it.
bool AppendShape(const Shape& shape);
