// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Window placements are stored in twips (1/1440 inch): 15 twips per pixel at 96 dpi; the
// screen's logical dpi decides.
double twipsPerPixelX();
double twipsPerPixelY();
