#pragma once

// A pen: a colour and a width.

#include <gdiplus/Color.h>

namespace Gdiplus {

class Pen {
public:
    // A negative width, or a unit outside the Unit values, gives a pen that
    // cannot draw (InvalidParameter).
    Pen(const Color& color, REAL width = 1.0f, Unit unit = UnitWorld);
    ~Pen();
    Pen(const Pen&) = delete;
    Pen& operator=(const Pen&) = delete;

    Status GetColor(Color* color) const;
    REAL GetWidth() const { return m_width; }
    Unit GetUnit() const { return m_unit; }
    Status GetLastStatus() const;

private:
    friend class Graphics;

    Color m_color;
    REAL m_width;
    Unit m_unit;
    bool m_valid;
    mutable Status m_lastStatus = Ok;
};

} // namespace Gdiplus
