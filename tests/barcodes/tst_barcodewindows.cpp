// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/barcodes/barcodewindows.h"
#include "manager/barcodes/labelwindow.h"
#include "manager/inventory/itemeditor.h"
#include "tests/barcodes/zbarreader.h"
#include "tests/barcodes/zxingreader.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testenvironment.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

// The two generator windows as the user drives them: the entry clean-up, Generate, Save, Print
// and the item editor's trip to the Code 39 window.
class TestBarcodeWindows : public QObject {
    Q_OBJECT

private slots:
    void upcEntry_data();
    void upcEntry();
    void upcSaveWritesWhatDecodes();
    void code39Generate_data();
    void code39Generate();
    void code39PrintDecodes_data();
    void code39PrintDecodes();
    void code39TooNarrowToScanAsksFirst();
    void editorMakesBarcodeOfSku();
    void labelsPrintCheckedItemsFromStart();
};

void TestBarcodeWindows::upcEntry_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("left");  // the box after leaving it
    QTest::addColumn<QString>("check"); // "" when Generate ignores it
    QTest::newRow("worked example") << "12345678910"
                                    << "12345678910"
                                    << "4";
    QTest::newRow("twelve digits ignored") << "123456789012"
                                           << "123456789012"
                                           << "";
    QTest::newRow("leading zero dropped") << "036000291452"
                                          << "36000291452"
                                          << "2";
    QTest::newRow("ten digits padded") << "3600029145"
                                       << "03600029145"
                                       << "2";
    QTest::newRow("letters after digits") << "12AB"
                                          << "00000000012"
                                          << "3";
    QTest::newRow("sign") << "-5"
                          << "00000000005"
                          << "5";
    QTest::newRow("letters") << "abc"
                             << "00000000000"
                             << "0";
    QTest::newRow("fraction is no code") << "1.5"
                                         << "000000001.5"
                                         << "";
    QTest::newRow("200 digits") << QString(200, '9') << "000001E+200"
                                << "";
}

void TestBarcodeWindows::upcEntry() {
    QFETCH(QString, typed);
    QFETCH(QString, left);
    QFETCH(QString, check);
    TestEnvironment env;
    ScriptedDialogs dialogs;
    frmUPC window;
    window.txtBarcode->setText(typed);
    window.txtBarcode_LostFocus();
    QCOMPARE(window.txtBarcode->text(), left);
    window.cmdGen_Click();
    QCOMPARE(window.txtCheckDigit->text(), check);
    const QStringList read = zbarRead(window.Picture1->picture());
    QCOMPARE(read, check.isEmpty() ? QStringList() : QStringList{"UPC-A:" + left + check});
    QVERIFY(dialogs.shown.isEmpty());
}

void TestBarcodeWindows::upcSaveWritesWhatDecodes() {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    frmUPC window;
    window.txtBarcode->setText("03600029145");
    window.cmdGen->click();
    const QString file = env.base() + "/upc.picture"; // no extension is added
    dialogs.fileAnswers = {file, env.base() + "/missing/upc.bmp", ""};
    for (int i = 0; i < 3; ++i)
        window.cmdSave_Click();
    QCOMPARE(dialogs.shown.value(0).title, QStringLiteral("Save As"));
    QCOMPARE(dialogs.shown.value(0).defaultText,
             QStringLiteral("Bitmap Image (*.bmp)|*.bmp|All Files (*.*)|*.*"));
    QVERIFY(TestEnvironment::readBytes(file).startsWith("BM"));
    QCOMPARE(zbarRead(QImage(file, "BMP")), QStringList{"UPC-A:036000291452"});
    QCOMPARE(dialogs.messages(), QStringList{"Unexpected error in procedure: cmdSave_Click\n"
                                             "Error #76: Path not found"});
    QVERIFY(!QFile::exists(env.base() + "/missing"));
}

void TestBarcodeWindows::code39Generate_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("decoded");
    QTest::addColumn<QString>("status");
    QTest::newRow("empty: start and stop") << ""
                                           << ""
                                           << "";
    QTest::newRow("lower case") << "abc"
                                << "ABC"
                                << "";
    QTest::newRow("sign left out") << "A#B"
                                   << "AB"
                                   << "#";
    QTest::newRow("asterisk left out") << "A*B"
                                       << "AB"
                                       << "*";
    QTest::newRow("space") << "A B"
                           << "A B"
                           << "";
    QTest::newRow("non-ASCII") << "Café-1"
                               << "CAF-1"
                               << "é";
    QTest::newRow("beyond nineteen") << "ABCDEFGHIJ0123456789-. $/+%"
                                     << "ABCDEFGHIJ0123456789-. $/+%"
                                     << "";
}

void TestBarcodeWindows::code39Generate() {
    QFETCH(QString, text);
    QFETCH(QString, decoded);
    QFETCH(QString, status);
    TestEnvironment env;
    ScriptedDialogs dialogs;
    frmCode39 window;
    window.show();
    window.txtData->setText(text);
    window.cmdGen_Click();
    const QImage picture = window.picBarCode->picture();
    // zbar reads no empty symbol; the empty text still gives start and stop.
    if (!decoded.isEmpty())
        QCOMPARE(zbarRead(picture), QStringList{"CODE-39:" + decoded});
    QVERIFY(picture.width() * 5 >= 200 + (decoded.size() + 2) * 261);
    QCOMPARE(window.lblStatus->text().endsWith(": " + status), !status.isEmpty());
    QVERIFY(status.isEmpty() || window.lblStatus->text().startsWith("Left out"));
    QVERIFY(dialogs.shown.isEmpty());
    // The layout follows the window: the picture fills the width less 200 twips.
    window.resize(window.width() + 150, window.height() + 60);
    QVERIFY(window.picBarCode->geometry().right() < window.width());
    QVERIFY(window.cmdSave->geometry().bottom() < window.height());
}

void TestBarcodeWindows::code39PrintDecodes_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("short") << "SKU-1001";
    QTest::newRow("longer than a portrait page") << "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-";
}

void TestBarcodeWindows::code39PrintDecodes() {
    QFETCH(QString, text);
    TestEnvironment env;
    ScriptedDialogs dialogs;
    frmCode39 window;
    window.txtData->setText(text.toLower());
    const QString pdf = env.base() + "/printed.pdf";
    dialogs.printAnswers = {pdf, ""};
    window.cmdPrint->click();
    window.cmdPrint->click(); // cancelled: nothing printed, no message
    QCOMPARE(dialogs.shown.size(), 2);
    // Read as printers of common resolutions print it, by two common decoders.
    for (const char* dpi : {"150", "200", "300"}) {
        const QString prefix = env.base() + "/page" + dpi;
        QProcess render;
        render.start("pdftoppm", {"-r", dpi, "-singlefile", "-png", pdf, prefix});
        QVERIFY(render.waitForFinished(60000));
        QCOMPARE(render.exitCode(), 0);
        const QImage page(prefix + ".png");
        QCOMPARE(zbarRead(page) + zxingRead(page, {page.rect()}),
                 QStringList({"CODE-39:" + text, "CODE-39:" + text}));
    }
}

// Shrunk below a narrow bar of 0.19 mm to fit the page, a symbol is printed only when the user
// says so.
void TestBarcodeWindows::code39TooNarrowToScanAsksFirst() {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    frmCode39 window;
    const QString pdf = env.base() + "/printed.pdf";
    window.txtData->setText(QString(60, 'A')); // fits a landscape page at full width
    dialogs.printAnswers = {env.base() + "/wide.pdf"};
    window.cmdPrint->click();
    QVERIFY(QFile::exists(env.base() + "/wide.pdf"));
    QCOMPARE(dialogs.messages(), QStringList());
    window.txtData->setText(QString(200, 'A'));
    dialogs.printAnswers = {pdf, pdf};
    dialogs.messageAnswers = {Dialogs::Cancel, Dialogs::Ok};
    window.cmdPrint->click();
    QVERIFY(!QFile::exists(pdf));
    window.cmdPrint->click();
    QVERIFY(QFile::exists(pdf));
    QCOMPARE(dialogs.messages().size(), 2);
    QVERIFY(dialogs.messages()[0].contains("0.19 mm"));
    QCOMPARE(dialogs.shown.last().buttons, int(Dialogs::OkCancel));
}

void TestBarcodeWindows::editorMakesBarcodeOfSku() {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    const QString folder = env.makeCompany("Shop");
    ItemRecord item{"Books", "Atlas", "1.00", "2.00", "at-77", "1", 1, true};
    frmAddEdit editor(folder, item);
    editor.show();
    editor.cmdCopySKU->click();
    frmCode39* barcode = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<frmCode39*>(top))
            barcode = found;
    QVERIFY(barcode);
    QCOMPARE(barcode->txtData->text(), QStringLiteral("at-77"));
    QCOMPARE(zbarRead(barcode->picBarCode->picture()), QStringList{"CODE-39:AT-77"});
    QVERIFY(editor.isVisible());
    QVERIFY(!editor.isModal());
    barcode->cmdClose->click();
}

// Opened from the item editor, prints to a PDF file; each label's text is read back from its place
// on the sheet.
void TestBarcodeWindows::labelsPrintCheckedItemsFromStart() {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    const QString folder = env.makeCompany("Shop");
    const QStringList titles = {"Tea", "Jam", "Oat"};
    for (int i = 0; i < titles.size(); ++i) {
        fixture::writeItem(folder, QStringLiteral("SKU-%1").arg(i), "2.5", "1", "1", "3");
        fixture::writeTitle(folder, "Shelf", titles.at(i), QStringLiteral("SKU-%1").arg(i));
    }
    fixture::writeTitle(folder, "Back", "Salt", "SKU-9");
    ItemRecord item{"Shelf", "Tea", "1", "2.5", "SKU-0", "3", 1, true};
    frmAddEdit editor(folder, item);
    editor.show();
    editor.cmdLabels->click();
    frmLabels* window = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<frmLabels*>(top))
            window = found;
    QVERIFY(window);
    QCOMPARE(labelsWindow(folder, "Shelf"), window);
    window->show();
    QCOMPARE(window->lstItems->count(), 3);
    const auto inked = [&] {
        const QImage page = window->preview();
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if (qGray(page.pixel(x, y)) < 128)
                    return true;
        return false;
    };
    QVERIFY(inked());
    window->lstItems->item(1)->setCheckState(Qt::Unchecked);
    window->spnStart->setValue(5);
    const QString pdf = env.base() + "/labels.pdf";
    dialogs.printActions << [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    };
    window->cmdPrint_Click();
    QVERIFY(window->lblStatus->text().startsWith("2 labels on 1 page."));
    // A4, 3 x 8 labels of 70 x 37 mm from 0.5 mm down, in points.
    const auto labelText = [&](int label) {
        const double pt = 72 / 25.4;
        QProcess text;
        text.start("pdftotext",
                   {"-r", "72", "-x", QString::number(int((label - 1) % 3 * 70 * pt)), "-y",
                    QString::number(int((0.5 + (label - 1) / 3 * 37) * pt)), "-W",
                    QString::number(int(70 * pt)), "-H", QString::number(int(37 * pt)), pdf, "-"});
        text.waitForFinished();
        return QString::fromUtf8(text.readAllStandardOutput()).simplified();
    };
    const QStringList expected = {"", "", "", "", "Tea 2.50 SKU-0", "Oat 2.50 SKU-2", ""};
    for (int label = 1; label <= expected.size(); ++label)
        QCOMPARE(labelText(label), expected.at(label - 1));
    window->cboProfs->setCurrentIndex(0);
    window->cboProfs->activated(0);
    QCOMPARE(window->lstItems->count(), 4);
    window->findChild<QPushButton*>("cmdClearChecks")->click();
    QVERIFY(!inked());
    QVERIFY(!window->cmdPrint->isEnabled());
    window->close();
}

QTEST_MAIN(TestBarcodeWindows)
#include "tst_barcodewindows.moc"
