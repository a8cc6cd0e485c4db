// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/shell/gradient.h"
#include "manager/shell/gradientbackground.h"
#include "manager/shell/splashwindow.h"
#include "manager/store/settings.h"
#include "tests/support/testenvironment.h"

#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {
const QColor blue(0, 127, 255);
const QColor white(255, 255, 255);
const QColor background(255, 0, 255); // a colour no gradient step of blue to white can have

QImage render(const QSize& size, double pixelsPerUnit, int direction, const QColor& first = blue,
              const QColor& second = white) {
    QImage image(size.isEmpty() ? QSize(10, 10) : size, QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    paintGradient(painter, size, pixelsPerUnit, direction, first, second);
    return image;
}

QString text(const QColor& c) {
    return QStringLiteral("(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

// The colour at t of blue to white, as a step of 255.
QColor atT(double t) {
    return gradientStepColor(blue, white, t, 255);
}

bool near(const QColor& a, const QColor& b, int tolerance) {
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

#define COMPARE_COLOR(actual, expected) QCOMPARE(text(actual), text(expected))
#define VERIFY_NEAR(actual, expected, tolerance)                                                   \
    QVERIFY2(near(actual, expected, tolerance),                                                    \
             qPrintable(text(actual) + QStringLiteral(" is not near ") + text(expected)))
} // namespace

class GradientTest : public QObject {
    Q_OBJECT
private slots:
    void stepColorRunsFromFirstToSecondWithHalvesToEven();
    void topToBottomLineAtFiftyMillimetresIsHalfWay();
    void leftToRightRunsAcrossTheWidth();
    void diagonalRunsFromTopLeftToBottomRight();
    void slantedBandsAreNotAMirrorOfTheDiagonal();
    void circlesRunFromCentreToEdgeAndLeaveCorners();
    void zeroSizeOrUnknownDirectionDrawsNothing();
    void windowBackgroundUsesStoredColorsAndRefreshes();
    void splashOutlineFollowsTwipsPerPixel();
};

void GradientTest::stepColorRunsFromFirstToSecondWithHalvesToEven() {
    COMPARE_COLOR(gradientStepColor(blue, white, 0, 100), blue);
    COMPARE_COLOR(gradientStepColor(blue, white, 100, 100), white);
    // t = 127.5: red 127.5 rounds to 128, green 63.5 + 127.5 = 191.
    COMPARE_COLOR(gradientStepColor(blue, white, 50, 100), QColor(128, 191, 255));
    // Halves go to the even neighbour: 126.5 -> 126, 0.5 -> 0, 1.5 -> 2.
    COMPARE_COLOR(gradientStepColor(Qt::black, QColor(253, 1, 3), 1, 2), QColor(126, 0, 2));
    // Running the other way works the same.
    COMPARE_COLOR(gradientStepColor(white, blue, 1, 3), QColor(170, 212, 255));
}

void GradientTest::topToBottomLineAtFiftyMillimetresIsHalfWay() {
    // 4 pixels a millimetre: a window 100 mm high is 400 pixels; line i is centred on y = 4i and
    // 6 pixels wide, so rows 4i - 3 to 4i are left with the colour of line i.
    const QImage image = render(QSize(50, 400), 4.0, 0);
    COMPARE_COLOR(image.pixelColor(25, 199), QColor(128, 191, 255));
    COMPARE_COLOR(image.pixelColor(0, 0), blue);
    COMPARE_COLOR(image.pixelColor(49, 399), white);
    COMPARE_COLOR(image.pixelColor(10, 4 * 25 - 1), atT(255.0 * 25 / 100));
    // Every row is painted and the ramp never goes back.
    for (int y = 1; y < image.height(); ++y) {
        QVERIFY(image.pixelColor(0, y) != background);
        QVERIFY(image.pixelColor(0, y).red() >= image.pixelColor(0, y - 1).red());
        QCOMPARE(image.pixelColor(0, y), image.pixelColor(49, y));
    }
}

void GradientTest::leftToRightRunsAcrossTheWidth() {
    const QImage image = render(QSize(400, 40), 4.0, 1);
    COMPARE_COLOR(image.pixelColor(0, 20), blue);
    COMPARE_COLOR(image.pixelColor(199, 0), QColor(128, 191, 255));
    COMPARE_COLOR(image.pixelColor(399, 39), white);
    for (int x = 1; x < image.width(); ++x) {
        QVERIFY(image.pixelColor(x, 0).red() >= image.pixelColor(x - 1, 0).red());
        QCOMPARE(image.pixelColor(x, 0), image.pixelColor(x, 39));
    }
}

void GradientTest::diagonalRunsFromTopLeftToBottomRight() {
    // Pixels as unit: lines one pixel apart, t = 255 * i / 2W. A pixel is also covered by the
    // 6-pixel pens of the next few steps, which are drawn later, hence the tolerance.
    const QImage image = render(QSize(200, 100), 1.0, 2);
    VERIFY_NEAR(image.pixelColor(0, 0), blue, 8);
    VERIFY_NEAR(image.pixelColor(199, 99), white, 8);
    VERIFY_NEAR(image.pixelColor(199, 0), atT(127.5), 8);
    VERIFY_NEAR(image.pixelColor(0, 99), atT(127.5), 8);
    VERIFY_NEAR(image.pixelColor(100, 50), atT(127.5), 8);
    // Along the diagonal the colour only gets lighter; across it, it stays.
    for (int x = 1; x < 200; ++x)
        QVERIFY(image.pixelColor(x, x / 2).red() >= image.pixelColor(x - 1, (x - 1) / 2).red());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            QVERIFY(image.pixelColor(x, y) != background);
}

void GradientTest::slantedBandsAreNotAMirrorOfTheDiagonal() {
    // Top-right the second colour, top-left half-way, bottom-left a quarter, bottom-right three
    // quarters.
    const QImage image = render(QSize(200, 100), 1.0, 3);
    VERIFY_NEAR(image.pixelColor(199, 0), white, 8);
    VERIFY_NEAR(image.pixelColor(0, 0), atT(127), 8);
    VERIFY_NEAR(image.pixelColor(0, 99), atT(64), 8);
    VERIFY_NEAR(image.pixelColor(199, 99), atT(191), 8);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            QVERIFY(image.pixelColor(x, y) != background);
}

void GradientTest::circlesRunFromCentreToEdgeAndLeaveCorners() {
    // 400 x 300 pixels: r = 150, centred at (200, 150). Circles are drawn from the largest, each
    // 18 pixels wide, so a pixel d from the centre keeps the colour of the smallest circle that
    // reaches it: radius d - 9.
    const QImage image = render(QSize(400, 300), 1.0, 4);
    auto ring = [](double d) {
        return gradientStepColor(blue, white, std::max(0.0, std::ceil(d - 9)), 150);
    };
    COMPARE_COLOR(image.pixelColor(200, 150), blue);
    COMPARE_COLOR(image.pixelColor(200 + 5, 150 - 5), blue);
    VERIFY_NEAR(image.pixelColor(200 + 75, 150), ring(75.5), 3);
    VERIFY_NEAR(image.pixelColor(200, 150 - 75), ring(74.5), 3);
    VERIFY_NEAR(image.pixelColor(200 + 30, 150 + 40), ring(50.5), 3);
    VERIFY_NEAR(image.pixelColor(200 + 149, 150), ring(149.5), 3);
    VERIFY_NEAR(image.pixelColor(200 + 158, 150), white, 3);
    COMPARE_COLOR(image.pixelColor(0, 0), background);
    COMPARE_COLOR(image.pixelColor(399, 0), background);
    COMPARE_COLOR(image.pixelColor(0, 299), background);
    COMPARE_COLOR(image.pixelColor(399, 299), background);
    COMPARE_COLOR(image.pixelColor(10, 150), background);
    // Symmetric about the centre.
    VERIFY_NEAR(image.pixelColor(200 - 40, 150), image.pixelColor(200 + 40, 150), 3);
    // Outwards the colour only gets lighter.
    for (int x = 201; x < 350; ++x)
        QVERIFY(image.pixelColor(x, 150).red() + 3 >= image.pixelColor(x - 1, 150).red());
}

void GradientTest::zeroSizeOrUnknownDirectionDrawsNothing() {
    const QImage untouched = render(QSize(), 1.0, 0);
    for (const QSize& size : {QSize(0, 100), QSize(100, 0), QSize(0, 0)}) {
        for (int direction = 0; direction <= 4; ++direction) {
            QImage image(10, 10, QImage::Format_RGB32);
            image.fill(background);
            QPainter painter(&image);
            paintGradient(painter, size, 3.78, direction, blue, white);
            painter.end();
            QCOMPARE(image, untouched);
        }
    }
    // The painter is left as it was found.
    QImage image(20, 20, QImage::Format_RGB32);
    QPainter painter(&image);
    const QPen pen = painter.pen();
    for (int direction = 0; direction <= 4; ++direction) {
        paintGradient(painter, image.size(), 3.78, direction, blue, white);
        QVERIFY(painter.worldTransform().isIdentity());
        QCOMPARE(painter.pen(), pen);
        QCOMPARE(painter.brush().style(), Qt::NoBrush);
    }
    painter.end();
    for (int direction : {-1, 5, 100}) {
        const QImage image = render(QSize(10, 10), 1.0, direction);
        QCOMPARE(image, untouched);
    }
}

void GradientTest::windowBackgroundUsesStoredColorsAndRefreshes() {
    TestEnvironment env;
    QWidget window;
    window.resize(300, 200);
    paintsGradient(&window, 0); // in millimetres
    auto* button = new QPushButton(QStringLiteral("Open"), &window);
    applyControlColor(button);
    button->move(250, 180); // away from the sampled pixels
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const double pixelsPerMillimetre = window.logicalDpiX() / 25.4;

    QImage shot = window.grab().toImage();
    QImage expected = render(window.size(), pixelsPerMillimetre, 0);
    for (int y : {0, 1, 50, 100, 150, 199})
        COMPARE_COLOR(shot.pixelColor(150, y), expected.pixelColor(150, y));
    COMPARE_COLOR(shot.pixelColor(150, 0), blue);
    COMPARE_COLOR(button->palette().color(QPalette::Button), QColor(192, 223, 255));
    // Drawn in that colour, not in the style's own gradient over it.
    const QPoint inside(4, button->height() / 2);
    COMPARE_COLOR(button->grab().toImage().pixelColor(inside), QColor(192, 223, 255));

    // New colours show in open windows once they are refreshed, and in every later painting.
    settings::write(QStringLiteral("Graphical"), QStringLiteral("Color1"),
                    QStringLiteral("#ff0000"));
    settings::write(QStringLiteral("Graphical"), QStringLiteral("Color2"),
                    QStringLiteral("#000000"));
    settings::write(QStringLiteral("Graphical"), QStringLiteral("Controls"),
                    QStringLiteral("#00ff00"));
    refreshWindowColors();
    shot = window.grab().toImage();
    expected = render(window.size(), pixelsPerMillimetre, 0, Qt::red, Qt::black);
    for (int y : {0, 1, 50, 100, 150, 199})
        COMPARE_COLOR(shot.pixelColor(150, y), expected.pixelColor(150, y));
    COMPARE_COLOR(shot.pixelColor(150, 0), QColor(255, 0, 0));
    COMPARE_COLOR(button->palette().color(QPalette::Button), QColor(0, 255, 0));
    COMPARE_COLOR(button->grab().toImage().pixelColor(inside), QColor(0, 255, 0));

    // A stored value that is no colour falls back to the standard one.
    settings::write(QStringLiteral("Graphical"), QStringLiteral("Color1"),
                    QStringLiteral("bluish"));
    COMPARE_COLOR(gradientFirstColor(), blue);
    // A translucent colour would let earlier bands show through.
    settings::write(QStringLiteral("Graphical"), QStringLiteral("Color1"),
                    QStringLiteral("#80ff0000"));
    QCOMPARE(gradientFirstColor().alpha(), 255);

    // A window shrunk to nothing keeps its picture and raises nothing.
    window.resize(0, 0);
    QVERIFY(env.errors.isEmpty());
}

void GradientTest::splashOutlineFollowsTwipsPerPixel() {
    QCOMPARE(formRegionRect(1.0, 1.0, 0, 0, 15, 15), QRect(0, 0, 493, 493));
    // 7395 / 12 = 616.25 pixels.
    QCOMPARE(formRegionRect(1.0, 1.0, 0, 0, 12, 12).size(), QSize(616, 616));
    QCOMPARE(formRegionRect(2.0, 0.5, 10, 20, 15, 15), QRect(10, 20, 986, 246));
}

QTEST_MAIN(GradientTest)
#include "tst_gradient.moc"
