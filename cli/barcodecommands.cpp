// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli barcode and labels: the pictures the barcode windows save, and PDF sheets of
// shelf labels for a company's items. The drawing program runs them (cli/draw/barcodedrawing.cpp).

#include "cli/command.h"

#include "manager/barcodes/labelstock.h"

namespace {

CliCommand barcodeCommand() {
    CliCommand command;
    command.name = QStringLiteral("barcode");
    command.summary =
        QStringLiteral("Writes a UPC-A or Code 39 picture (BMP, PNG or SVG by the extension).");
    command.description = QStringLiteral(
        "A UPC code of 10 digits or fewer gets leading zeros up to 11; its check digit is\n"
        "printed. Everything after upc or code39 is data, even when it starts with \"-\".");
    command.arguments = {
        {QStringLiteral("KIND"),
         QStringLiteral("upc: UPC-A of 11 digits, or 12 with the check digit; code39: Code 39."),
         false,
         {QStringLiteral("upc"), QStringLiteral("code39")}},
        {QStringLiteral("DATA"), QStringLiteral("The digits or the text."), false, {}},
        {QStringLiteral("FILE"),
         QStringLiteral("The picture to write: .bmp, .png or .svg."),
         false,
         {}}};
    command.draws = true;
    command.firstArgumentEnds = true;
    return command;
}

QStringList stockNames() {
    QStringList names;
    for (const barcodes::LabelStock& stock : barcodes::labelStocks())
        names << stock.name;
    return names;
}

CliCommand labelsCommand() {
    CliCommand command;
    command.name = QStringLiteral("labels");
    command.summary = QStringLiteral("Writes PDF sheets of shelf labels, one per item.");
    command.company = CompanyUse::Company;
    command.options = {
        valueOption(QStringLiteral("profit-center"), QStringLiteral("P"),
                    QStringLiteral("Only the items of this profit center; by default all.")),
        choiceOption(QStringLiteral("symbology"), {QStringLiteral("code39"), QStringLiteral("upc")},
                     QStringLiteral("The symbol drawn from each SKU."), QStringLiteral("code39")),
        choiceOption(QStringLiteral("sheet"), stockNames(),
                     QStringLiteral("The label sheet: A4 3 x 8 of 70 x 37 mm, A4 3 x 7 of 70 x "
                                    "42.4 mm, or US Letter 3 x 10 of 2 5/8 x 1 in."),
                     QStringLiteral("a4-3x8")),
        valueOption(QStringLiteral("start"), QStringLiteral("N"),
                    QStringLiteral("The first label to print on, counted across from the top "
                                   "left, to use up a sheet used in part."),
                    QStringLiteral("1"))};
    command.arguments = {
        {QStringLiteral("OUT.pdf"), QStringLiteral("The PDF file to write."), false, {}}};
    command.draws = true;
    return command;
}

const CliRegistration registeredBarcode(barcodeCommand);
const CliRegistration registeredLabels(labelsCommand);

} // namespace
