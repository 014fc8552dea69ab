#include "tools/colour.h"

#include <commdlg.h>

COLORREF currentColour = RGB(0, 0, 0);
HBRUSH currentBrush = nullptr;
COLORREF customColours[16];

namespace {
CHOOSECOLORW colourRequest;
}

void ChooseDrawingColour(HWND owner)
{
    colourRequest = CHOOSECOLORW{};
    colourRequest.lStructSize = sizeof(colourRequest);
    colourRequest.hwndOwner = owner;
    colourRequest.lpCustColors = customColours;
    colourRequest.rgbResult = currentColour;
    colourRequest.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (ChooseColorW(&colourRequest) != TRUE)
        return;

    // Nothing holds the old brush between paints, so it can go at once.
    HBRUSH brush = CreateSolidBrush(colourRequest.rgbResult);
    ReleaseDrawingBrush();
    currentBrush = brush;
    currentColour = colourRequest.rgbResult;
}

void ReleaseDrawingBrush()
{
    if (currentBrush)
        DeleteObject(currentBrush);
    currentBrush = nullptr;
}
