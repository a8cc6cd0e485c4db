// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;

// Text boxes of one line never hold a line break: one pasted from several lines (an address, a
// cell range) would end the record line it is saved into. Installed once on the application,
// it removes line breaks from every single-line box as they arrive.
void keepTextBoxesSingleLine(QCoreApplication* application);
