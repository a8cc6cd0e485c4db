#pragma once

#include <QString>

// A file that ships next to the programs (the offline page, the updater).
QString programFile(const QString& name);
