// The drawing colour, chosen in the platform's colour dialog.
#pragma once

#include <windows.h>

// The colour stamped on every new record; black until a colour is chosen.
extern COLORREF currentColour;
// Solid brush of the colour confirmed last; null until the first choice.
extern HBRUSH currentBrush;
// The colour dialog's 16 custom colours, offered again at every use.
extern COLORREF customColours[16];

// Opens the colour dialog on the current colour. A confirmed choice becomes
// the current colour and brush; cancelling changes neither.
void ChooseDrawingColour(HWND owner);

// Deletes the current brush; called once the main window is gone.
void ReleaseDrawingBrush();
