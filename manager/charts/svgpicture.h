// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QPaintDevice>
#include <QSize>

#include <memory>

class SvgPaintEngine;

// A paint device that records what is painted on it as an SVG document: paths, polygons and
// polylines with their pen and solid fill, text as text, pictures embedded as PNG. Gradient
// fills are written as their first colour and clipping is not kept, which charts never need.
class SvgPicture : public QPaintDevice {
public:
    explicit SvgPicture(const QSize& size);
    ~SvgPicture() override;

    QPaintEngine* paintEngine() const override;
    // The document, once the painter has ended.
    QByteArray svg() const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize m_size;
    std::unique_ptr<SvgPaintEngine> m_engine;
};
