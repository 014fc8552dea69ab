// The About box: how it opens, what it shows, and every way it closes.
#include "test_support.h"

#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/resource.h"

namespace {

// The name line: "Quillmark, Version 1.0" for project()'s version 1.0.
const wchar_t AboutName[] = L"Quillmark, Version " QUILLMARK_PROJECT_VERSION;

std::wstring TextOf(HWND window)
{
    WCHAR text[128] = {};
    GetWindowTextW(window, text, ARRAYSIZE(text));
    return text;
}

} // namespace

class AboutBox : public MainWindowTest {};

TEST_F(AboutBox, ShowsNameVersionAndTheProgramIcon)
{
    bool mainDisabled = false;
    std::wstring caption, name;
    HICON icon = nullptr;
    HWND focus = nullptr, ok = nullptr;
    DialogDriver inspect([&](HWND dialog) {
        caption = TextOf(dialog);
        mainDisabled = !IsWindowEnabled(window);
        for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            if ((GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                icon = reinterpret_cast<HICON>(SendMessageW(c, STM_GETICON, 0, 0));
            if (TextOf(c) == AboutName)
                name = TextOf(c);
        }
        ok = GetDlgItem(dialog, IDOK);
        focus = GetFocus();
        EndDialog(dialog, IDOK);
    });
    EXPECT_EQ(0, Command(CmdAbout));
    ASSERT_EQ(1, inspect.acted()) << "About boxes that opened";
    EXPECT_EQ(0, inspect.forcedClosed());
    EXPECT_EQ(L"About Quillmark", caption);
    EXPECT_EQ(AboutName, name);
    EXPECT_NE(nullptr, icon) << "an icon in the icon control";
    EXPECT_EQ(ok, focus) << "OK has the focus";
    EXPECT_TRUE(mainDisabled) << "the main window waits while the box is open";
    EXPECT_TRUE(IsWindowEnabled(window)) << "and takes input again after";
}

// OK, Enter, Esc and the close box each close the box.
TEST_F(AboutBox, ClosesEveryWay)
{
    const struct {
        const char* how;
        std::function<void(HWND)> close;
    } ways[] = {
        {"OK", [](HWND d) { SendMessageW(GetDlgItem(d, IDOK), BM_CLICK, 0, 0); }},
        {"Enter",
         [](HWND d) { PostMessageW(GetFocus() ? GetFocus() : d, WM_KEYDOWN, VK_RETURN, 1); }},
        {"Esc",
         [](HWND d) { PostMessageW(GetFocus() ? GetFocus() : d, WM_KEYDOWN, VK_ESCAPE, 1); }},
        {"close box", [](HWND d) { PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        DialogDriver close(way.close);
        EXPECT_EQ(0, Command(CmdAbout));
        EXPECT_EQ(1, close.acted()) << "About boxes that opened";
        EXPECT_EQ(0, close.forcedClosed()) << "the way did not close the box";
        EXPECT_EQ(nullptr, DialogOfThisThread());
        EXPECT_TRUE(IsWindowEnabled(window));
    }
}

// --- The message loop --------------------------------------------------------

// The real entry point, built into this test program under another name.
int WINAPI QuillmarkMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show);

namespace {

// A keyboard or command message as it reached the window procedure.
struct Delivered {
    UINT message;
    WPARAM wParam;
    bool operator==(const Delivered& o) const { return message == o.message && wParam == o.wParam; }
};

void PrintTo(const Delivered& d, std::ostream* out)
{
    *out << "message 0x" << std::hex << d.message << " wParam 0x" << d.wParam << std::dec;
}

std::vector<Delivered> delivered;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN || message == WM_CHAR ||
        message == WM_SYSCHAR || message == WM_COMMAND)
        delivered.push_back({message, wParam});
    return MainWindowProc(window, message, wParam, lParam);
}

// The context code of a key message: Alt held.
const LPARAM altDown = 1 | (1 << 29);

bool refuseCreation;

// Records what reaches the main window as it is created, and queues Alt+?,
// which the loop meets first; or makes the creation fail.
LRESULT CALLBACK OnCreation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        HWND created = reinterpret_cast<HWND>(wParam);
        WCHAR name[MaxLoadString] = {};
        GetClassNameW(created, name, MaxLoadString);
        if (lstrcmpW(name, L"MYQUILLMARK") == 0) {
            if (refuseCreation)
                return 1;
            SetWindowLongPtrW(created, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc));
            PostMessageW(created, WM_SYSCHAR, L'?', altDown);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The entry point starts as the process does: no strings loaded, no class.
class MessageLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProgramState();
        UnregisterClassW(L"MYQUILLMARK", GetModuleHandleW(nullptr));
        windowTitle[0] = windowClassName[0] = L'\0';
        refuseCreation = false;
        hook = SetWindowsHookExW(WH_CBT, OnCreation, nullptr, GetCurrentThreadId());
    }
    void TearDown() override
    {
        UnhookWindowsHookEx(hook);
        if (IsWindow(mainWindow))
            DestroyWindow(mainWindow);
        PumpMessages();
        ResetProgramState();
    }
    int Run(int show) { return QuillmarkMain(GetModuleHandleW(nullptr), nullptr, nullptr, show); }

    HHOOK hook = nullptr;
};

} // namespace

// Alt+? and Alt+/, as the loop gets them once the keys are translated, reach
// the window only as the About command; the loop neither translates nor
// dispatches them again. Other keys are translated into characters and
// dispatched, and so are the same characters typed without Alt.
TEST_F(MessageLoop, AcceleratorsReachTheWindowOnlyAsTheirCommand)
{
    // The platform reads the Alt key from the thread's keyboard state.
    BYTE keys[256], altKeys[256];
    GetKeyboardState(keys);
    std::memcpy(altKeys, keys, sizeof(keys));
    altKeys[VK_MENU] = altKeys[VK_LMENU] = 0x80;
    const LPARAM keyA = 1 | (0x1E << 16);
    int boxes = 0;
    DialogDriver close([&](HWND dialog) {
        EndDialog(dialog, IDOK);
        if (++boxes == 1) {
            PostMessageW(mainWindow, WM_SYSCHAR, L'/', altDown);
            return;
        }
        SetKeyboardState(keys);
        PostMessageW(mainWindow, WM_CHAR, L'?', 1);
        PostMessageW(mainWindow, WM_KEYDOWN, 'A', keyA);
        // The quit message comes once every other message has been taken.
        PostQuitMessage(3);
    });
    delivered.clear();
    SetKeyboardState(altKeys);
    const int code = Run(SW_SHOWNOACTIVATE);
    SetKeyboardState(keys);

    EXPECT_EQ(3, code) << "the quit message's code";
    WCHAR caption[MaxLoadString] = {};
    GetWindowTextW(mainWindow, caption, MaxLoadString);
    EXPECT_STREQ(L"Quillmark", caption);
    EXPECT_EQ(2, close.acted()) << "About boxes that opened";
    EXPECT_EQ(0, close.forcedClosed());
    const WPARAM fromAccelerator = MAKEWPARAM(CmdAbout, 1);
    const std::vector<Delivered> expected = {{WM_COMMAND, fromAccelerator},
                                             {WM_COMMAND, fromAccelerator},
                                             {WM_CHAR, L'?'},
                                             {WM_KEYDOWN, 'A'},
                                             {WM_CHAR, L'a'}};
    EXPECT_EQ(expected, delivered);
}

// No window, no loop: start-up ends with 0 at once, even with a quit message
// of another code waiting.
TEST_F(MessageLoop, WindowThatCannotBeCreatedEndsStartUpWithZero)
{
    refuseCreation = true;
    PostQuitMessage(5);
    EXPECT_EQ(0, Run(SW_SHOWNOACTIVATE));
    EXPECT_EQ(nullptr, mainWindow);
}

// The icon control gets the program's icon wherever it stands among the
// controls: here it is moved from first to last before the dialog starts again.
TEST_F(AboutBox, IconControlGetsTheIconWhereverItStands)
{
    HWND dialog =
        CreateDialogParamW(appInstance, MAKEINTRESOURCEW(DlgAbout), window, AboutDialogProc, 0);
    ASSERT_NE(nullptr, dialog);
    HWND icon = GetWindow(dialog, GW_CHILD);
    ASSERT_EQ(SS_ICON, GetWindowLongW(icon, GWL_STYLE) & SS_TYPEMASK) << "the first control";
    SetWindowPos(icon, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_EQ(icon, GetWindow(GetWindow(dialog, GW_CHILD), GW_HWNDLAST)) << "now the last";
    SendMessageW(icon, STM_SETICON, 0, 0);

    EXPECT_EQ(TRUE, AboutDialogProc(dialog, WM_INITDIALOG, 0, 0));
    EXPECT_NE(0, SendMessageW(icon, STM_GETICON, 0, 0));
    for (HWND c = GetWindow(dialog, GW_CHILD); c != icon; c = GetWindow(c, GW_HWNDNEXT)) {
        SCOPED_TRACE(TextOf(c).c_str());
        EXPECT_EQ(0, SendMessageW(c, STM_GETICON, 0, 0)) << "another control got the icon";
    }
    DestroyWindow(dialog);
}

TEST(AboutDialogProcedure, AnswersOnlyItsOwnMessages)
{
    EXPECT_EQ(TRUE, AboutDialogProc(nullptr, WM_INITDIALOG, 0, 0));
    EXPECT_EQ(TRUE, AboutDialogProc(nullptr, WM_COMMAND, IDOK, 0));
    EXPECT_EQ(TRUE, AboutDialogProc(nullptr, WM_COMMAND, IDCANCEL, 0));
    EXPECT_EQ(FALSE, AboutDialogProc(nullptr, WM_COMMAND, 3, 0)) << "another command";
    EXPECT_EQ(FALSE, AboutDialogProc(nullptr, WM_PAINT, 0, 0));
    EXPECT_EQ(FALSE, AboutDialogProc(nullptr, WM_CLOSE, 0, 0));
}
