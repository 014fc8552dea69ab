#include "app/app.h"

#include "app/resource.h"
#include "model/drawing.h"
#include "paint/backbuffer.h"
#include "tools/colour.h"
#include "tools/gestures.h"
#include "tools/toolstate.h"

HINSTANCE appInstance;
HWND mainWindow;
WCHAR windowTitle[MaxLoadString];
WCHAR windowClassName[MaxLoadString];

namespace {

void ShowAboutBox(HWND window)
{
    DialogBoxParamW(appInstance, MAKEINTRESOURCEW(DlgAbout), window, AboutDialogProc, 0);
}

void OnDestroy()
{
    ReleaseBackBuffer();
    ReleaseDrawingBrush();
    PostQuitMessage(0);
}

LRESULT OnCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const unsigned command = LOWORD(wParam);
    switch (command) {
    case CmdAbout:
        ShowAboutBox(window);
        return 0;
    case CmdExit:
        DestroyWindow(window);
        return 0;
    case CmdRectangle:
    case CmdEllipse:
    case CmdFilledRectangle:
    case CmdFilledEllipse:
    case CmdLineTool:
    case CmdPencil:
    case CmdEraser:
        SelectTool(command);
        return 0;
    case CmdChooseColour:
        ChooseDrawingColour(window);
        return 0;
    case CmdClear:
        ClearDrawing(window);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

void LoadAppStrings(HINSTANCE instance)
{
    LoadStringW(instance, StrAppTitle, windowTitle, MaxLoadString);
    LoadStringW(instance, StrWindowClass, windowClassName, MaxLoadString);
}

ATOM RegisterMainWindowClass(HINSTANCE instance)
{
    WNDCLASSEXW wcex = {};
    wcex.cbSize = sizeof(wcex);
    wcex.style = CS_HREDRAW | CS_VREDRAW;
    wcex.lpfnWndProc = MainWindowProc;
    wcex.hInstance = instance;
    wcex.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IconLarge));
    wcex.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wcex.hbrBackground = nullptr; // every paint covers the whole client area
    wcex.lpszMenuName = MAKEINTRESOURCEW(MenuMain);
    wcex.lpszClassName = windowClassName;
    wcex.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IconSmall));
    return RegisterClassExW(&wcex);
}

BOOL CreateMainWindow(HINSTANCE instance, int showCommand)
{
    appInstance = instance;
    mainWindow =
        CreateWindowExW(0, windowClassName, windowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                        CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
    if (!mainWindow)
        return FALSE;

    HDC windowDC = GetDC(mainWindow);
    ShowWindow(mainWindow, showCommand);
    UpdateWindow(mainWindow);
    CreateBackBuffer(mainWindow, windowDC);
    ReleaseDC(mainWindow, windowDC);

    // The paints during showing came before the back buffer and copied
    // nothing; paint the client area from it now.
    InvalidateRect(mainWindow, nullptr, TRUE);
    return TRUE;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        return OnCommand(window, message, wParam, lParam);
    case WM_PAINT:
        PaintWindow(window);
        return 0;
    case WM_SIZE:
        ResizeBackBuffer(window);
        return 0;
    case WM_LBUTTONDOWN:
        OnLeftButtonDown(window, lParam);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(window, wParam, lParam);
        return 0;
    case WM_LBUTTONUP:
        OnLeftButtonUp(window, lParam);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
