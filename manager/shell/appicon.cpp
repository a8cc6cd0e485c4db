// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/shell/appicon.h"

#include "manager/shell/gradient.h"

#include <QPainter>
#include <QPixmap>
#include <QRadialGradient>

QImage tallyvaneBadge(int size, const QColor& centre, const QColor& rim) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle(0.5, 0.5, size - 1.0, size - 1.0);
    QRadialGradient fill(circle.center(), size / 2.0);
    fill.setColorAt(0, centre);
    fill.setColorAt(1, rim);
    painter.setBrush(fill);
    painter.setPen(QPen(centre.darker(140), qMax(1.0, size / 32.0)));
    painter.drawEllipse(circle);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(qRound(size * 0.62));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(circle, Qt::AlignCenter, QStringLiteral("T"));
    return image;
}

QIcon tallyvaneIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(
            QPixmap::fromImage(tallyvaneBadge(size, gradientFirstColor(), gradientSecondColor())));
    return icon;
}
