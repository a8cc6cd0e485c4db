#include "manager/barcodes/picture.h"

#include "manager/barcodes/symbols.h"

#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QImageWriter>
#include <QPainter>

namespace barcodes {

namespace {

constexpr double kScreenTwipsPerPixel = 15.0;

// Lines of one twip drawn side by side from x to x + width fill that span.
void fillTwips(QPainter &p, double x, double y, double width, double height, const QColor &c)
{
    p.fillRect(QRectF(x, y, width, height), c);
}

// A painter whose unit is the twip and whose fonts keep their point size in twips.
void beginTwips(QPainter &p, QImage &picture)
{
    p.begin(&picture);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.scale(1.0 / kTwipsPerPixel, 1.0 / kTwipsPerPixel);
}

// A point is 20 twips, and the painter's unit is the twip.
QFont twipsFont(int points)
{
    QFont f;
    f.setPixelSize(points * 20);
    return f;
}

} // namespace

QImage blankPicture(int widthTwips, int heightTwips)
{
    QImage img(qMax(1, widthTwips / kTwipsPerPixel), qMax(1, heightTwips / kTwipsPerPixel),
               QImage::Format_RGB32);
    img.fill(Qt::white);
    const int dotsPerMeter = qRound(1440.0 / kTwipsPerPixel / 0.0254);
    img.setDotsPerMeterX(dotsPerMeter);
    img.setDotsPerMeterY(dotsPerMeter);
    return img;
}

int drawUpc(QImage &picture, const QString &code11)
{
    picture.fill(Qt::white);
    const int check = upcCheckDigit(code11);
    QPainter p;
    beginTwips(p, picture);
    double x = 250;
    for (const Element &e : upcElements(code11, check)) {
        const int width = 15 * e.k + 1;
        fillTwips(p, x, 200, width, 500, e.bar ? Qt::black : Qt::white);
        x += width;
    }
    p.setFont(twipsFont(8));
    p.setPen(Qt::black);
    p.drawText(QPointF(450, 750 + QFontMetricsF(p.font()).ascent()),
               code11 + QString::number(check));
    return check;
}

int drawCode39(QImage &picture, const QString &text)
{
    picture.fill(Qt::white);
    QPainter p;
    beginTwips(p, picture);
    const int w = 20;
    int x = 200;
    for (const QString &pattern : code39PatternList(text)) {
        bool black = true;
        for (const QChar d : pattern) {
            const int e = (d.unicode() - '0') * w;
            fillTwips(p, x + 0.5, 100, e, 1200, black ? Qt::black : Qt::white);
            black = !black;
            x += e;
        }
        x += w + 1;
    }
    const QString shown = text.toUpper();
    p.setFont(twipsFont(12));
    p.setPen(Qt::black);
    const double tx = (x - 1) / 2.0 - (10 * kScreenTwipsPerPixel * shown.size()) / 2.0;
    p.drawText(QPointF(tx, 1380 + QFontMetricsF(p.font()).ascent()), shown);
    return x;
}

int code39PictureWidth(const QString &text)
{
    return qMax(7300, 200 + code39WidthTwips(code39PatternList(text)) + 400);
}

void printCode39(QPainter &p, const QString &text)
{
    int x = 400;
    for (const QString &pattern : code39PatternList(text)) {
        bool black = true;
        for (const QChar d : pattern) {
            const int e = (d.unicode() - '0') * 20;
            if (black)
                p.fillRect(QRectF(x, 100, e, 1200), Qt::black);
            black = !black;
            x += e;
        }
        x += 20;
    }
    const QString shown = text.toUpper();
    const QFont f = twipsFont(12);
    p.setFont(f);
    p.setPen(Qt::black);
    const double tx = x / 2.0 - (10 * kScreenTwipsPerPixel * shown.size()) / 2.0;
    p.drawText(QPointF(tx, 1400 + QFontMetricsF(f).ascent()), shown);
}

bool savePicture(const QImage &picture, const QString &fileName, QString *error)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    QImageWriter writer(fileName, suffix == "png" ? "png" : "bmp");
    if (writer.write(picture))
        return true;
    if (error)
        *error = writer.errorString();
    return false;
}

} // namespace barcodes
