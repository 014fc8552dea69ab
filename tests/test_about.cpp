// The About box: how it opens, what it shows, and every way it closes.
#include "test_support.h"

#include <cstring>
#include <functional>
#include <string>

#include "app/app.h"
#include "app/resource.h"

namespace {

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
            if (TextOf(c) == L"Quillmark, Version 1.0")
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
    EXPECT_EQ(L"Quillmark, Version 1.0", name);
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

// Alt+? and Alt+/ reach the About command through the accelerator table,
// as the message loop translates them.
TEST_F(AboutBox, OpensFromAltQuestionMarkAndAltSlash)
{
    HACCEL table = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(AccelMain));
    ASSERT_NE(nullptr, table);
    // The platform reads the Alt key from the thread's keyboard state.
    BYTE keys[256], altKeys[256];
    GetKeyboardState(keys);
    std::memcpy(altKeys, keys, sizeof(keys));
    altKeys[VK_MENU] = altKeys[VK_LMENU] = 0x80;
    const LPARAM altDown = 1 | (1 << 29);
    for (WCHAR key : {L'?', L'/'}) {
        SCOPED_TRACE(::testing::Message() << "Alt+" << char(key));
        DialogDriver close([](HWND d) { EndDialog(d, IDCANCEL); });
        MSG msg = {window, WM_SYSCHAR, key, altDown, 0, {}};
        SetKeyboardState(altKeys);
        EXPECT_TRUE(TranslateAcceleratorW(window, table, &msg));
        SetKeyboardState(keys);
        EXPECT_EQ(1, close.acted()) << "About boxes that opened";
    }
    // Without Alt, the same characters are ordinary typing.
    MSG plain = {window, WM_CHAR, L'?', 1, 0, {}};
    EXPECT_FALSE(TranslateAcceleratorW(window, table, &plain));
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
