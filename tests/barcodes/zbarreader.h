// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QStringList>

#include <zbar.h>

// Every symbol zbar finds in the image, as "UPC-A:digits" or "CODE-39:text". UPC-A is
// reported as such, not as the EAN-13 it is a subset of.
inline QStringList zbarRead(const QImage& image) {
    using namespace zbar;
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    QByteArray packed;
    for (int y = 0; y < gray.height(); ++y)
        packed.append(reinterpret_cast<const char*>(gray.constScanLine(y)), gray.width());
    zbar_image_scanner_t* scanner = zbar_image_scanner_create();
    zbar_image_scanner_set_config(scanner, ZBAR_NONE, ZBAR_CFG_ENABLE, 1);
    zbar_image_scanner_set_config(scanner, ZBAR_UPCA, ZBAR_CFG_ENABLE, 1);
    zbar_image_t* zimage = zbar_image_create();
    zbar_image_set_format(zimage, zbar_fourcc('Y', '8', '0', '0'));
    zbar_image_set_size(zimage, gray.width(), gray.height());
    zbar_image_set_data(zimage, packed.constData(), packed.size(), nullptr);
    zbar_scan_image(scanner, zimage);
    QStringList found;
    for (const zbar_symbol_t* s = zbar_image_first_symbol(zimage); s; s = zbar_symbol_next(s))
        found << QString::fromLatin1(zbar_get_symbol_name(zbar_symbol_get_type(s))) + ':' +
                     QString::fromLatin1(zbar_symbol_get_data(s));
    zbar_image_destroy(zimage);
    zbar_image_scanner_destroy(scanner);
    return found;
}
