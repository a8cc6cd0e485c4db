// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/shell/placement.h"

#include "manager/shell/twips.h"
#include "manager/store/numbertext.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <charconv>
#include <cmath>

namespace {
// The shortest text that reads back as the same single-precision number.
QString shortestSingle(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, float(value));
    return QString::fromLatin1(buffer, int(result.ptr - buffer));
}

int toPixels(const QString& twips, double perPixel) {
    return int(std::lround(leadingNumber(twips) / perPixel));
}
// Where a window may stand: the screen's free area for a window of its own (without panels),
// the parent's inside for a window within the frame.
QRect availableArea(const QWidget* window) {
    if (!window->isWindow() && window->parentWidget())
        return window->parentWidget()->rect();
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}
} // namespace

QRect fitInside(const QRect& placed, const QRect& area, const QSize& minimum) {
    if (area.isEmpty())
        return placed;
    // A stored place from a larger screen: the size is kept where it fits, the window is moved in.
    const QSize size = placed.size().boundedTo(area.size()).expandedTo(minimum);
    const int x = std::max(area.left(), std::min(placed.left(), area.right() + 1 - size.width()));
    const int y = std::max(area.top(), std::min(placed.top(), area.bottom() + 1 - size.height()));
    return QRect(QPoint(x, y), size);
}

TwipsPlacement::TwipsPlacement(const settings::PlacementKeys& keys, const QString (&defaults)[4])
    : m_keys(keys) {
    for (int i = 0; i < 4; ++i)
        m_defaults[i] = defaults[i];
}

void TwipsPlacement::restore(QWidget* window, const QSize& minimum) {
    if (leadingNumber(settings::read(m_keys.state, QStringLiteral("2"))) != 0) {
        window->showMaximized();
        return;
    }
    const settings::Key keys[4] = {m_keys.left, m_keys.top, m_keys.width, m_keys.height};
    for (int i = 0; i < 4; ++i)
        m_loadedTwips[i] = settings::read(keys[i], m_defaults[i]);
    const double perX = twipsPerPixelX();
    const double perY = twipsPerPixelY();
    window->showNormal();
    // The position is the outer frame's, as x() and y() report it; the size is the inside's.
    QRect placed(toPixels(m_loadedTwips[0], perX), toPixels(m_loadedTwips[1], perY),
                 std::max(minimum.width(), toPixels(m_loadedTwips[2], perX)),
                 std::max(minimum.height(), toPixels(m_loadedTwips[3], perY)));
    window->move(placed.topLeft());
    window->resize(placed.size());
    // The title bar and borders must fit as well; before the window manager has framed the
    // window they are taken from the style.
    int edge = 0, title = 0;
    if (window->isWindow()) {
        edge = window->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
        title = window->style()->pixelMetric(QStyle::PM_TitleBarHeight);
    }
    const QSize border(2 * edge, title + edge);
    const QRect wanted(placed.topLeft(), placed.size() + border);
    const QRect fitted = fitInside(wanted, availableArea(window), minimum + border);
    if (fitted != wanted) {
        // Placed by its inside, so that the title bar lands inside the area too.
        window->setGeometry(QRect(fitted.topLeft() + QPoint(edge, title), fitted.size() - border));
    }
    m_loadedPixels = QRect(window->pos(), window->size());
}

void TwipsPlacement::store(const QWidget* window) const {
    if (window->isMaximized() || window->isMinimized() || window->isFullScreen()) {
        settings::write(m_keys.state, QStringLiteral("2"));
        return;
    }
    const QRect r(window->pos(), window->size());
    const bool unmoved = !m_loadedPixels.isNull() && r == m_loadedPixels;
    const double perX = twipsPerPixelX();
    const double perY = twipsPerPixelY();
    const settings::Key keys[4] = {m_keys.left, m_keys.top, m_keys.width, m_keys.height};
    const double twips[4] = {r.x() * perX, r.y() * perY, r.width() * perX, r.height() * perY};
    for (int i = 0; i < 4; ++i)
        settings::write(keys[i], unmoved ? m_loadedTwips[i] : shortestSingle(twips[i]));
    settings::write(m_keys.state, QStringLiteral("0"));
}
