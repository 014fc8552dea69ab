/* Resource and command identifiers of Quillmark.
 * Shared by the resource script and the program, so plain #defines only. */
#pragma once

/* Dialogs */
#define DlgAbout           103

/* Strings */
#define StrAppTitle        103
#define StrWindowClass     109

/* Menus and accelerator tables */
#define MenuMain           109
#define AccelMain          109

/* Icons */
#define IconLarge          107
#define IconSmall          108
/* Named by the About box's icon control; the resource set holds no such icon,
 * so the About box puts the program's own icon in its place at run time. */
#define IconAboutControl   128

/* Commands */
#define CmdAbout           104
#define CmdExit            105
#define CmdRectangle       32772
#define CmdEllipse         32773
#define CmdFilledRectangle 32775
#define CmdFilledEllipse   32776
#define CmdLineTool        32777
#define CmdChooseColour    32780
#define CmdColourBlank     32781 /* the unlabelled "Colours" item; nothing handles it */
#define CmdClear           32783
#define CmdPencil          32784
#define CmdEraser          32786
