// Colour choice through the real colour dialog, driven from inside its modal
// loop: each use reads what the dialog shows, sets a colour and closes it the
// way the test asks.
#include "test_support.h"

#include <commdlg.h>

#include <algorithm>
#include <ostream>
#include <string>

#include "app/resource.h"
#include "model/drawing.h"
#include "tools/colour.h"

namespace {

// Controls of the platform's colour dialog, as read from the live dialog.
const int RedEdit = 706;
const int GreenEdit = 707;
const int BlueEdit = 708;
const int AddToCustomButton = 712;
const int CustomColourSwatches = 721;
const int DefineCustomButton = 719;

// The drawing colour as the program starts, read before any test resets it.
const COLORREF colourAtStart = currentColour;

const COLORREF amber = RGB(250, 140, 20);

enum class Answer { Ok, Cancel, CloseMessage, CloseBox };

void PrintTo(Answer answer, std::ostream* out)
{
    const char* names[] = {"Ok", "Cancel", "CloseMessage", "CloseBox"};
    *out << names[static_cast<int>(answer)];
}

// What to do in one use of the dialog, and what was seen there.
struct DialogScript {
    Answer answer = Answer::Ok;
    bool pickFirstCustom = false; // click the first custom-colour swatch
    bool setColour = false;       // type this colour into the Red, Green, Blue boxes
    COLORREF colour = 0;
    bool addToCustom = false; // then press "Add to Custom Colors"

    COLORREF opened = CLR_INVALID; // colour shown when it opened
    CHOOSECOLORW request = {};     // the request as the dialog got it, when it opened
    COLORREF customAtOpening[16] = {};
    COLORREF picked = CLR_INVALID; // colour shown after picking the first custom colour
    bool defineCustomEnabled = true;
};

// A use that types the colour in and answers the dialog.
DialogScript Typing(COLORREF colour, Answer answer = Answer::Ok)
{
    DialogScript script;
    script.setColour = true;
    script.colour = colour;
    script.answer = answer;
    return script;
}

COLORREF ShownColour(HWND dialog)
{
    BOOL ok[3] = {};
    UINT r = GetDlgItemInt(dialog, RedEdit, &ok[0], FALSE);
    UINT g = GetDlgItemInt(dialog, GreenEdit, &ok[1], FALSE);
    UINT b = GetDlgItemInt(dialog, BlueEdit, &ok[2], FALSE);
    if (!ok[0] || !ok[1] || !ok[2] || r > 255 || g > 255 || b > 255)
        return CLR_INVALID;
    return RGB(r, g, b);
}

// Clicks just inside the first swatch, as the mouse would.
void ClickFirstCustomSwatch(HWND dialog)
{
    POINT point = {3, 3};
    MapWindowPoints(GetDlgItem(dialog, CustomColourSwatches), dialog, &point, 1);
    SendMessageW(dialog, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    SendMessageW(dialog, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
}

void Act(DialogScript& script, HWND dialog)
{
    script.opened = ShownColour(dialog);
    script.defineCustomEnabled = IsWindowEnabled(GetDlgItem(dialog, DefineCustomButton)) != 0;
    if (script.pickFirstCustom) {
        ClickFirstCustomSwatch(dialog);
        script.picked = ShownColour(dialog);
    }
    if (script.setColour) {
        SetDlgItemInt(dialog, RedEdit, GetRValue(script.colour), FALSE);
        SetDlgItemInt(dialog, GreenEdit, GetGValue(script.colour), FALSE);
        SetDlgItemInt(dialog, BlueEdit, GetBValue(script.colour), FALSE);
    }
    if (script.addToCustom)
        ClickButton(dialog, AddToCustomButton);
    switch (script.answer) {
    case Answer::Ok:
        ClickButton(dialog, IDOK);
        break;
    case Answer::Cancel:
        ClickButton(dialog, IDCANCEL);
        break;
    case Answer::CloseMessage:
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        break;
    case Answer::CloseBox:
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
}

// The script whose dialog is opening.
DialogScript* opening;

// The dialog's own procedure gets the request with its first message, so the
// request is read there, as the program handed it over.
LRESULT CALLBACK ReadRequest(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITDIALOG && opening && call->lParam) {
        const CHOOSECOLORW* request = reinterpret_cast<const CHOOSECOLORW*>(call->lParam);
        opening->request = *request;
        if (request->lpCustColors)
            std::copy(request->lpCustColors, request->lpCustColors + 16, opening->customAtOpening);
        opening = nullptr;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class ColourTest : public MainWindowTest {
protected:
    // Sends the Choose command and lets the script answer the dialog.
    LRESULT Choose(DialogScript& script)
    {
        DialogDriver driver([&script](HWND dialog) { Act(script, dialog); });
        opening = &script;
        HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, ReadRequest, nullptr, GetCurrentThreadId());
        const LRESULT result = Command(CmdChooseColour);
        UnhookWindowsHookEx(hook);
        EXPECT_EQ(nullptr, opening) << "no dialog got a request";
        opening = nullptr;
        EXPECT_EQ(1, driver.acted()) << "colour dialogs owned by the main window";
        EXPECT_EQ(0, driver.forcedClosed())
            << "the dialog did not close on " << ::testing::PrintToString(script.answer);
        return result;
    }

    LRESULT ChooseColour(COLORREF colour, Answer answer = Answer::Ok)
    {
        DialogScript script = Typing(colour, answer);
        return Choose(script);
    }
};

// Black the first time, then the last confirmed colour; a cancelled choice
// does not count. The custom colours are shown expanded from the start.
TEST_F(ColourTest, DialogOpensOnTheCurrentColour)
{
    DialogScript first = Typing(teal);
    EXPECT_EQ(Rgb{black}, Rgb{colourAtStart}) << "the colour at start";
    EXPECT_EQ(0, Choose(first));
    EXPECT_EQ(Rgb{black}, Rgb{first.opened});
    EXPECT_FALSE(first.defineCustomEnabled) << "custom colours not expanded at opening";

    DialogScript second = Typing(amber, Answer::Cancel);
    Choose(second);
    EXPECT_EQ(Rgb{teal}, Rgb{second.opened});
    // Wine shows the colour handed over whatever the flags say; Windows
    // starts on it only when asked to.
    EXPECT_EQ(Rgb{teal}, Rgb{second.request.rgbResult}) << "the colour handed to the dialog";
    EXPECT_EQ(static_cast<DWORD>(CC_RGBINIT | CC_FULLOPEN), second.request.Flags);

    DialogScript third;
    third.answer = Answer::CloseBox;
    Choose(third);
    EXPECT_EQ(Rgb{teal}, Rgb{third.opened});
}

TEST_F(ColourTest, ConfirmedChoiceSetsColourAndSolidBrush)
{
    ASSERT_EQ(nullptr, currentBrush);
    EXPECT_EQ(0, ChooseColour(teal, Answer::Ok));
    EXPECT_EQ(Rgb{teal}, Rgb{currentColour});
    EXPECT_TRUE(IsSolidBrushOf(currentBrush, teal));
}

// Every confirmed choice makes a new brush and deletes the one it replaces,
// also when the colour confirmed is the one the dialog opened on.
TEST_F(ColourTest, ConfirmedChoiceReplacesAndDeletesThePreviousBrush)
{
    const struct {
        const char* how;
        COLORREF first, second;
        bool typed; // the second colour is typed in; otherwise OK on the colour shown
    } cases[] = {{"another colour", teal, amber, true}, {"the same colour", amber, amber, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        ChooseColour(c.first);
        const HBRUSH first = currentBrush;
        ASSERT_TRUE(IsSolidBrushOf(first, c.first));

        DialogScript again;
        again.setColour = c.typed;
        again.colour = c.second;
        EXPECT_EQ(0, Choose(again));
        EXPECT_EQ(Rgb{c.first}, Rgb{again.opened});
        EXPECT_EQ(Rgb{c.second}, Rgb{currentColour});
        EXPECT_NE(first, currentBrush);
        EXPECT_TRUE(IsSolidBrushOf(currentBrush, c.second));
        EXPECT_EQ(0u, GetObjectType(first)) << "the replaced brush is still alive";
    }
}

// Taking and replacing brushes leaves no GDI object behind.
TEST_F(ColourTest, RepeatedChoicesKeepOneBrush)
{
    const COLORREF colours[] = {teal, amber, teal, amber, RGB(1, 2, 3)};
    EXPECT_EQ(0, GdiGrowth(4, [&](int round) { ChooseColour(colours[round]); }));
}

class ColourDismissTest : public ColourTest, public ::testing::WithParamInterface<Answer> {};

// Whatever was selected in the dialog, dismissing it changes neither the
// colour nor the brush: before any choice and after one.
TEST_P(ColourDismissTest, ChangesNeitherColourNorBrush)
{
    EXPECT_EQ(0, ChooseColour(amber, GetParam()));
    EXPECT_EQ(Rgb{black}, Rgb{currentColour});
    EXPECT_EQ(nullptr, currentBrush);

    ChooseColour(teal);
    const HBRUSH kept = currentBrush;
    EXPECT_EQ(0, ChooseColour(amber, GetParam()));
    EXPECT_EQ(Rgb{teal}, Rgb{currentColour});
    EXPECT_EQ(kept, currentBrush);
    EXPECT_TRUE(IsSolidBrushOf(kept, teal));
}

INSTANTIATE_TEST_SUITE_P(Dismissals, ColourDismissTest,
                         ::testing::Values(Answer::Cancel, Answer::CloseMessage, Answer::CloseBox),
                         PrintedName());

// A custom colour added in one use is offered in the next, even when the use
// that added it was cancelled.
TEST_F(ColourTest, CustomColoursCarryOverToTheNextUse)
{
    DialogScript adding = Typing(teal, Answer::Cancel);
    adding.addToCustom = true;
    Choose(adding);
    EXPECT_EQ(Rgb{teal}, Rgb{customColours[0]});
    for (int i = 1; i < 16; ++i)
        EXPECT_EQ(Rgb{black}, Rgb{customColours[i]}) << "custom colour " << i;
    EXPECT_EQ(Rgb{black}, Rgb{currentColour});

    DialogScript picking;
    picking.pickFirstCustom = true;
    picking.answer = Answer::Ok;
    Choose(picking);
    EXPECT_EQ(Rgb{teal}, Rgb{picking.customAtOpening[0]}) << "custom colours handed to the dialog";
    EXPECT_EQ(Rgb{teal}, Rgb{picking.picked}) << "the dialog did not offer the kept custom colour";
    EXPECT_EQ(Rgb{teal}, Rgb{currentColour});
    EXPECT_EQ(Rgb{teal}, Rgb{customColours[0]});
}

// A colour choice is not a tool change, edits no record, and shows only at
// the next paint, whatever requests it.
TEST_F(ColourTest, ChoiceChangesNoToolNoRecordAndDoesNotInvalidate)
{
    Command(CmdPencil);
    Press(10, 10);
    Drag(20, 20);
    Command(CmdFilledRectangle);
    Press(30, 30);
    Release(60, 50);
    const std::vector<Shape> records = {{Kind::Rectangle, 30, 30, 60, 50, black, true},
                                        {Kind::Pencil, 10, 10, 20, 20, black}};
    const ToolState tools = toolState;
    EXPECT_TRUE(tools.pencilDown);
    ExpectUpdateRegionObservable();

    ChooseColour(teal);
    ASSERT_EQ(Rgb{teal}, Rgb{currentColour});

    EXPECT_EQ(tools, toolState);
    EXPECT_EQ(records, AllShapes());
    EXPECT_EQ(RECT{}, UpdateBox());
}

} // namespace
