// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QWidget;

// How a tool window is shown: inside the frame when the program runs one, as a top-level
// window otherwise. The frame installs its way of showing child windows at start-up, so that
// the subsystems below it never need to know the frame.
using WindowShower = std::function<void(QWidget* window)>;

void setWindowShower(WindowShower shower); // an empty shower restores the default
void showToolWindow(QWidget* window);
