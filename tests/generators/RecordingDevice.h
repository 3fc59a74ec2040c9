#pragma once
// A paint device that draws nothing and records every shape painted on it: its outline in
// device coordinates, whether it was filled or stroked, in which colour and how wide.

#include <QList>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPen>
#include <QTransform>
#include <vector>

struct RecordedShape {
    QPainterPath path;  // in device coordinates
    QTransform transform;
    bool filled = false, stroked = false;
    QColor colour;  // of the brush when filled, else of the pen
    double width = 0;
};

class RecordingEngine : public QPaintEngine {
  public:
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }
    void updateState(const QPaintEngineState& s) override {
        if (s.state() & DirtyTransform) m_transform = s.transform();
        if (s.state() & DirtyBrush) m_brush = s.brush();
        if (s.state() & DirtyPen) m_pen = s.pen();
    }
    void drawPath(const QPainterPath& path) override {
        RecordedShape r;
        r.path = m_transform.map(path);
        r.transform = m_transform;
        r.filled = m_brush.style() != Qt::NoBrush;
        r.stroked = m_pen.style() != Qt::NoPen;
        r.colour = r.filled ? m_brush.color() : m_pen.color();
        r.width = m_pen.widthF();
        shapes.push_back(r);
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        QPainterPath path;
        path.addPolygon(QPolygonF(QList<QPointF>(points, points + count)));
        if (mode != PolylineMode) path.closeSubpath();
        drawPath(path);
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { ++images; }
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {
        ++images;
    }

    std::vector<RecordedShape> shapes;
    int images = 0;

  private:
    QTransform m_transform;
    QBrush m_brush;
    QPen m_pen;
};

class RecordingDevice : public QPaintDevice {
  public:
    explicit RecordingDevice(QSize size) : m_size(size) {}
    QPaintEngine* paintEngine() const override { return &m_engine; }
    const std::vector<RecordedShape>& shapes() const { return m_engine.shapes; }
    int images() const { return m_engine.images; }

  protected:
    int metric(PaintDeviceMetric m) const override {
        if (m == PdmWidth) return m_size.width();
        if (m == PdmHeight) return m_size.height();
        if (m == PdmDepth) return 32;
        if (m == PdmDpiX || m == PdmDpiY || m == PdmPhysicalDpiX || m == PdmPhysicalDpiY) return 72;
        if (m == PdmDevicePixelRatioScaled) return int(devicePixelRatioFScale());
        return 1;
    }

  private:
    QSize m_size;
    mutable RecordingEngine m_engine;
};
