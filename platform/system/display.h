#pragma once
// Pixels per logical inch of the display, from whatever the program installs (its screen) or a
// fixed value (tests).

#include <cstdint>

namespace stillmar::sys {

class Display {
  public:
    virtual ~Display() = default;
    // Pixels per logical inch along each axis; 0 or less when unknown.
    virtual int32_t logicalDpiX() const = 0;
    virtual int32_t logicalDpiY() const = 0;
};

// A display that always answers the same values.
class FixedDisplay final : public Display {
  public:
    FixedDisplay(int32_t dpiX, int32_t dpiY) : x_(dpiX), y_(dpiY) {}
    int32_t logicalDpiX() const override { return x_; }
    int32_t logicalDpiY() const override { return y_; }

  private:
    int32_t x_, y_;
};

// Installs the display that answers (null: none, every query answers 0). The caller keeps it
// alive while installed.
void setDisplay(const Display* display);
const Display* display();

// The installed display's values, 0 when none is installed.
int32_t logicalDpiX();
int32_t logicalDpiY();

}  // namespace stillmar::sys
