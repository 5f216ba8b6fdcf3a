#include "loadstep.h"

#include "runtimeerror.h"
#include "windowoperations.h"

Twips withSide(Twips geometry, WindowLayout::Side side, int twips)
{
    using enum WindowLayout::Side;
    (side == Height ? geometry.height
     : side == Left ? geometry.left
     : side == Top  ? geometry.top
                    : geometry.width) = twips;
    return geometry;
}

void runLoadStep(WindowLayout &layout, WindowOperations &window)
{
    using Side = WindowLayout::Side;
    checkOperation(layout.SetScale(Side::Height, kClientArea.height), "ScaleHeight", "Form1");
    checkOperation(layout.SetScale(Side::Width, kClientArea.width), "ScaleWidth", "Form1");

    const auto change = [&layout](std::string_view control, Side side, int twips) {
        checkOperation(layout.SetSide(control, side, twips), WindowLayout::kSideNames[int(side)], control);
    };
    for (const auto &block : kLoadBlocks) {
        const auto &g = block.geometry;
        change(block.control, Side::Height, g.height);
        change(block.control, Side::Left, g.left);
        change(block.control, Side::Top, g.top);
        change(block.widthControl, Side::Width, g.width);
    }

    for (const auto option : kPromptOptions)
        checkOperation(window.SelectOption(option), "SelectOption", option);
}
