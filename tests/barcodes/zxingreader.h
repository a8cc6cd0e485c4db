// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#define ZX_USE_UTF8
#include <ZXing/ReadBarcode.h>

#include <QImage>
#include <QList>
#include <QRect>
#include <QStringList>

// The UPC-A or Code 39 symbol ZXing finds in each part of the image (one label each), named as
// zbarRead names them. Parts are read one at a time: ZXing's search of a whole sheet at once
// trips over symbols that stand side by side.
inline QStringList zxingRead(const QImage& image, const QList<QRect>& parts) {
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::UPCA | ZXing::BarcodeFormat::Code39);
    QStringList found;
    for (const QRect& part : parts) {
        const QImage gray = image.copy(part).convertToFormat(QImage::Format_Grayscale8);
        const ZXing::ImageView view(gray.constBits(), gray.width(), gray.height(),
                                    ZXing::ImageFormat::Lum, int(gray.bytesPerLine()));
        const ZXing::Result result = ZXing::ReadBarcode(view, hints);
        if (result.isValid())
            found << (result.format() == ZXing::BarcodeFormat::UPCA ? QStringLiteral("UPC-A:")
                                                                    : QStringLiteral("CODE-39:")) +
                         QString::fromStdString(result.text());
    }
    return found;
}
