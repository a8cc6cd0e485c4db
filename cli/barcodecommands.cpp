// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli barcode and labels: the pictures the barcode windows save, and PDF sheets of
// shelf labels for a company's items.

#include "cli/commands.h"

#include "manager/barcodes/labelsheet.h"
#include "manager/barcodes/picture.h"
#include "manager/barcodes/symbols.h"
#include "manager/store/companystore.h"
#include "manager/store/items.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const QString kBarcodeUsage = QStringLiteral("barcode upc DIGITS FILE | barcode code39 TEXT FILE");
const QString kLabelsUsage = QStringLiteral(
    "labels --company NAME [--root DIR] [--profit-center P] [--symbology code39|upc] OUT.pdf");

int usageError(const QString& usage) {
    printError(QStringLiteral("Usage: tallyvane-cli ") + usage);
    return 2;
}

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

int runBarcode(const QStringList& args) {
    if (args.size() != 3)
        return usageError(kBarcodeUsage);
    const QString kind = args.at(0), data = args.at(1), file = args.at(2);
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix != QLatin1String("bmp") && suffix != QLatin1String("png") &&
        suffix != QLatin1String("svg")) {
        printError(QStringLiteral("The file name must end in .bmp, .png or .svg."));
        return 2;
    }
    if (kind == QLatin1String("upc")) {
        const QString refusal = barcodes::labelRefusal(data, barcodes::Symbology::Upc);
        if (!refusal.isEmpty()) {
            printError(QStringLiteral("\"%1\": %2.").arg(data, refusal));
            return 2;
        }
        const QString code = data.left(11);
        if (!writeDrawing(barcodes::upcDrawing(code), file))
            return 1;
        printOut(QStringLiteral("Check digit: %1").arg(barcodes::upcCheckDigit(code)));
        return 0;
    }
    if (kind == QLatin1String("code39")) {
        QString skipped;
        barcodes::code39PatternList(data, &skipped);
        if (!writeDrawing(barcodes::code39Drawing(data), file))
            return 1;
        if (!skipped.isEmpty())
            printError(QStringLiteral("Left out of the symbol (Code 39 has no such characters): ") +
                       skipped);
        return 0;
    }
    return usageError(kBarcodeUsage);
}

int runLabels(QStringList args) {
    CompanyOptions company;
    if (!takeCompanyOptions(args, company))
        return 2;
    bool ok = true;
    const QString center = takeOption(args, QStringLiteral("--profit-center"), QString(), ok);
    const QString symbology =
        takeOption(args, QStringLiteral("--symbology"), QStringLiteral("code39"), ok);
    if (!ok || args.size() != 1 || args.first().startsWith(QLatin1String("--")) ||
        (symbology != QLatin1String("code39") && symbology != QLatin1String("upc")))
        return usageError(kLabelsUsage);
    if (!center.isEmpty() &&
        (!isStoreName(center) || !QFileInfo(profitCenterPath(company.folder, center)).isFile())) {
        printError(
            QStringLiteral("There is no profit center \"%1\" in %2.").arg(center, company.company));
        return 2;
    }
    const barcodes::LabelSheetResult result = barcodes::writeLabelSheet(
        company.folder, center.isEmpty() ? QStringList() : QStringList{center},
        symbology == QLatin1String("upc") ? barcodes::Symbology::Upc : barcodes::Symbology::Code39,
        QFileInfo(args.first()).absoluteFilePath());
    for (const QString& line : result.skipped)
        printOut(QStringLiteral("Skipped ") + line);
    printOut(QStringLiteral("%1 labels on %2 pages.").arg(result.labels).arg(result.pages));
    return 0;
}

} // namespace

CliCommand barcodeCommand() {
    return {QStringLiteral("barcode"), kBarcodeUsage,
            QStringLiteral("Write a UPC-A or Code 39 picture (BMP, PNG or SVG by the extension)."),
            runBarcode};
}

CliCommand labelsCommand() {
    return {
        QStringLiteral("labels"), kLabelsUsage,
        QStringLiteral("Write a PDF sheet of shelf labels (3 x 8 to an A4 page), one per item."),
        runLabels};
}
