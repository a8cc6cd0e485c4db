// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/charts/saleschart.h"
#include "manager/charts/saleschartswindow.h"
#include "manager/store/companystore.h"
#include "manager/store/recordfile.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testenvironment.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QTableWidget>
#include <QTest>
#include <QXmlStreamReader>

#include <memory>

namespace {

QString pdfText(const QString& path) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput()).simplified();
}

// March 2026: two days and two SKUs; March 2025: one day.
QString shopWithSales(const TestEnvironment& env) {
    const QString folder = env.makeCompany(QStringLiteral("Shop"));
    const QString reports = reportsFolder(folder);
    TestEnvironment::writeBytes(
        reports + QStringLiteral("Sales3-2-2026.txt"),
        "Sales\\A100=3\r\nGrossSale\\A100=32.37\r\nNetProfit\\A100=17.37\r\n"
        "Sales\\B7=1.5\r\nGrossSale\\B7=7.63\r\n"
        "Totals\\Sales=4.5\r\nTotals\\GrossSale=40\r\n"
        "Totals\\NetProfit=17.37\r\n");
    TestEnvironment::writeBytes(reports + QStringLiteral("Sales3-20-2026.txt"),
                                "Returns\\B7=1\r\nGrossSale\\B7=-5.09\r\nTotals\\Returns=1\r\n"
                                "Totals\\GrossSale=-5.09\r\n");
    TestEnvironment::writeBytes(reports + QStringLiteral("Sales3-5-2025.txt"),
                                "Sales\\A100=1\r\nTotals\\Sales=1\r\nTotals\\GrossSale=10.79\r\n");
    WriteINIString(QStringLiteral("Titles"), QStringLiteral("Blue mug"), QStringLiteral("A100"),
                   folder + QStringLiteral("Kitchen"));
    return folder;
}

const QString kTitle = QStringLiteral("Shop: Gross, March 2026");

} // namespace

class SalesChartTest : public QObject {
    Q_OBJECT
private slots:
    void picturesHoldTheChart_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("PNG") << "march.png";
        QTest::newRow("SVG") << "march.SVG";
        QTest::newRow("PDF") << "march.pdf";
    }

    void picturesHoldTheChart() {
        QFETCH(QString, name);
        TestEnvironment env;
        const QString folder = shopWithSales(env);
        const SalesSummary summary = summarizeMonth(folder, 2026, 3);
        const SalesSummary previous = summarizeMonth(folder, 2025, 3);
        const ChartColors colors{QColor(0, 127, 255), QColor(255, 128, 0)};
        std::unique_ptr<QChart> chart(buildSalesChart(QStringLiteral("Shop"), summary, &previous,
                                                      ChartMeasure::Gross, colors));
        QCOMPARE(chart->series().size(), 2);
        const QString path = env.base() + QLatin1Char('/') + name;
        QCOMPARE(saveChartPicture(chart.get(), path), QString());

        if (name.endsWith(QLatin1String(".png"))) {
            const QImage image(path);
            QCOMPARE(image.size(), kChartPictureSize);
            int barPixels = 0, linePixels = 0;
            for (int y = 0; y < image.height(); y += 2) {
                for (int x = 0; x < image.width(); x += 2) {
                    barPixels += image.pixelColor(x, y) == colors.bars;
                    linePixels += image.pixelColor(x, y) == colors.previousYear;
                }
            }
            QVERIFY(barPixels > 200);
            QVERIFY(linePixels > 20);
        } else if (name.endsWith(QLatin1String(".SVG"))) {
            QXmlStreamReader svg(TestEnvironment::readBytes(path));
            QStringList texts;
            int shapes = 0;
            while (!svg.atEnd()) {
                if (svg.readNext() != QXmlStreamReader::StartElement)
                    continue;
                if (svg.name() == QLatin1String("text"))
                    texts << svg.readElementText();
                else if (svg.attributes().value(QLatin1String("fill")) == colors.bars.name())
                    ++shapes;
            }
            QVERIFY2(!svg.hasError(), qPrintable(svg.errorString()));
            QVERIFY(texts.contains(kTitle));
            QVERIFY(shapes >= 2); // the two days with sales, and the legend's mark
        } else {
            QVERIFY(pdfText(path).contains(kTitle));
        }
    }

    void aPictureOfAnotherKindIsRefused() {
        TestEnvironment env;
        std::unique_ptr<QChart> chart(buildSalesChart(QStringLiteral("Shop"), SalesSummary(),
                                                      nullptr, ChartMeasure::Units, chartColors()));
        const QString path = env.base() + QStringLiteral("/chart.gif");
        QVERIFY(!saveChartPicture(chart.get(), path).isEmpty());
        QVERIFY(!QFile::exists(path));
    }

    void windowShowsBestSellersAndExactValues() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = shopWithSales(env);
        frmSalesCharts window(folder, QStringLiteral("Shop"));
        window.setPeriod(2026, 3);
        QCOMPARE(window.chartView->chart()->title(), kTitle);
        QCOMPARE(window.chartView->chart()->series().size(), 2);

        QCOMPARE(window.lstBest->rowCount(), 2);
        const QStringList first{QStringLiteral("A100"), QStringLiteral("Blue mug"),
                                QStringLiteral("3"), QStringLiteral("32.37"),
                                QStringLiteral("92.7%")};
        for (int column = 0; column < first.size(); ++column)
            QCOMPARE(window.lstBest->item(0, column)->text(), first[column]);
        QCOMPARE(window.lstBest->item(1, 2)->text(), QStringLiteral("0.5"));
        QCOMPARE(window.lstBest->item(1, 3)->text(), QStringLiteral("2.54"));
        QVERIFY(window.hoverText(19, false).contains(QStringLiteral("Gross: -5.09")));
        QVERIFY(window.hoverText(4, true).contains(QStringLiteral("Gross: 10.79")));

        window.chkPrevious->setChecked(false);
        QCOMPARE(window.chartView->chart()->series().size(), 1);
        window.setPeriod(2026, 0);
        QCOMPARE(window.chartView->chart()->title(), QStringLiteral("Shop: Gross, 2026"));
        QVERIFY(window.hoverText(2, false).contains(QStringLiteral("Gross: 34.91")));

        const QString pdf = env.base() + QStringLiteral("/printed.pdf");
        dialogs.printActions << [&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        };
        window.cmdPrint_Click();
        QVERIFY(pdfText(pdf).contains(QStringLiteral("Shop: Gross, 2026")));

        const QString picture = env.base() + QStringLiteral("/year");
        dialogs.fileAnswers << picture;
        window.cmdSave_Click();
        QCOMPARE(QImage(picture + QStringLiteral(".png")).size(), kChartPictureSize);
        QVERIFY(env.errors.isEmpty());
        QVERIFY(dialogs.messages().isEmpty());

        frmSalesCharts opened(folder, QStringLiteral("Shop"));
        opened.show();
        QCOMPARE(opened.summary().month, QDate::currentDate().month());
        QCOMPARE(opened.summary().year, QDate::currentDate().year());

        showSalesCharts(nullptr, QString(), QString());
        QCOMPARE(dialogs.messages(), QStringList{QStringLiteral("Please choose a company.")});
    }
};

QTEST_MAIN(SalesChartTest)
#include "tst_saleschart.moc"
