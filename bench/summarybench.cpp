// SPDX-License-Identifier: GPL-3.0-or-later
// Sales summary speed: a year of a busy shop, 365 daily period files of 40,000 lines (8,000 SKUs
// in five sections) and 12 monthly files of the same size; and the chart of that year with the
// year before in the Sales Charts window.

#include "bench/bench.h"

#include "manager/charts/saleschartswindow.h"
#include "manager/sales/salessummary.h"
#include "manager/store/companystore.h"
#include "manager/store/periodfiles.h"

#include <QDate>
#include <QDir>
#include <QFile>

namespace {

constexpr int kYear = 2026;
constexpr int kSkus = 8000;

// One period file of kSkus SKUs: Sales, Returns, GrossSale, NetProfit and Tax lines, and Totals.
QByteArray periodBytes(int seed) {
    QByteArray bytes = "Info\\Company=Bench\r\n";
    bytes.reserve(kSkus * 5 * 26);
    const char* sections[] = {"Sales", "Returns", "GrossSale", "NetProfit", "Tax"};
    for (const char* section : sections) {
        for (int i = 0; i < kSkus; ++i) {
            bytes += section;
            bytes += "\\SKU";
            bytes += QByteArray::number(100000 + i);
            bytes += '=';
            bytes += QByteArray::number((i * 7 + seed) % 997) + '.' +
                     QByteArray::number(10 + (i + seed) % 90);
            bytes += "\r\n";
        }
    }
    for (const char* section : sections)
        bytes += QByteArray("Totals\\") + section + "=123456.78\r\n";
    return bytes;
}

} // namespace

void benchSalesSummary(const QString& workFolder) {
    const QString folder = companyFolder(workFolder, QStringLiteral("Bench"));
    QDir().mkpath(reportsFolder(folder));
    for (int month = 1; month <= 12; ++month) {
        const QDate first(kYear, month, 1);
        for (int day = 1; day <= first.daysInMonth(); ++day)
            writeFile(dailyPeriodFile(folder, QDate(kYear, month, day)), periodBytes(day));
        writeFile(monthlyPeriodFile(folder, first), periodBytes(month));
    }

    // Each summary is timed before its figures go into the report.
    SalesSummary year;
    double ms = timeMs([&] { year = summarizeYear(folder, kYear); });
    reportCase(QStringLiteral("sales_summary_year"), 12, ms,
               {{QStringLiteral("skus"), year.skus.size()},
                {QStringLiteral("skipped"), year.skipped.size()}});
    SalesSummary month;
    ms = timeMs([&] { month = summarizeMonth(folder, kYear, 12); });
    reportCase(QStringLiteral("sales_summary_month"), 31, ms,
               {{QStringLiteral("skus"), month.skus.size()}});

    // The Sales Charts window, from nothing to its first full picture: the year and the year
    // before read, the chart and the best sellers built, the window laid out and painted.
    for (const int monthShown : {0, 12}) {
        const double ready = timeMs([&] {
            frmSalesCharts window(folder, QStringLiteral("Bench"));
            window.setPeriod(kYear, monthShown);
            window.show();
            window.grab();
        });
        reportCase(monthShown ? QStringLiteral("sales_chart_window_month")
                              : QStringLiteral("sales_chart_window_year"),
                   1, ready);
    }

    // A shop that keeps no monthly files: the year is read from its 365 daily files.
    for (int m = 1; m <= 12; ++m)
        QFile::remove(monthlyPeriodFile(folder, QDate(kYear, m, 1)));
    ms = timeMs([&] { year = summarizeYear(folder, kYear); });
    reportCase(QStringLiteral("sales_summary_year_daily_files"), 365, ms,
               {{QStringLiteral("skus"), year.skus.size()}});
}
