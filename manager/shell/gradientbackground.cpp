// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/shell/gradientbackground.h"

#include "manager/shell/gradient.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

namespace {
const char* const coloredControlProperty = "tallyvaneControlColor";

// Keeps the drawn picture (persistent drawing) and draws it again on every resize.
class GradientPainter : public QObject {
public:
    GradientPainter(QWidget* window, int direction, GradientUnit unit)
        : QObject(window)
        , m_window(window)
        , m_direction(direction)
        , m_unit(unit) {
        window->setAttribute(Qt::WA_StyledBackground, false);
        window->installEventFilter(this);
        painters().append(this);
        redraw();
    }

    ~GradientPainter() override { painters().removeOne(this); }

    static QList<GradientPainter*>& painters() {
        static QList<GradientPainter*> all;
        return all;
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_window) {
            if (event->type() == QEvent::Resize || event->type() == QEvent::Show)
                redraw();
            else if (event->type() == QEvent::Paint && !m_picture.isNull()) {
                QPainter painter(m_window);
                painter.drawPixmap(0, 0, m_picture);
            }
        }
        return QObject::eventFilter(watched, event);
    }

    void redraw() {
        const QSize size = m_window->size();
        if (size.isEmpty())
            return; // a zero-sized (minimised) window keeps what it had
        const qreal ratio = m_window->devicePixelRatioF();
        QPixmap picture(size * ratio);
        picture.setDevicePixelRatio(ratio);
        picture.fill(m_window->palette().color(QPalette::Window));
        QPainter painter(&picture);
        const double pixelsPerUnit =
            m_unit == GradientUnit::Pixel ? 1.0 : m_window->logicalDpiX() / 25.4;
        paintGradient(painter, size, pixelsPerUnit, m_direction, gradientFirstColor(),
                      gradientSecondColor());
        painter.end();
        m_picture = picture;
        m_window->update();
    }

private:
    QWidget* m_window;
    int m_direction;
    GradientUnit m_unit;
    QPixmap m_picture;
};
} // namespace

void paintsGradient(QWidget* window, int direction, GradientUnit unit) {
    new GradientPainter(window, direction, unit);
}

void applyControlColor(QWidget* control) {
    const QColor color = controlColor();
    QPalette palette = control->palette();
    palette.setColor(QPalette::Button, color);
    palette.setColor(QPalette::Base, color);
    if (qobject_cast<QLabel*>(control) || qobject_cast<QCheckBox*>(control) ||
        qobject_cast<QRadioButton*>(control)) {
        palette.setColor(QPalette::Window, color);
        control->setAutoFillBackground(true);
    }
    control->setPalette(palette);
    // The style draws buttons and lists with gradients of its own over the palette; a style
    // sheet gives them the colour itself.
    if (qobject_cast<QPushButton*>(control) || qobject_cast<QComboBox*>(control))
        control->setStyleSheet(
            QStringLiteral("%1 { background-color: %2; border: 1px solid %3; border-radius: 2px;"
                           " padding: 3px 8px; } %1:pressed { background-color: %4; }"
                           " %1:focus { border-color: %5; } %1:disabled { color: %3; }")
                .arg(QLatin1String(control->metaObject()->className()), color.name(),
                     color.darker(160).name(), color.darker(115).name(), color.darker(300).name()));
    control->setProperty(coloredControlProperty, true);
}

void refreshWindowColors() {
    for (GradientPainter* painter : GradientPainter::painters())
        painter->redraw();
    for (QWidget* widget : QApplication::allWidgets())
        if (widget->property(coloredControlProperty).toBool())
            applyControlColor(widget);
}
