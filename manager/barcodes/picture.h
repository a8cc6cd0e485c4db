// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QRectF>
#include <QString>
#include <QVector>

class QPainter;

// Pictures of the symbols, drawn in twips on a surface fine enough for scanners: at the
// screen's 15 twips per pixel the one-twip-wider elements do not decode reliably.
namespace barcodes {

inline constexpr int kTwipsPerPixel = 5; // 288 dots per inch
inline constexpr int kUpcPictureWidth = 2175;
inline constexpr int kUpcPictureHeight = 1200;
inline constexpr int kCode39PictureHeight = 1700;
// The narrow element of a printed Code 39 symbol, in twips.
inline constexpr int kCode39PrintNarrow = 20;

// A width in twips as a whole number of a device's dots of dot twips: as many as fit, at least
// one. Bars of one width then print equally wide, which scanners rely on.
double wholeDots(double twips, double dot);
// A position in twips moved to the nearest edge between two dots.
double onDot(double twips, double dot);

// One symbol as it is drawn, in twips: the black areas on white, and the text line under them.
// Pictures, vector files and the printer all draw from it, so they show the same symbol.
struct Drawing {
    int width = 0; // the surface, twips
    int height = 0;
    QVector<QRectF> bars;
    QString text;
    QPointF textOrigin; // the baseline's left end
    int textPoints = 0;
};

// The UPC-A symbol of an 11-character code with its 12 digits, on the 2175 x 1200 picture.
Drawing upcDrawing(const QString& code11);
// The Code 39 symbol of the text from x 200, narrow 20, gaps of 20 plus one, and the upper-cased
// text under it; the surface is wide enough for the whole symbol.
Drawing code39Drawing(const QString& text);
// The print layout: filled bars from x left (400), narrow elements and gaps of narrow (20), the
// text at y 1400. The surface is the width the symbol and its text take on the page.
Drawing code39PrintDrawing(const QString& text, double narrow = kCode39PrintNarrow,
                           double left = 400);

// A white surface of the given twips size, its dots per inch set for saving. A null image when
// the memory for it cannot be had.
QImage blankPicture(int widthTwips, int heightTwips);
// The drawing on a blank picture of its size.
QImage renderPicture(const Drawing& drawing);
// Paints the drawing; the painter's unit is the twip.
void paintDrawing(QPainter& painter, const Drawing& drawing);
// The drawing as an SVG document whose unit is the twip and whose size is in inches.
QByteArray drawingSvg(const Drawing& drawing);

// Draws the UPC-A symbol of an 11-character code and the 12 digits under it; returns the check.
int drawUpc(QImage& picture, const QString& code11);

// Draws the Code 39 symbol of the text and the upper-cased text under it; returns the end x.
int drawCode39(QImage& picture, const QString& text);

// The width a Code 39 picture needs to show the whole symbol of the text.
int code39PictureWidth(const QString& text);

// The print layout drawn with a painter whose coordinates are twips of the printable page.
void printCode39(QPainter& painter, const QString& text);

// Writes the picture in the given format ("bmp", "png"), or by the extension when format is
// empty (PNG for ".png", otherwise BMP). The file is replaced only when the whole picture was
// written. Returns false with *error set on failure.
bool savePicture(const QImage& picture, const QString& fileName, QString* error,
                 const QByteArray& format = QByteArray());

} // namespace barcodes
