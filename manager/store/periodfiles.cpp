// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/store/periodfiles.h"

#include "manager/store/companystore.h"

QString dailyPeriodFileName(const QDate& date) {
    return QStringLiteral("Sales%1-%2-%3.txt")
        .arg(date.month())
        .arg(date.day())
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString monthlyPeriodFileName(const QDate& date) {
    return QStringLiteral("Sales%1-%2.txt")
        .arg(date.month())
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString dailyPeriodFile(const QString& companyFolder, const QDate& date) {
    return reportsFolder(companyFolder) + dailyPeriodFileName(date);
}

QString monthlyPeriodFile(const QString& companyFolder, const QDate& date) {
    return reportsFolder(companyFolder) + monthlyPeriodFileName(date);
}
