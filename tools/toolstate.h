// The chosen drawing tool, set from the Drawing menu.
#pragma once

// After any tool command exactly one of the five tool flags is true; before
// the first, none is and the mouse draws nothing. The two button-down flags
// belong to the mouse gestures, and tool commands never touch them.
struct ToolState {
    bool rectangleTool = false;
    bool filledRectangle = false;
    bool ellipseTool = false;
    bool filledEllipse = false;
    bool lineTool = false;
    bool pencilTool = false;
    bool eraserTool = false;
    bool pencilDown = false; // a pencil stroke is being drawn
    bool eraserDown = false; // an eraser stroke is being drawn
};

// The tool flags, for the life of the process.
extern ToolState toolState;

// Handles one of the seven tool commands of the Drawing menu. Returns false,
// changing nothing, for any other command identifier.
bool SelectTool(unsigned command);
