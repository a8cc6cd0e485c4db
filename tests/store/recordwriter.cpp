// SPDX-License-Identifier: GPL-3.0-or-later
// Rewrites one record file for ever, for the kill-safety test: a counter, and one of fifty item
// keys in turn. Prints "ready" once the first round of writes is on disk.
// Usage: tallyvane_recordwriter FILE

#include "manager/store/recordfile.h"

#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QString filler(300, QLatin1Char('x'));
    qint64 counter = QString(GetINIString("Counter", "Value", "0", path)).toLongLong();
    for (qint64 round = 0;; ++round) {
        WriteINIString("Counter", "Value", QString::number(++counter), path);
        WriteINIString("Items", QStringLiteral("K%1").arg(round % 50),
                       QStringLiteral("%1 %2\r\nsecond line").arg(counter).arg(filler), path);
        if (round == 0) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}
