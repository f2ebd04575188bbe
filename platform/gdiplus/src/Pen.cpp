#include "Runtime.h"

#include <cmath>
#include <gdiplus/Pen.h>

namespace Gdiplus {

Pen::Pen(const Color& color, REAL width, Unit unit)
    : m_color(color), m_width(width), m_unit(unit),
      m_valid(std::isfinite(width) && width >= 0 && unit >= UnitWorld && unit <= UnitMillimeter) {
    detail::ObjectCreated();
    if (detail::RunningStatus() != Ok) {
        m_valid = false;
        m_lastStatus = GdiplusNotInitialized;
    } else if (!m_valid) {
        m_lastStatus = InvalidParameter;
    }
}

Pen::~Pen() {
    detail::ObjectDestroyed();
}

Status Pen::GetColor(Color* color) const {
    if (!color || !m_valid) {
        m_lastStatus = InvalidParameter;
        return InvalidParameter;
    }
    *color = m_color;
    return Ok;
}

Status Pen::GetLastStatus() const {
    const Status last = m_lastStatus;
    m_lastStatus = Ok;
    return last;
}

} // namespace Gdiplus
