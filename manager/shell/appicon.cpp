#include "manager/shell/appicon.h"

#include "manager/shell/gradient.h"

#include <QPainter>
#include <QPixmap>
#include <QRadialGradient>

namespace {
QPixmap badge(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle(0.5, 0.5, size - 1.0, size - 1.0);
    QRadialGradient fill(circle.center(), size / 2.0);
    fill.setColorAt(0, gradientFirstColor());
    fill.setColorAt(1, gradientSecondColor());
    painter.setBrush(fill);
    painter.setPen(QPen(gradientFirstColor().darker(140), qMax(1.0, size / 32.0)));
    painter.drawEllipse(circle);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(qRound(size * 0.62));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(circle, Qt::AlignCenter, QStringLiteral("T"));
    return pixmap;
}
} // namespace

QIcon tallyvaneIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(badge(size));
    return icon;
}
