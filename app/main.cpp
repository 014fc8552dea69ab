// Quillmark: a small drawing program.
#include "app/app.h"

#include "app/resource.h"

int APIENTRY wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand)
{
    LoadAppStrings(instance);
    RegisterMainWindowClass(instance);
    if (!CreateMainWindow(instance, showCommand))
        return 0;

    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(AccelMain));
    MSG msg = {};
    // GetMessageW returns -1 on error; stop then too rather than spin.
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorW(msg.hwnd, accelerators, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}
