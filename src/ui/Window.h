#pragma once

#include <cstdint>
#include <string>

#include "seams/Desktop.h"
#include "seams/Pictures.h"
#include "ui/MenuTree.h"

namespace tobble {

// What the program's logic sees of its main window. Lengths are twips, colours have red in the
// low byte.
class Window {
public:
    virtual ~Window() = default;

    virtual WindowHandle hWnd() const = 0;

    virtual void setBackColor(std::uint32_t colour) = 0;
    virtual void setCaption(const std::u16string& caption) = 0;
    virtual std::u16string currentCaption() const = 0;
    virtual void setLabel1Caption(const std::u16string& caption) = 0;
    virtual void setImage1Picture(PicturePtr picture) = 0;

    // Positions only; sizes never change.
    virtual void moveImage1(int left, int top) = 0;
    virtual void moveLabel2(int index, int left, int top) = 0;

    // Outer size, frame, title bar and menu bar included, as measured with the classic frame
    // (layout::kFrameWidth across, layout::kFrameHeight down). Every frontend gives the client area
    // that size less that frame, whatever its own frame takes, so the layout inside stays exact.
    virtual void setWidth(int twips) = 0;
    virtual void setHeight(int twips) = 0;

    // Only mnuShrink and mnuOnOff ever carry a check mark.
    virtual bool isChecked(MenuCommand item) const = 0;
    virtual void setChecked(MenuCommand item, bool checked) = 0;
};

} // namespace tobble
