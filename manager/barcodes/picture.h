#pragma once

#include <QImage>
#include <QString>

class QPainter;

// Pictures of the symbols, drawn in twips on a surface fine enough for scanners: at the
// screen's 15 twips per pixel the one-twip-wider elements do not decode reliably.
namespace barcodes {

inline constexpr int kTwipsPerPixel = 5; // 288 dots per inch
inline constexpr int kUpcPictureWidth = 2175;
inline constexpr int kUpcPictureHeight = 1200;
inline constexpr int kCode39PictureHeight = 1700;

// A white surface of the given twips size, its dots per inch set for saving.
QImage blankPicture(int widthTwips, int heightTwips);

// Draws the UPC-A symbol of an 11-character code and the 12 digits under it; returns the check.
int drawUpc(QImage &picture, const QString &code11);

// Draws the Code 39 symbol of the text and the upper-cased text under it; returns the end x.
int drawCode39(QImage &picture, const QString &text);

// The width a Code 39 picture needs to show the whole symbol of the text.
int code39PictureWidth(const QString &text);

// The print layout: filled bars from x 400, gaps of 20, the text at y 1400. The painter's
// coordinates are twips of the printable page.
void printCode39(QPainter &painter, const QString &text);

// Writes the picture; the format follows the extension (PNG for ".png", otherwise BMP).
// Returns false with *error set on failure.
bool savePicture(const QImage &picture, const QString &fileName, QString *error);

} // namespace barcodes
