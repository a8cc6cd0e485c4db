// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QImage>

// The program's icon: a round blue-to-white badge with a "T", drawn at the usual icon sizes so
// that window borders and task bars show Tallyvane instead of a toolkit logo.
QIcon tallyvaneIcon();

// One size of the badge, its gradient running from centre to rim. The installed theme icons are
// drawn with the default gradient colours.
QImage tallyvaneBadge(int size, const QColor& centre, const QColor& rim);
