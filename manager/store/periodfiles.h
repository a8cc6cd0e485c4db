// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QString>

// The period files of a company: "Reports/Sales" + month + "-" + day + "-" + year + ".txt" for a
// day and "Reports/Sales" + month + "-" + year + ".txt" for a month, month and day without
// leading zeros, four-digit year.
QString dailyPeriodFileName(const QDate& date);
QString monthlyPeriodFileName(const QDate& date);
QString dailyPeriodFile(const QString& companyFolder, const QDate& date);
QString monthlyPeriodFile(const QString& companyFolder, const QDate& date);
