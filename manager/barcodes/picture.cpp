// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/barcodes/picture.h"

#include "manager/barcodes/symbols.h"

#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace barcodes {

namespace {

// The text under the Code 39 symbol is placed by the classic screen's 15 twips per pixel.
constexpr double kScreenTwipsPerPixel = 15.0;

// A point is 20 twips, and the painter's unit is the twip.
QFont twipsFont(int points) {
    QFont f;
    f.setPixelSize(points * 20);
    return f;
}

// The baseline of a text line whose top-left corner is at (x, top).
QPointF baselineAt(double x, double top, int points) {
    return QPointF(x, top + QFontMetricsF(twipsFont(points)).ascent());
}

// Start, characters and stop of a Code 39 symbol from x, each element digit x narrow twips wide;
// black elements become bars. Returns the x after the last gap.
double code39Bars(const QString& text, double x, double narrow, double gap, double offset,
                  QVector<QRectF>& bars) {
    for (const QString& pattern : code39PatternList(text)) {
        bool black = true;
        for (const QChar d : pattern) {
            const double e = (d.unicode() - '0') * narrow;
            if (black)
                bars.append(QRectF(x + offset, 100, e, 1200));
            black = !black;
            x += e;
        }
        x += gap;
    }
    return x;
}

} // namespace

double wholeDots(double twips, double dot) {
    // A hair over a whole number of dots is that number, not one fewer.
    return std::max(1.0, std::floor(twips / dot + 1e-6)) * dot;
}

double onDot(double twips, double dot) {
    return std::round(twips / dot) * dot;
}

Drawing upcDrawing(const QString& code11) {
    Drawing d;
    d.width = kUpcPictureWidth;
    d.height = kUpcPictureHeight;
    const int check = upcCheckDigit(code11);
    double x = 250;
    for (const Element& e : upcElements(code11, check)) {
        const int width = 15 * e.k + 1;
        if (e.bar)
            d.bars.append(QRectF(x, 200, width, 500));
        x += width;
    }
    d.text = code11 + QString::number(check);
    d.textPoints = 8;
    d.textOrigin = baselineAt(450, 750, d.textPoints);
    return d;
}

Drawing code39Drawing(const QString& text) {
    Drawing d;
    d.width = code39PictureWidth(text);
    d.height = kCode39PictureHeight;
    // Lines at x + 1 ... x + e, one twip wide, cover x + 0.5 to x + e + 0.5.
    const double x = code39Bars(text, 200, 20, 21, 0.5, d.bars);
    d.text = text.toUpper();
    d.textPoints = 12;
    const double tx = (x - 1) / 2.0 - (10 * kScreenTwipsPerPixel * d.text.size()) / 2.0;
    d.textOrigin = baselineAt(tx, 1380, d.textPoints);
    return d;
}

Drawing code39PrintDrawing(const QString& text, double narrow, double left) {
    Drawing d;
    const double x = code39Bars(text, left, narrow, narrow, 0, d.bars);
    d.text = text.toUpper();
    d.textPoints = 12;
    const QFontMetricsF metrics(twipsFont(d.textPoints));
    const double tx = x / 2.0 - (10 * kScreenTwipsPerPixel * d.text.size()) / 2.0;
    d.textOrigin = baselineAt(tx, 1400, d.textPoints);
    d.width = qMax(double(x), tx + metrics.horizontalAdvance(d.text));
    d.height = qCeil(1400 + metrics.height());
    return d;
}

QImage blankPicture(int widthTwips, int heightTwips) {
    QImage img(qMax(1, widthTwips / kTwipsPerPixel), qMax(1, heightTwips / kTwipsPerPixel),
               QImage::Format_RGB32);
    if (img.isNull())
        return img;
    img.fill(Qt::white);
    const int dotsPerMeter = qRound(1440.0 / kTwipsPerPixel / 0.0254);
    img.setDotsPerMeterX(dotsPerMeter);
    img.setDotsPerMeterY(dotsPerMeter);
    return img;
}

void paintDrawing(QPainter& p, const Drawing& d) {
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const QRectF& bar : d.bars)
        p.fillRect(bar, Qt::black);
    p.setFont(twipsFont(d.textPoints));
    p.setPen(Qt::black);
    p.drawText(d.textOrigin, d.text);
}

QImage renderPicture(const Drawing& d) {
    QImage picture = blankPicture(d.width, d.height);
    if (picture.isNull())
        return picture;
    QPainter p(&picture);
    p.scale(1.0 / kTwipsPerPixel, 1.0 / kTwipsPerPixel);
    paintDrawing(p, d);
    return picture;
}

QByteArray drawingSvg(const Drawing& d) {
    QByteArray svg;
    const auto n = [](double v) { return QByteArray::number(v, 'g', 10); };
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
           n(d.width / 1440.0) + "in\" height=\"" + n(d.height / 1440.0) + "in\" viewBox=\"0 0 " +
           n(d.width) + ' ' + n(d.height) + "\">\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
    for (const QRectF& bar : d.bars)
        svg += "<rect x=\"" + n(bar.x()) + "\" y=\"" + n(bar.y()) + "\" width=\"" + n(bar.width()) +
               "\" height=\"" + n(bar.height()) + "\" fill=\"#000000\"/>\n";
    svg += "<text x=\"" + n(d.textOrigin.x()) + "\" y=\"" + n(d.textOrigin.y()) +
           "\" font-family=\"sans-serif\" font-size=\"" + n(d.textPoints * 20) +
           "\" xml:space=\"preserve\">" + d.text.toHtmlEscaped().toUtf8() + "</text>\n</svg>\n";
    return svg;
}

int drawUpc(QImage& picture, const QString& code11) {
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.scale(1.0 / kTwipsPerPixel, 1.0 / kTwipsPerPixel);
    paintDrawing(p, upcDrawing(code11));
    return upcCheckDigit(code11);
}

int drawCode39(QImage& picture, const QString& text) {
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.scale(1.0 / kTwipsPerPixel, 1.0 / kTwipsPerPixel);
    paintDrawing(p, code39Drawing(text));
    return 200 + code39WidthTwips(code39PatternList(text));
}

int code39PictureWidth(const QString& text) {
    return qMax(7300, 200 + code39WidthTwips(code39PatternList(text)) + 400);
}

void printCode39(QPainter& p, const QString& text) {
    paintDrawing(p, code39PrintDrawing(text));
}

bool savePicture(const QImage& picture, const QString& fileName, QString* error,
                 const QByteArray& format) {
    QByteArray chosen = format;
    if (chosen.isEmpty())
        chosen = QFileInfo(fileName).suffix().toLower() == "png" ? "png" : "bmp";
    QSaveFile file(fileName);
    QString failure;
    if (!file.open(QIODevice::WriteOnly)) {
        failure = file.errorString();
    } else {
        QImageWriter writer(&file, chosen);
        if (!writer.write(picture))
            failure = writer.errorString();
        else if (!file.commit())
            failure = file.errorString();
    }
    if (failure.isEmpty())
        return true;
    if (error)
        *error = failure;
    return false;
}

} // namespace barcodes
