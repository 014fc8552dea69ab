// Colour choice through the real colour dialog. The dialog is modal, so a
// thread timer, which its own message loop dispatches, finds it, reads what it
// shows, sets a colour and closes it the way the test asks.
#include "test_support.h"

#include <ostream>
#include <string>

#include "app/resource.h"
#include "model/drawing.h"
#include "tools/colour.h"
#include "tools/toolstate.h"

namespace {

// Controls of the platform's colour dialog, as read from the live dialog.
const int RedEdit = 706;
const int GreenEdit = 707;
const int BlueEdit = 708;
const int AddToCustomButton = 712;
const int CustomColourSwatches = 721;
const int DefineCustomButton = 719;

enum class Answer { Ok, Cancel, CloseMessage, CloseBox };

const char* NameOf(Answer answer)
{
    switch (answer) {
    case Answer::Ok:
        return "Ok";
    case Answer::Cancel:
        return "Cancel";
    case Answer::CloseMessage:
        return "CloseMessage";
    case Answer::CloseBox:
        return "CloseBox";
    }
    return "?";
}

void PrintTo(Answer answer, std::ostream* out)
{
    *out << NameOf(answer);
}

// What to do in one use of the dialog, and what was seen there.
struct DialogScript {
    Answer answer = Answer::Ok;
    bool pickFirstCustom = false; // click the first custom-colour swatch
    bool setColour = false;       // type this colour into the Red, Green, Blue boxes
    COLORREF colour = 0;
    bool addToCustom = false; // then press "Add to Custom Colors"

    bool found = false; // the dialog appeared, owned by the main window
    bool acted = false;
    bool forcedClosed = false;     // it ignored the answer and had to be cancelled
    COLORREF opened = CLR_INVALID; // colour shown when it opened
    COLORREF picked = CLR_INVALID; // colour shown after picking the first custom colour
    bool defineCustomEnabled = true;
};

HWND dialogOwner;
DialogScript* activeScript;
ULONGLONG scriptDeadline;

struct FoundDialog {
    HWND owner;
    HWND dialog;
    bool anyOwner;
};

BOOL CALLBACK FindDialog(HWND candidate, LPARAM param)
{
    FoundDialog* found = reinterpret_cast<FoundDialog*>(param);
    WCHAR className[16] = {};
    GetClassNameW(candidate, className, 16);
    if (std::wstring(className) != L"#32770")
        return TRUE;
    if (!found->anyOwner && GetWindow(candidate, GW_OWNER) != found->owner)
        return TRUE;
    found->dialog = candidate;
    return FALSE;
}

HWND DialogOfThisThread(HWND owner, bool anyOwner)
{
    FoundDialog found = {owner, nullptr, anyOwner};
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&found));
    return found.dialog;
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

void PressButton(HWND dialog, int id)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
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
        PressButton(dialog, AddToCustomButton);
    switch (script.answer) {
    case Answer::Ok:
        PressButton(dialog, IDOK);
        break;
    case Answer::Cancel:
        PressButton(dialog, IDCANCEL);
        break;
    case Answer::CloseMessage:
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        break;
    case Answer::CloseBox:
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
}

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR, DWORD)
{
    DialogScript* script = activeScript;
    if (!script)
        return;
    if (!script->acted) {
        // Act only once the dialog shows, as a user would: until then its
        // controls are hidden and clicks on them go nowhere.
        HWND dialog = DialogOfThisThread(dialogOwner, false);
        if (dialog && IsWindowVisible(dialog)) {
            script->found = true;
            script->acted = true;
            scriptDeadline = GetTickCount64() + 5000;
            Act(*script, dialog);
            return;
        }
    }
    // Never leave a test stuck in a modal loop: whatever dialog is still open
    // at the deadline is cancelled, and the test fails on forcedClosed.
    if (GetTickCount64() > scriptDeadline) {
        if (HWND dialog = DialogOfThisThread(dialogOwner, true)) {
            script->forcedClosed = true;
            PressButton(dialog, IDCANCEL);
        }
    }
}

std::string Hex(COLORREF colour)
{
    char text[16];
    wsprintfA(text, "0x%06lX", static_cast<unsigned long>(colour));
    return text;
}

class ColourTest : public MainWindowTest {
protected:
    // Sends the Choose command and lets the script answer the dialog.
    LRESULT Choose(DialogScript& script)
    {
        dialogOwner = window;
        activeScript = &script;
        scriptDeadline = GetTickCount64() + 15000;
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, DriveDialog);
        const LRESULT result = Command(CmdChooseColour);
        KillTimer(nullptr, timer);
        activeScript = nullptr;
        EXPECT_TRUE(script.found) << "no colour dialog owned by the main window appeared";
        EXPECT_FALSE(script.forcedClosed)
            << "the dialog did not close on " << NameOf(script.answer);
        return result;
    }

    LRESULT ChooseColour(COLORREF colour, Answer answer = Answer::Ok)
    {
        DialogScript script;
        script.setColour = true;
        script.colour = colour;
        script.answer = answer;
        return Choose(script);
    }
};

::testing::AssertionResult IsSolidBrushOf(HBRUSH brush, COLORREF colour)
{
    if (!brush)
        return ::testing::AssertionFailure() << "no brush";
    if (GetObjectType(brush) != OBJ_BRUSH)
        return ::testing::AssertionFailure() << "object type " << GetObjectType(brush);
    LOGBRUSH info = {};
    if (GetObjectW(brush, sizeof(info), &info) != sizeof(info))
        return ::testing::AssertionFailure() << "GetObject failed";
    if (info.lbStyle != BS_SOLID || info.lbColor != colour)
        return ::testing::AssertionFailure()
               << "style " << info.lbStyle << " colour " << Hex(info.lbColor) << ", wanted solid "
               << Hex(colour);
    return ::testing::AssertionSuccess();
}

const COLORREF teal = RGB(10, 120, 130);
const COLORREF orange = RGB(250, 140, 20);

// Black the first time, then the last confirmed colour; a cancelled choice
// does not count. The custom colours are shown expanded from the start.
TEST_F(ColourTest, DialogOpensOnTheCurrentColour)
{
    DialogScript first;
    first.setColour = true;
    first.colour = teal;
    EXPECT_EQ(0, Choose(first));
    EXPECT_EQ(Hex(RGB(0, 0, 0)), Hex(first.opened));
    EXPECT_FALSE(first.defineCustomEnabled) << "custom colours not expanded at opening";

    DialogScript second;
    second.setColour = true;
    second.colour = orange;
    second.answer = Answer::Cancel;
    Choose(second);
    EXPECT_EQ(Hex(teal), Hex(second.opened));

    DialogScript third;
    third.answer = Answer::CloseBox;
    Choose(third);
    EXPECT_EQ(Hex(teal), Hex(third.opened));
}

TEST_F(ColourTest, ConfirmedChoiceSetsColourAndSolidBrush)
{
    ASSERT_EQ(nullptr, currentBrush);
    EXPECT_EQ(0, ChooseColour(teal, Answer::Ok));
    EXPECT_EQ(Hex(teal), Hex(currentColour));
    EXPECT_TRUE(IsSolidBrushOf(currentBrush, teal));
}

TEST_F(ColourTest, ConfirmedChoiceReplacesAndDeletesThePreviousBrush)
{
    ChooseColour(teal);
    const HBRUSH first = currentBrush;
    ASSERT_TRUE(IsSolidBrushOf(first, teal));

    ChooseColour(orange);
    EXPECT_EQ(Hex(orange), Hex(currentColour));
    EXPECT_NE(first, currentBrush);
    EXPECT_TRUE(IsSolidBrushOf(currentBrush, orange));
    EXPECT_EQ(0u, GetObjectType(first)) << "the replaced brush is still alive";
}

// Confirming the colour the dialog opened on still makes a new brush.
TEST_F(ColourTest, SameColourAgainMakesANewBrush)
{
    ChooseColour(orange);
    const HBRUSH first = currentBrush;
    ASSERT_TRUE(IsSolidBrushOf(first, orange));

    DialogScript again;
    again.answer = Answer::Ok;
    Choose(again);
    EXPECT_EQ(Hex(orange), Hex(again.opened));
    EXPECT_EQ(Hex(orange), Hex(currentColour));
    EXPECT_NE(first, currentBrush);
    EXPECT_TRUE(IsSolidBrushOf(currentBrush, orange));
    EXPECT_EQ(0u, GetObjectType(first)) << "the replaced brush is still alive";
}

// Taking and replacing brushes leaves no GDI object behind.
TEST_F(ColourTest, RepeatedChoicesKeepOneBrush)
{
    ChooseColour(teal);
    const int before = CountGdiObjects();
    for (COLORREF colour : {orange, teal, orange, RGB(1, 2, 3)})
        ChooseColour(colour);
    EXPECT_EQ(before, CountGdiObjects());
}

class ColourDismissTest : public ColourTest, public ::testing::WithParamInterface<Answer> {};

// Whatever was selected in the dialog, dismissing it changes neither the
// colour nor the brush: before any choice and after one.
TEST_P(ColourDismissTest, ChangesNeitherColourNorBrush)
{
    EXPECT_EQ(0, ChooseColour(orange, GetParam()));
    EXPECT_EQ(Hex(RGB(0, 0, 0)), Hex(currentColour));
    EXPECT_EQ(nullptr, currentBrush);

    ChooseColour(teal);
    const HBRUSH kept = currentBrush;
    EXPECT_EQ(0, ChooseColour(orange, GetParam()));
    EXPECT_EQ(Hex(teal), Hex(currentColour));
    EXPECT_EQ(kept, currentBrush);
    EXPECT_TRUE(IsSolidBrushOf(kept, teal));
}

INSTANTIATE_TEST_SUITE_P(Dismissals, ColourDismissTest,
                         ::testing::Values(Answer::Cancel, Answer::CloseMessage, Answer::CloseBox),
                         [](const ::testing::TestParamInfo<Answer>& info) {
                             return std::string(NameOf(info.param));
                         });

// A custom colour added in one use is offered in the next, even when the use
// that added it was cancelled.
TEST_F(ColourTest, CustomColoursCarryOverToTheNextUse)
{
    DialogScript adding;
    adding.setColour = true;
    adding.colour = teal;
    adding.addToCustom = true;
    adding.answer = Answer::Cancel;
    Choose(adding);
    EXPECT_EQ(Hex(teal), Hex(customColours[0]));
    for (int i = 1; i < 16; ++i)
        EXPECT_EQ(Hex(RGB(0, 0, 0)), Hex(customColours[i])) << "custom colour " << i;
    EXPECT_EQ(Hex(RGB(0, 0, 0)), Hex(currentColour));

    DialogScript picking;
    picking.pickFirstCustom = true;
    picking.answer = Answer::Ok;
    Choose(picking);
    EXPECT_EQ(Hex(teal), Hex(picking.picked)) << "the dialog did not offer the kept custom colour";
    EXPECT_EQ(Hex(teal), Hex(currentColour));
    EXPECT_EQ(Hex(teal), Hex(customColours[0]));
}

// A colour choice is not a tool change, edits no record, and shows only at
// the next paint, whatever requests it.
TEST_F(ColourTest, ChoiceChangesNoToolNoRecordAndDoesNotInvalidate)
{
    Command(CmdPencil);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MouseAt(10, 10));
    Send(WM_MOUSEMOVE, MK_LBUTTON, MouseAt(20, 20));
    Command(CmdFilledRectangle);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MouseAt(30, 30));
    Send(WM_LBUTTONUP, 0, MouseAt(60, 50));
    ASSERT_EQ(1, drawingLists.pencilCount);
    ASSERT_EQ(1, drawingLists.rectangleCount);
    const ToolState tools = toolState;

    InvalidateRect(window, nullptr, FALSE);
    RECT control = UpdateBox();
    ASSERT_FALSE(IsRectEmpty(&control)) << "the update region cannot be observed";
    Validate();

    ChooseColour(teal);
    ASSERT_EQ(Hex(teal), Hex(currentColour));

    const ToolState& now = toolState;
    EXPECT_TRUE(now.rectangleTool == tools.rectangleTool &&
                now.filledRectangle == tools.filledRectangle &&
                now.ellipseTool == tools.ellipseTool && now.filledEllipse == tools.filledEllipse &&
                now.lineTool == tools.lineTool && now.pencilTool == tools.pencilTool &&
                now.eraserTool == tools.eraserTool && now.pencilDown == tools.pencilDown &&
                now.eraserDown == tools.eraserDown)
        << "tool flags changed";
    EXPECT_TRUE(toolState.pencilDown);
    const DrawingLists& d = drawingLists;
    EXPECT_EQ(1, d.pencilCount);
    EXPECT_EQ(1, d.rectangleCount);
    EXPECT_EQ(0, d.circleCount + d.lineCount + d.eraserCount);
    EXPECT_EQ(Hex(RGB(0, 0, 0)), Hex(d.pencilList[0].getColour()));
    EXPECT_EQ(Hex(RGB(0, 0, 0)), Hex(d.rectangleList[0].getColour()));
    RECT box = UpdateBox();
    EXPECT_TRUE(IsRectEmpty(&box))
        << "update box " << box.left << "," << box.top << "," << box.right << "," << box.bottom;
}

} // namespace
