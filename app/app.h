// The application shell: the main window, its class, and the About box.
#pragma once

#include <windows.h>

// Longest string resource kept, terminator included.
const int MaxLoadString = 100;

// The program module; holds every resource.
extern HINSTANCE appInstance;
// The one main window, once it exists.
extern HWND mainWindow;
// Caption of the main window, from string StrAppTitle.
extern WCHAR windowTitle[MaxLoadString];
// Name of the main window class, from string StrWindowClass.
extern WCHAR windowClassName[MaxLoadString];

// Loads the caption and the class name.
void LoadAppStrings(HINSTANCE instance);
ATOM RegisterMainWindowClass(HINSTANCE instance);
// Creates and shows the main window and makes its back buffer. FALSE when the
// window could not be created.
BOOL CreateMainWindow(HINSTANCE instance, int showCommand);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
