// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/shell/gradient.h"

#include "manager/store/settings.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace {
QColor settingColor(settings::Key key, const QColor& fallback) {
    QColor color(settings::read(key, QString()));
    if (!color.isValid())
        return fallback;
    color.setAlpha(255); // a see-through band would show the bands drawn before it
    return color;
}

int channel(int first, int second, double t) {
    // std::nearbyint rounds halves to the even neighbour in the default rounding mode.
    const double value = first * (255.0 - t) / 255.0 + second * t / 255.0;
    return std::clamp(static_cast<int>(std::nearbyint(value)), 0, 255);
}
} // namespace

QColor defaultGradientFirstColor() {
    return QColor(0, 127, 255);
}
QColor defaultGradientSecondColor() {
    return QColor(255, 255, 255);
}
QColor defaultControlColor() {
    return QColor(192, 223, 255);
}

QColor gradientFirstColor() {
    return settingColor(settings::GradientColor1, defaultGradientFirstColor());
}
QColor gradientSecondColor() {
    return settingColor(settings::GradientColor2, defaultGradientSecondColor());
}
QColor controlColor() {
    return settingColor(settings::ControlsColor, defaultControlColor());
}

QColor gradientStepColor(const QColor& first, const QColor& second, double step, double scale) {
    const double t = scale > 0 ? 255.0 * step / scale : 0.0;
    return QColor(channel(first.red(), second.red(), t), channel(first.green(), second.green(), t),
                  channel(first.blue(), second.blue(), t));
}

void paintGradient(QPainter& painter, const QSize& pixels, double pixelsPerUnit, int direction,
                   const QColor& first, const QColor& second) {
    if (pixels.width() <= 0 || pixels.height() <= 0 || pixelsPerUnit <= 0 || direction < 0 ||
        direction > 4)
        return;
    const double w = pixels.width() / pixelsPerUnit;
    const double h = pixels.height() / pixelsPerUnit;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.scale(pixelsPerUnit, pixelsPerUnit);
    // The pen width is in pixels whatever the drawing unit: a cosmetic pen.
    QPen pen;
    pen.setCosmetic(true);
    pen.setWidth(direction == 4 ? 18 : 6);
    pen.setCapStyle(Qt::FlatCap);
    painter.setBrush(Qt::NoBrush);

    auto stroke = [&](double i, double scale) {
        pen.setColor(gradientStepColor(first, second, i, scale));
        painter.setPen(pen);
    };
    switch (direction) {
    case 0:
        for (double i = 0; i <= h; i += 1) {
            stroke(i, h);
            painter.drawLine(QPointF(0, i), QPointF(w, i));
        }
        break;
    case 1:
        for (double i = 0; i <= w; i += 1) {
            stroke(i, w);
            painter.drawLine(QPointF(i, 0), QPointF(i, h));
        }
        break;
    case 2:
        for (double i = 0; i <= 2 * w; i += 1) {
            stroke(i, 2 * w);
            painter.drawLine(QPointF(i, 0), QPointF(i - 2 * w, 2 * h));
        }
        break;
    case 3:
        for (double i = 0; i <= 2 * w; i += 1) {
            stroke(i, 2 * w);
            painter.drawLine(QPointF(i - w, 0), QPointF(i, 2 * h));
        }
        break;
    case 4: {
        const double r = std::min(w / 2, h / 2);
        const QPointF centre(w / 2, h / 2);
        // A circle no wider than its 18-pixel pen is a filled disc; stroked, it would leave a hole
        // in the middle (and nothing at radius 0), so the centre would miss the first colour.
        const double halfPen = 9.0 / pixelsPerUnit;
        for (double i = r; i >= 0; i -= 1) {
            stroke(i, r);
            if (i > halfPen) {
                painter.drawEllipse(centre, i, i);
                continue;
            }
            painter.save();
            painter.setPen(Qt::NoPen);
            painter.setBrush(pen.color());
            painter.drawEllipse(centre, i + halfPen, i + halfPen);
            painter.restore();
        }
        break;
    }
    }
    painter.restore();
}
