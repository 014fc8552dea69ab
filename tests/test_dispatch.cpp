// The main window procedure: what each message and command returns, and that
// everything it does not handle goes to the default procedure.
#include "test_support.h"

#include <cstring>
#include <vector>

#include "app/app.h"
#include "app/resource.h"
#include "model/drawing.h"
#include "paint/backbuffer.h"
#include "tools/colour.h"
#include "tools/toolstate.h"

class Dispatch : public MainWindowTest {
protected:
    // Takes a WM_QUIT from the queue; its code, or -1 if there was none.
    int QuitCode()
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            if (msg.message == WM_QUIT)
                return static_cast<int>(msg.wParam);
        return -1;
    }
};

TEST_F(Dispatch, HandledMessagesReturnZero)
{
    struct Case {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Case> cases = {
        {WM_PAINT, 0, 0},
        {WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200)},
        {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)},
        {WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(6, 6)},
        {WM_LBUTTONUP, 0, MAKELPARAM(7, 7)},
        {WM_COMMAND, CmdClear, 0},
        {WM_COMMAND, MAKEWPARAM(CmdClear, 1), 0}, // as an accelerator sends it
    };
    for (const Tool& tool : tools)
        cases.push_back(Case{WM_COMMAND, tool.command, 0});
    cases.push_back(Case{WM_DESTROY, 0, 0}); // last: it releases the back buffer
    for (const Case& c : cases) {
        InvalidateRect(window, nullptr, TRUE);
        EXPECT_EQ(0, Send(c.message, c.wParam, c.lParam))
            << "message " << std::hex << c.message << " wParam " << c.wParam;
    }
}

// Commands without a handler, the unlabelled "Colours" item among them, give
// the default procedure's answer and change nothing.
TEST_F(Dispatch, UnknownCommandsGoToTheDefaultProcedure)
{
    const WPARAM unknown[] = {32781,
                              32774,
                              32778,
                              32779,
                              32782,
                              32785,
                              0,
                              1,
                              2,
                              103,
                              106,
                              65535,
                              MAKEWPARAM(32781, 1),
                              MAKEWPARAM(32774, 0xFFFF)};
    Command(CmdLineTool);
    AppendLine(Line(1, 2, 3, 4, 0));
    const ToolState chosen = toolState;
    for (WPARAM id : unknown) {
        Validate();
        LRESULT expected = DefWindowProcW(window, WM_COMMAND, id, 0);
        EXPECT_EQ(expected, Send(WM_COMMAND, id, 0)) << "command " << id;
        EXPECT_TRUE(IsWindow(window)) << "command " << id;
        EXPECT_EQ(RECT{}, UpdateBox()) << "command " << id;
        EXPECT_EQ(chosen, toolState) << "command " << id;
        EXPECT_EQ(1, drawingLists.lineCount) << "command " << id;
    }
}

TEST_F(Dispatch, OtherMessagesGoToTheDefaultProcedure)
{
    EXPECT_EQ(9, Send(WM_GETTEXTLENGTH)) << "the caption \"Quillmark\"";
    WCHAR caption[32] = {};
    Send(WM_GETTEXT, ARRAYSIZE(caption), reinterpret_cast<LPARAM>(caption));
    EXPECT_STREQ(L"Quillmark", caption);
    EXPECT_EQ(TRUE, Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Other")));
    EXPECT_EQ(5, Send(WM_GETTEXTLENGTH));
    // Double clicks are not asked for: the class has no CS_DBLCLKS.
    EXPECT_EQ(0u, GetClassLongW(window, GCL_STYLE) & CS_DBLCLKS);
}

TEST_F(Dispatch, ExitDestroysTheWindowAndQuitsWithZero)
{
    const HBRUSH brush = currentBrush = CreateSolidBrush(blue);
    EXPECT_EQ(0, Command(CmdExit));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(0, QuitCode());
    EXPECT_EQ(nullptr, backBufferDC) << "back buffer released with the window";
    EXPECT_EQ(0u, GetObjectType(brush)) << "the drawing brush outlived the window";
}

TEST_F(Dispatch, CloseBoxQuitsWithZero)
{
    Send(WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(0, QuitCode());
}

TEST_F(Dispatch, ClassAndWindowAsRegistered)
{
    WNDCLASSEXW wcex = {};
    wcex.cbSize = sizeof(wcex);
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), L"MYQUILLMARK", &wcex));
    EXPECT_EQ(UINT(CS_HREDRAW | CS_VREDRAW), wcex.style);
    EXPECT_EQ(&MainWindowProc, wcex.lpfnWndProc);
    EXPECT_EQ(nullptr, wcex.hbrBackground);
    EXPECT_EQ(LoadCursorW(nullptr, IDC_ARROW), wcex.hCursor);
    const HINSTANCE module = GetModuleHandleW(nullptr);
    EXPECT_EQ(LoadIconW(module, MAKEINTRESOURCEW(IconLarge)), wcex.hIcon);
    EXPECT_EQ(LoadIconW(module, MAKEINTRESOURCEW(IconSmall)), wcex.hIconSm);
    EXPECT_EQ(DWORD(WS_OVERLAPPEDWINDOW), GetWindowLongW(window, GWL_STYLE) & WS_OVERLAPPEDWINDOW);
    // No extended style of its own; the platform adds the edge of a captioned window.
    EXPECT_EQ(DWORD(WS_EX_WINDOWEDGE), DWORD(GetWindowLongW(window, GWL_EXSTYLE)));
    EXPECT_NE(nullptr, GetMenu(window)) << "the class menu";
    EXPECT_EQ(5, GetMenuItemCount(GetMenu(window)));
}

TEST(StartUp, WindowThatCannotBeCreatedGivesFalse)
{
    WCHAR saved[MaxLoadString];
    std::memcpy(saved, windowClassName, sizeof(saved));
    lstrcpyW(windowClassName, L"NoSuchQuillmarkClass");
    EXPECT_FALSE(CreateMainWindow(GetModuleHandleW(nullptr), SW_HIDE));
    EXPECT_EQ(nullptr, mainWindow);
    std::memcpy(windowClassName, saved, sizeof(saved));
}

TEST(StartUp, StringsFillTheirBuffers)
{
    LoadAppStrings(GetModuleHandleW(nullptr));
    EXPECT_STREQ(L"Quillmark", windowTitle);
    EXPECT_STREQ(L"MYQUILLMARK", windowClassName);
}
