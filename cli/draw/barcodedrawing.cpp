// SPDX-License-Identifier: GPL-3.0-or-later
// The runs of tallyvane-cli barcode and labels, in the drawing program: the pictures the barcode
// windows save, and PDF sheets of shelf labels.

#include "cli/command.h"

#include "manager/barcodes/labelsheet.h"
#include "manager/barcodes/picture.h"
#include "manager/barcodes/symbols.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>

namespace {

bool writeDrawing(const barcodes::Drawing& drawing, const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    QString error;
    if (!QFileInfo(fileName).absoluteDir().exists()) {
        error = QStringLiteral("the folder does not exist");
    } else if (suffix == QLatin1String("svg")) {
        QSaveFile file(fileName);
        if (!file.open(QIODevice::WriteOnly) || file.write(barcodes::drawingSvg(drawing)) < 0 ||
            !file.commit())
            error = file.errorString();
    } else {
        const QImage picture = barcodes::renderPicture(drawing);
        if (picture.isNull())
            error = QStringLiteral("not enough memory for the picture");
        else
            barcodes::savePicture(picture, fileName, &error, suffix.toLatin1());
    }
    if (error.isEmpty())
        return true;
    printError(QStringLiteral("Cannot write %1: %2").arg(fileName, error));
    return false;
}

// Up to 10 digits are a UPC code without its leading zeros, as the UPC window's box takes them.
QString upcCodeOf(const QString& typed) {
    static const QRegularExpression fewDigits(QStringLiteral("^[0-9]{1,10}$"));
    return fewDigits.match(typed).hasMatch() ? barcodes::upcEntryText(typed) : typed;
}

int runBarcode(const CliCall& call) {
    const QString kind = call.arguments.at(0), file = call.arguments.at(2);
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix != QLatin1String("bmp") && suffix != QLatin1String("png") &&
        suffix != QLatin1String("svg")) {
        printError(QStringLiteral("The file name must end in .bmp, .png or .svg."));
        return ExitRefused;
    }
    if (kind == QLatin1String("upc")) {
        const QString data = upcCodeOf(call.arguments.at(1));
        const QString refusal = barcodes::labelRefusal(data, barcodes::Symbology::Upc);
        if (!refusal.isEmpty()) {
            printError(QStringLiteral("\"%1\": %2.").arg(data, refusal));
            return ExitRefused;
        }
        const QString code = data.left(11);
        if (!writeDrawing(barcodes::upcDrawing(code), file))
            return ExitError;
        printOut(QStringLiteral("Check digit: %1").arg(barcodes::upcCheckDigit(code)));
        return ExitDone;
    }
    const QString text = call.arguments.at(1);
    // A control character has no place in a symbol's caption nor in the SVG that holds it.
    if (std::any_of(text.begin(), text.end(),
                    [](QChar c) { return c.category() == QChar::Other_Control; })) {
        printError(QStringLiteral("A Code 39 text cannot hold a control character."));
        return ExitRefused;
    }
    QString skipped;
    barcodes::code39PatternList(text, &skipped);
    if (!writeDrawing(barcodes::code39Drawing(text), file))
        return ExitError;
    if (!skipped.isEmpty())
        printError(QStringLiteral("Left out of the symbol (Code 39 has no such characters): ") +
                   skipped);
    return ExitDone;
}

int runLabels(const CliCall& call) {
    const barcodes::LabelStock& stock = *barcodes::labelStock(call.value(QStringLiteral("sheet")));
    bool number = false;
    const int start = call.value(QStringLiteral("start")).toInt(&number);
    if (!number || start < 1 || start > stock.perPage())
        return call.usageError(
            QStringLiteral("--start must be a label of the sheet, 1 to %1.").arg(stock.perPage()));
    const QString center = call.value(QStringLiteral("profit-center"));
    if (call.isSet(QStringLiteral("profit-center")) && !knownProfitCenter(call, center))
        return ExitRefused;
    const barcodes::LabelSheetResult result = barcodes::writeLabelSheet(
        call.folder, center.isEmpty() ? QStringList() : QStringList{center},
        call.value(QStringLiteral("symbology")) == QLatin1String("upc")
            ? barcodes::Symbology::Upc
            : barcodes::Symbology::Code39,
        QFileInfo(call.arguments.first()).absoluteFilePath(), stock, start);
    for (const QString& line : result.skipped)
        printOut(QStringLiteral("Skipped ") + line);
    printOut(barcodes::labelCountText(result.labels, result.pages));
    return ExitDone;
}

const CliDrawingRegistration registeredBarcode("barcode", runBarcode);
const CliDrawingRegistration registeredLabels("labels", runLabels);

} // namespace
