#pragma once

#include "controltable.h"

#include <array>
#include <string_view>

class WindowOperations;

// What the load step changes on the window besides its selections: the window's inner coordinate space and the sides
// of controls. Each change answers whether it took effect.
class WindowLayout {
public:
    enum class Side { Height, Left, Top, Width };
    static constexpr std::array<std::string_view, 4> kSideNames{ "Height", "Left", "Top", "Width" };

    virtual ~WindowLayout() = default;

    // The height or width of the window's inner coordinate space, in twips.
    [[nodiscard]] virtual bool SetScale(Side side, int twips) = 0;
    // One side of a control's rectangle, in twips from the top-left corner of its container.
    [[nodiscard]] virtual bool SetSide(std::string_view control, Side side, int twips) = 0;
};

// The rectangle with one of its sides changed.
Twips withSide(Twips geometry, WindowLayout::Side side, int twips);

// The load step, run once before the window is first shown: the window's scale, the geometry of the frames and the
// module options block by block (Height, Left, Top, Width), then the four prompt options selected. The first change
// that does not take effect ends it with a WindowOperationError that names the property and the control.
void runLoadStep(WindowLayout &layout, WindowOperations &window);
