// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/scan.h"

#include "manager/sales/lowstock.h"
#include "manager/sales/recording.h"
#include "manager/store/runtimeerror.h"

ScanStatus processScan(const QString& companyFolder, ScanMode mode, const QString& sku,
                       const QString& numberText, int taxAnswer, const QDate& date,
                       QString* lowStock) {
    if (sku.isEmpty())
        return ScanStatus::NoSku;
    const Decimal number = Decimal::fromStored(numberText).rounded(0);
    const Direction direction = mode == ScanMode::Sale     ? Direction::Sale
                                : mode == ScanMode::Return ? Direction::Return
                                                           : Direction::Addition;
    const SaleResult result =
        makeSales(companyFolder, {{sku, number, taxAnswer, MissingStock::Scanned, direction}}, date)
            .first();
    if (result.error) {
        if (!result.recordingFailed)
            throw *result.error;
        reportError(recordingProcedure(mode != ScanMode::Sale), *result.error);
        return ScanStatus::Failed;
    }
    if (lowStock)
        *lowStock = lowStockAlert(companyFolder, sku, result.outcome);
    switch (result.outcome.status) {
    case SaleStatus::NotEnough:
        return ScanStatus::NotEnough;
    case SaleStatus::UnknownSku:
        return ScanStatus::DoesNotExist;
    default:
        return ScanStatus::Done;
    }
}
