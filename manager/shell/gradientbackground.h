// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// Gives a window its gradient background, drawn again on every resize and kept between paints.
// Millimetres are the drawing unit of every window but the splash, which draws in pixels.
enum class GradientUnit { Millimetre, Pixel };
void paintsGradient(QWidget* window, int direction, GradientUnit unit = GradientUnit::Millimetre);

// Gives the controls of a window the control colour (buttons, combo boxes, ... as listed).
void applyControlColor(QWidget* control);

// Paints every gradient background again and gives every control coloured by applyControlColor
// the control colour again: after the colours in the settings changed.
void refreshWindowColors();
