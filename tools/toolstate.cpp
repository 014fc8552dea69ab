#include "tools/toolstate.h"

#include "app/resource.h"

ToolState toolState;

namespace {

struct ToolCommand {
    unsigned command;
    bool rectangleTool, filledRectangle, ellipseTool, filledEllipse;
    bool lineTool, pencilTool, eraserTool;
};

const ToolCommand toolCommands[] = {
    // command             rect   filled ellipse filled line   pencil eraser
    {CmdRectangle, true, false, false, false, false, false, false},
    {CmdEllipse, false, false, true, false, false, false, false},
    {CmdFilledRectangle, true, true, false, false, false, false, false},
    {CmdFilledEllipse, false, false, true, true, false, false, false},
    {CmdLineTool, false, false, false, false, true, false, false},
    {CmdPencil, false, false, false, false, false, true, false},
    {CmdEraser, false, false, false, false, false, false, true},
};

} // namespace

bool SelectTool(unsigned command)
{
    for (const ToolCommand& tool : toolCommands) {
        if (tool.command != command)
            continue;
        toolState.rectangleTool = tool.rectangleTool;
        toolState.filledRectangle = tool.filledRectangle;
        toolState.ellipseTool = tool.ellipseTool;
        toolState.filledEllipse = tool.filledEllipse;
        toolState.lineTool = tool.lineTool;
        toolState.pencilTool = tool.pencilTool;
        toolState.eraserTool = tool.eraserTool;
        return true;
    }
    return false;
}
