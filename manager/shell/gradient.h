// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QSize>

class QPainter;

// The gradient that seven windows paint as their background, and the colour of their controls.
// Directions: 0 top to bottom, 1 left to right, 2 diagonal top-left to bottom-right,
// 3 slanted bands the other way, 4 concentric circles from the centre.

// The two gradient colours and the control colour: the "Graphical" settings of the options
// window, or RGB(0, 127, 255), white and RGB(192, 223, 255).
QColor gradientFirstColor();
QColor gradientSecondColor();
QColor controlColor();
// The colours used while none is stored.
QColor defaultGradientFirstColor();
QColor defaultGradientSecondColor();
QColor defaultControlColor();

// The colour of step i of S: channel = first * (255 - t) / 255 + second * t / 255 with
// t = 255 * i / S, rounded with halves to even.
QColor gradientStepColor(const QColor& first, const QColor& second, double step, double scale);

// Draws the gradient on a surface of size pixels, drawing in units of pixelsPerUnit pixels
// (about 3.78 for millimetres at 96 dpi, 1 for pixels). A zero width or height draws nothing;
// a direction outside 0 to 4 draws nothing.
void paintGradient(QPainter& painter, const QSize& pixels, double pixelsPerUnit, int direction,
                   const QColor& first, const QColor& second);
