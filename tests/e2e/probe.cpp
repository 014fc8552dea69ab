// Tells the end-to-end tests where a running program's windows are. They drive
// Quillmark from outside, through X, and see only pixels; the sizes of frames,
// captions, menu bars and dialog controls differ from one Wine to the next, so
// they ask the windows themselves. Runs under Wine in the program's prefix and
// desktop; another process can read a window's rectangles and send it
// WM_NCHITTEST, but not read its menus.
//
//   probe window CAPTION    the shown top-level window with exactly this
//                           caption: its rectangle, its client area, and
//                           the parts of its frame found by hit testing
//   probe controls CAPTION  its child windows, one a line
//   probe menus             how many popup menus are shown
//   probe uncover CAPTION   asks the window to repaint the part of its
//                           client area right of and below its first third,
//                           as the platform does for a part another window
//                           uncovers (Wine repaints such parts from its own
//                           copy of the window, without asking the program)
//
// A rectangle is printed as: name left top width height, in screen pixels.
// Exit code 1 when no shown window has the caption, 2 for a call it does not
// know.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

void PrintRect(const char* name, const RECT& r)
{
    std::printf("%s %ld %ld %ld %ld\n", name, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// What the window's frame is at a screen point: HTCAPTION, HTMENU, HTCLOSE...
LRESULT HitTest(HWND window, LONG x, LONG y)
{
    DWORD_PTR hit = HTNOWHERE;
    SendMessageTimeoutW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 2000, &hit);
    return static_cast<LRESULT>(hit);
}

// The rows of the window's centre column, between its top and its client
// area, where the frame answers the hit code; false when none does.
bool BandOf(HWND window, const RECT& outer, LONG clientTop, LRESULT code, RECT& band)
{
    const LONG x = (outer.left + outer.right) / 2;
    band = RECT{outer.left, 0, outer.right, 0};
    bool found = false;
    for (LONG y = outer.top; y < clientTop; ++y) {
        if (HitTest(window, x, y) != code)
            continue;
        if (!found)
            band.top = y;
        band.bottom = y + 1;
        found = true;
    }
    return found;
}

// The close box: the run of the caption's middle row that answers HTCLOSE.
bool CloseBoxOf(HWND window, const RECT& outer, const RECT& caption, RECT& box)
{
    const LONG y = (caption.top + caption.bottom) / 2;
    box = RECT{0, caption.top, 0, caption.bottom};
    bool found = false;
    for (LONG x = outer.right - 1; x >= outer.left; --x) {
        if (HitTest(window, x, y) == HTCLOSE) {
            if (!found)
                box.right = x + 1;
            box.left = x;
            found = true;
        } else if (found) {
            break;
        }
    }
    return found;
}

// A point of the bottom right sizing corner, from the outer corner inwards.
bool SizingCornerOf(HWND window, const RECT& outer, POINT& corner)
{
    LONG first = -1, last = -1;
    for (LONG i = 1; i < 32; ++i) {
        if (HitTest(window, outer.right - i, outer.bottom - i) == HTBOTTOMRIGHT) {
            if (first < 0)
                first = i;
            last = i;
        } else if (first >= 0) {
            break;
        }
    }
    if (first < 0)
        return false;
    const LONG middle = (first + last) / 2;
    corner = POINT{outer.right - middle, outer.bottom - middle};
    return true;
}

int DescribeWindow(HWND window)
{
    RECT outer = {}, client = {};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    PrintRect("window", outer);
    PrintRect("client", client);

    RECT band = {};
    if (BandOf(window, outer, client.top, HTCAPTION, band)) {
        PrintRect("caption", band);
        RECT box = {};
        if (CloseBoxOf(window, outer, band, box))
            PrintRect("close", box);
    }
    if (BandOf(window, outer, client.top, HTMENU, band))
        PrintRect("menubar", band);
    POINT corner = {};
    if (SizingCornerOf(window, outer, corner))
        std::printf("corner %ld %ld\n", corner.x, corner.y);
    return 0;
}

// One line a child: id class style visible left top width height.
BOOL CALLBACK PrintControl(HWND control, LPARAM)
{
    WCHAR className[64] = {};
    GetClassNameW(control, className, ARRAYSIZE(className));
    RECT r = {};
    GetWindowRect(control, &r);
    std::printf("%d %ls %lu %d %ld %ld %ld %ld\n", GetDlgCtrlID(control), className,
                static_cast<unsigned long>(GetWindowLongW(control, GWL_STYLE)),
                IsWindowVisible(control) ? 1 : 0, r.left, r.top, r.right - r.left,
                r.bottom - r.top);
    return TRUE;
}

BOOL CALLBACK CountMenu(HWND window, LPARAM count)
{
    WCHAR className[16] = {};
    GetClassNameW(window, className, ARRAYSIZE(className));
    if (std::wcscmp(className, L"#32768") == 0 && IsWindowVisible(window))
        ++*reinterpret_cast<int*>(count);
    return TRUE;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 2 && std::wcscmp(argv[1], L"menus") == 0) {
        int count = 0;
        EnumWindows(CountMenu, reinterpret_cast<LPARAM>(&count));
        std::printf("%d\n", count);
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: probe window|controls|uncover CAPTION, or probe menus\n");
        return 2;
    }
    HWND window = FindWindowW(nullptr, argv[2]);
    if (!window || !IsWindowVisible(window))
        return 1;
    if (std::wcscmp(argv[1], L"window") == 0)
        return DescribeWindow(window);
    if (std::wcscmp(argv[1], L"controls") == 0) {
        EnumChildWindows(window, PrintControl, 0);
        return 0;
    }
    if (std::wcscmp(argv[1], L"uncover") == 0) {
        RECT client;
        GetClientRect(window, &client);
        client.left = client.right / 3;
        client.top = client.bottom / 3;
        return RedrawWindow(window, &client, nullptr, RDW_INVALIDATE | RDW_UPDATENOW) ? 0 : 1;
    }
    std::fprintf(stderr, "probe: unknown call %ls\n", argv[1]);
    return 2;
}
