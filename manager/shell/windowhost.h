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

// A side trip from a modal window (the item editor's barcode and storefront buttons): hides the
// window, which ends its modal showing, shows the tool window, then shows the first again as an
// ordinary window beside it, so that both take the mouse and the keyboard.
void showToolBeside(QWidget* owner, QWidget* tool);
