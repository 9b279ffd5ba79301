#pragma once
// A context with a window's resolution, for measuring fonts outside the
// window's paint event, where the window has no context of its own.
#include <QImage>
#include <QWidget>

#include "framework/ui/PainterContext.h"

namespace report {

class MeasureContext {
public:
    explicit MeasureContext(const QWidget& window) : m_image(1, 1, QImage::Format_RGB32) {
        m_image.setDotsPerMeterX(qRound(window.logicalDpiX() / 0.0254));
        m_image.setDotsPerMeterY(qRound(window.logicalDpiY() / 0.0254));
        m_dc = std::make_unique<fw::PainterContext>(m_image);
    }
    fw::DrawContext& Dc() { return *m_dc; }

private:
    QImage m_image;
    std::unique_ptr<fw::PainterContext> m_dc;
};

}  // namespace report
