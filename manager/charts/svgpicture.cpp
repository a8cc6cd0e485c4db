// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/charts/svgpicture.h"

#include <QBuffer>
#include <QGradient>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>

namespace {

QString number(qreal value) {
    return QString::number(value, 'g', 6);
}

QString colorText(const QColor& color) {
    return color.name(QColor::HexRgb);
}

} // namespace

class SvgPaintEngine : public QPaintEngine {
public:
    SvgPaintEngine()
        : QPaintEngine(QPaintEngine::AllFeatures) {}

    bool begin(QPaintDevice*) override {
        m_body.clear();
        return true;
    }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& state) override {
        const DirtyFlags dirty = state.state();
        if (dirty & DirtyPen)
            m_pen = state.pen();
        if (dirty & DirtyBrush)
            m_brush = state.brush();
        if (dirty & DirtyTransform)
            m_transform = state.transform();
        if (dirty & DirtyFont)
            m_font = state.font();
        if (dirty & DirtyOpacity)
            m_opacity = state.opacity();
    }

    void drawPath(const QPainterPath& path) override {
        QString d;
        for (int i = 0; i < path.elementCount(); ++i) {
            const QPainterPath::Element e = path.elementAt(i);
            if (e.isMoveTo()) {
                d += QStringLiteral("M%1 %2").arg(number(e.x), number(e.y));
            } else if (e.isLineTo()) {
                d += QStringLiteral("L%1 %2").arg(number(e.x), number(e.y));
            } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
                const QPainterPath::Element c2 = path.elementAt(i + 1);
                const QPainterPath::Element end = path.elementAt(i + 2);
                d += QStringLiteral("C%1 %2 %3 %4 %5 %6")
                         .arg(number(e.x), number(e.y), number(c2.x), number(c2.y), number(end.x),
                              number(end.y));
                i += 2;
            }
        }
        const QString rule = path.fillRule() == Qt::OddEvenFill ? QStringLiteral("evenodd")
                                                                : QStringLiteral("nonzero");
        element(QStringLiteral("<path d=\"%1\" fill-rule=\"%2\"").arg(d, rule), true);
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        QString list;
        for (int i = 0; i < count; ++i)
            list +=
                number(points[i].x()) + QLatin1Char(',') + number(points[i].y()) + QLatin1Char(' ');
        if (mode == PolylineMode) {
            element(QStringLiteral("<polyline points=\"%1\"").arg(list), false);
        } else {
            const QString rule =
                mode == OddEvenMode ? QStringLiteral("evenodd") : QStringLiteral("nonzero");
            element(QStringLiteral("<polygon points=\"%1\" fill-rule=\"%2\"").arg(list, rule),
                    true);
        }
    }

    void drawPixmap(const QRectF& r, const QPixmap& pixmap, const QRectF& source) override {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        pixmap.copy(source.toAlignedRect()).save(&buffer, "PNG");
        m_body += QStringLiteral("<image x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\"%5 "
                                 "href=\"data:image/png;base64,%6\"/>\n")
                      .arg(number(r.x()), number(r.y()), number(r.width()), number(r.height()),
                           transformAttribute(), QString::fromLatin1(png.toBase64()));
    }

    void drawTextItem(const QPointF& p, const QTextItem& textItem) override {
        const QFont font = textItem.font();
        const qreal pixels =
            font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * 96.0 / 72.0;
        m_body +=
            QStringLiteral("<text x=\"%1\" y=\"%2\" font-family=\"%3\" font-size=\"%4\"%5"
                           "%6 fill=\"%7\"%8>%9</text>\n")
                .arg(number(p.x()), number(p.y()),
                     font.family().toHtmlEscaped() + QStringLiteral(", sans-serif"), number(pixels),
                     font.bold() ? QStringLiteral(" font-weight=\"bold\"") : QString(),
                     font.italic() ? QStringLiteral(" font-style=\"italic\"") : QString(),
                     colorText(m_pen.color()),
                     opacityAttribute(m_pen.color(), "fill") + transformAttribute(),
                     textItem.text().toHtmlEscaped());
    }

    QString body() const { return m_body; }

private:
    QString transformAttribute() const {
        if (m_transform.isIdentity())
            return {};
        return QStringLiteral(" transform=\"matrix(%1 %2 %3 %4 %5 %6)\"")
            .arg(number(m_transform.m11()), number(m_transform.m12()), number(m_transform.m21()),
                 number(m_transform.m22()), number(m_transform.dx()), number(m_transform.dy()));
    }

    QString opacityAttribute(const QColor& color, const char* what) const {
        const qreal alpha = color.alphaF() * m_opacity;
        if (alpha >= 1.0)
            return {};
        return QStringLiteral(" %1-opacity=\"%2\"").arg(QLatin1String(what), number(alpha));
    }

    // The colour a brush fills with: its own, or the first stop of a gradient.
    static std::optional<QColor> fillColor(const QBrush& brush) {
        if (brush.style() == Qt::NoBrush)
            return std::nullopt;
        if (const QGradient* gradient = brush.gradient(); gradient && !gradient->stops().isEmpty())
            return gradient->stops().constFirst().second;
        return brush.color();
    }

    void element(const QString& start, bool filled) {
        QString style;
        const std::optional<QColor> fill = filled ? fillColor(m_brush) : std::nullopt;
        if (fill)
            style += QStringLiteral(" fill=\"%1\"").arg(colorText(*fill)) +
                     opacityAttribute(*fill, "fill");
        else
            style += QStringLiteral(" fill=\"none\"");
        if (m_pen.style() == Qt::NoPen) {
            style += QStringLiteral(" stroke=\"none\"");
        } else {
            style += QStringLiteral(" stroke=\"%1\" stroke-width=\"%2\"")
                         .arg(colorText(m_pen.color()), number(qMax<qreal>(m_pen.widthF(), 1)));
            style += opacityAttribute(m_pen.color(), "stroke");
            if (m_pen.isCosmetic())
                style += QStringLiteral(" vector-effect=\"non-scaling-stroke\"");
            if (m_pen.style() == Qt::DashLine)
                style += QStringLiteral(" stroke-dasharray=\"4,2\"");
            else if (m_pen.style() == Qt::DotLine)
                style += QStringLiteral(" stroke-dasharray=\"1,2\"");
        }
        m_body += start + style + transformAttribute() + QStringLiteral("/>\n");
    }

    QString m_body;
    QPen m_pen;
    QBrush m_brush;
    QTransform m_transform;
    QFont m_font;
    qreal m_opacity = 1.0;
};

SvgPicture::SvgPicture(const QSize& size)
    : m_size(size)
    , m_engine(std::make_unique<SvgPaintEngine>()) {}

SvgPicture::~SvgPicture() = default;

QPaintEngine* SvgPicture::paintEngine() const {
    return m_engine.get();
}

QByteArray SvgPicture::svg() const {
    const QString head = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                        "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" "
                                        "width=\"%1\" height=\"%2\" viewBox=\"0 0 %1 %2\">\n")
                             .arg(m_size.width())
                             .arg(m_size.height());
    return (head + m_engine->body() + QStringLiteral("</svg>\n")).toUtf8();
}

int SvgPicture::metric(PaintDeviceMetric metric) const {
    switch (metric) {
    case PdmWidth:
        return m_size.width();
    case PdmHeight:
        return m_size.height();
    case PdmWidthMM:
        return qRound(m_size.width() * 25.4 / 96);
    case PdmHeightMM:
        return qRound(m_size.height() * 25.4 / 96);
    case PdmNumColors:
        return 0x7fffffff;
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return 96;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}
