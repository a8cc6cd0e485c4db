// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class frmMain;

// "&Import Items": reads an item CSV file the user picks into the selected profit center, with
// the instructions, the confirmation, the per-line questions, progress with Cancel and the
// results window. The item window is disabled while it runs and enabled on every way out.
void cmdImportItems_Click(frmMain* window);
