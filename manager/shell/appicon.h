#pragma once

#include <QIcon>

// The program's icon: a round blue-to-white badge with a "T", drawn at the usual icon sizes so
// that window borders and task bars show Tallyvane instead of a toolkit logo.
QIcon tallyvaneIcon();
