// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/barcodes/labelsheet.h"
#include "manager/barcodes/symbols.h"
#include "tests/barcodes/zbarreader.h"
#include "tests/barcodes/zxingreader.h"
#include "tests/cli/clirunner.h"
#include "tests/support/fixtures.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QImage>
#include <QtTest>

// tallyvane-cli barcode and labels: every written symbol reads back as exactly its code.
class TestBarcodeCli : public QObject {
    Q_OBJECT

private slots:
    void barcodeFiles_data();
    void barcodeFiles();
    void labelSheetDecodesPageByPage_data();
    void labelSheetDecodesPageByPage();
};

namespace {
// The symbols zbar reads on each page of a PDF rendered at 300 dpi, sorted per page.
// The symbols of each page, rendered at each of the resolutions of common printers, as both
// zbar and ZXing read them: a page whose readers or resolutions disagree reads as "differs".
QList<QStringList> pdfSymbols(const QString& pdf, const QString& folder,
                              const QString& sheet = QStringLiteral("a4-3x8")) {
    const barcodes::LabelStock& stock = *barcodes::labelStock(sheet);
    QList<QStringList> pages;
    for (const char* dpi : {"300", "200", "150"}) {
        const QString prefix = folder + "/page" + dpi;
        QProcess render;
        render.start("pdftoppm", {"-r", dpi, "-png", pdf, prefix});
        render.waitForFinished(120000);
        const QStringList files =
            QDir(folder).entryList({"page" + QString(dpi) + "-*.png"}, QDir::Files, QDir::Name);
        for (int i = 0; i < files.size(); ++i) {
            const QImage image(folder + '/' + files[i]);
            const double scale = QString(dpi).toDouble() / 1440;
            QList<QRect> labels;
            for (int label = 0; label < stock.perPage(); ++label)
                labels << QRectF((stock.left + label % stock.columns * stock.columnPitch) * scale,
                                 (stock.top + label / stock.columns * stock.rowPitch) * scale,
                                 stock.labelWidth * scale, stock.labelHeight * scale)
                              .toRect();
            QStringList found = zbarRead(image), read = zxingRead(image, labels);
            found.sort();
            read.sort();
            if (read != found)
                found = QStringList{QStringLiteral("differs at %1 dpi").arg(dpi)};
            if (pages.size() <= i)
                pages << found;
            else if (pages[i] != found)
                pages[i] = QStringList{QStringLiteral("differs at %1 dpi").arg(dpi)};
        }
    }
    return pages;
}
} // namespace

void TestBarcodeCli::barcodeFiles_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("decoded"); // "" when no picture is written or it is vectors
    QTest::addColumn<QString>("out");
    QTest::newRow("upc bmp") << QStringList{"upc", "12345678910", "u.bmp"} << 0
                             << "UPC-A:123456789104"
                             << "Check digit: 4";
    QTest::newRow("upc twelve with check")
        << QStringList{"upc", "036000291452", "u.png"} << 0 << "UPC-A:036000291452"
        << "Check digit: 2";
    QTest::newRow("upc wrong check") << QStringList{"upc", "036000291453", "u.png"} << 2 << ""
                                     << "";
    QTest::newRow("upc letters") << QStringList{"upc", "12345abcde1", "u.bmp"} << 2 << ""
                                 << "";
    QTest::newRow("upc 200 digits") << QStringList{"upc", QString(200, '1'), "u.bmp"} << 2 << ""
                                    << "";
    QTest::newRow("code39 png") << QStringList{"code39", "a#b 1", "c.png"} << 0 << "CODE-39:AB 1"
                                << "";
    QTest::newRow("code39 svg") << QStringList{"code39", "SKU-1", "c.svg"} << 0 << ""
                                << "";
    QTest::newRow("unknown format") << QStringList{"code39", "X", "c.jpg"} << 2 << ""
                                    << "";
    QTest::newRow("missing folder") << QStringList{"code39", "X", "no/such/c.bmp"} << 1 << ""
                                    << "";
}

void TestBarcodeCli::barcodeFiles() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, decoded);
    QFETCH(QString, out);
    TestEnvironment env;
    const QString file = env.base() + '/' + args.last();
    args.last() = file;
    const CliResult result = runCli(QStringList{"barcode"} + args);
    QCOMPARE(result.exitCode, exitCode);
    QCOMPARE(result.outText().trimmed(), out);
    QCOMPARE(QFile::exists(file), exitCode == 0);
    if (!decoded.isEmpty())
        QCOMPARE(zbarRead(QImage(file)), QStringList{decoded});
    if (file.endsWith(".svg") && exitCode == 0)
        QVERIFY(TestEnvironment::readBytes(file).contains("<text"));
}

// Each sheet in its own pages, from the label to start at: a sheet used in part is used up.
void TestBarcodeCli::labelSheetDecodesPageByPage_data() {
    QTest::addColumn<QString>("symbology");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("perPage");
    QTest::newRow("code39, A4 3 x 8") << "code39"
                                      << "a4-3x8" << 1 << 24;
    QTest::newRow("upc, Letter 3 x 10 from 5") << "upc"
                                               << "letter-3x10" << 5 << 30;
    QTest::newRow("code39, A4 3 x 7 from 21") << "code39"
                                              << "a4-3x7" << 21 << 21;
    QTest::newRow("long code39, Letter 3 x 10") << "long code39"
                                                << "letter-3x10" << 1 << 30;
}

void TestBarcodeCli::labelSheetDecodesPageByPage() {
    QFETCH(QString, symbology);
    QFETCH(QString, sheet);
    QFETCH(int, start);
    QFETCH(int, perPage);
    const bool upc = symbology == "upc";
    // Long SKUs shrink the narrow element below its full 20 twips.
    const QString skuPattern = symbology.startsWith("long") ? "STOCK-%1-SHELF" : "SKU-%1";
    symbology = symbology.section(' ', -1);
    TestEnvironment env;
    const QString folder = env.makeCompany("Shop");
    // 30 labelled items, then three that get no symbol.
    const int pages = (start - 1 + 30 + perPage - 1) / perPage;
    QList<QStringList> expected(pages);
    for (int i = 0; i < 30; ++i) {
        const QString code =
            QStringLiteral("%1").arg(10000000000LL + i * 7919LL, 11, 10, QChar('0'));
        const QString sku = upc ? code : skuPattern.arg(i * 7);
        fixture::writeItem(folder, sku, "2.5", "1", "1", "3");
        fixture::writeTitle(folder, "Shelf", QStringLiteral("Item %1").arg(i), sku);
        expected[(start - 1 + i) / perPage]
            << (upc ? "UPC-A:" + code + QString::number(barcodes::upcCheckDigit(code))
                    : "CODE-39:" + sku);
    }
    for (const char* sku : {"lower-x", "A*B", "12345-abc"})
        fixture::writeTitle(folder, "Shelf", QStringLiteral("Odd ") + sku, sku);
    for (QStringList& page : expected)
        page.sort();
    const QString pdf = env.base() + "/labels.pdf";
    const CliResult result =
        runCli({"labels", "--company", "Shop", "--root", env.root(), "--symbology", symbology,
                "--sheet", sheet, "--start", QString::number(start), pdf});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.outText().count("Skipped Odd "), 3);
    QVERIFY(result.outText().contains(
        QStringLiteral("30 labels on %1 %2.").arg(pages).arg(pages == 1 ? "page" : "pages")));
    QCOMPARE(pdfSymbols(pdf, env.base(), sheet), expected);
    QCOMPARE(runCli({"labels", "--company", "Shop", "--root", env.root(), "--profit-center",
                     "Nowhere", pdf})
                 .exitCode,
             2);
    QCOMPARE(runCli({"labels", "--company", "Shop", "--root", env.root(), "--sheet", sheet,
                     "--start", QString::number(perPage + 1), pdf})
                 .exitCode,
             64);
}

QTEST_GUILESS_MAIN(TestBarcodeCli)
#include "tst_barcodecli.moc"
