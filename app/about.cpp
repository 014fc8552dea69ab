#include "app/app.h"

#include "app/resource.h"

namespace {

// The template's icon control names an icon the program does not have; give
// it the program's own icon instead.
void ShowProgramIcon(HWND dialog)
{
    for (HWND control = GetWindow(dialog, GW_CHILD); control;
         control = GetWindow(control, GW_HWNDNEXT)) {
        WCHAR className[16] = {};
        GetClassNameW(control, className, ARRAYSIZE(className));
        LONG style = GetWindowLongW(control, GWL_STYLE);
        if (lstrcmpiW(className, L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
            HICON icon = LoadIconW(appInstance, MAKEINTRESOURCEW(IconLarge));
            SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
            return;
        }
    }
}

} // namespace

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        ShowProgramIcon(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}
