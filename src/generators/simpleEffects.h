#pragma once
// Random shapes of one of eight kinds scattered over the picture: translucent rectangles,
// circles, curved paths and triangles, alternately filled and stroked; flowers, balls, rays of
// lights, or a spiral tunnel of opaque turning squares. Kept as a drawing (GeneratedEffect): a
// few hundred shapes that cover a large picture many times over.

#include <QStringList>
#include <vector>

#include "generators/GeneratorFrame.h"

class QComboBox;

namespace generators {

class simpleEffects : public GeneratorFrame {
  public:
    static inline const QString kClassName = QStringLiteral("simpleEffects");
    static inline const QString kName = QStringLiteral("Simple Objects");
    static inline const QString kTips = QStringLiteral("Simple Objects Generator");
    static inline const QString kDrawObjKey = QStringLiteral("drawObj");
    static inline const QString kObjectCountKey = QStringLiteral("object_count");
    // The titles of the "Object type:" pop-up; the index is the object type.
    static inline const QStringList kObjectTypes = {
        QStringLiteral("Rects"),     QStringLiteral("Circles"),     QStringLiteral("Bezier Paths"),
        QStringLiteral("Triangles"), QStringLiteral("Flowers"),     QStringLiteral("Balls"),
        QStringLiteral("Lights"),    QStringLiteral("Spin Squares")};
    enum ObjectType { Rects, Circles, BezierPaths, Triangles, Flowers, Balls, Lights, SpinSquares };
    static constexpr int kMinCount = 10, kMaxCount = 200;

    simpleEffects();
    // Gives a prototype its list name and tips; a new object has the prototype's defaults.
    void awakeFromNib();

    QString className() const override { return kClassName; }

    int objectType() const { return m_drawObj; }
    int objectCount() const { return m_object_count; }
    // Plain setters used by copies.
    void setObjectMode(int type) { m_drawObj = type; }
    void seObjectCount(int count) { m_object_count = count; }

    void changeObjectType(QComboBox* sender);
    void setObjectTypeSender(int type, QWidget* sender);
    void changeObjectCount(QSlider* sender);
    void setChangObjCountSender(int count, QWidget* sender);
    // The frame's partners under this class's own names.
    void setBgColorSender(QColor c, QWidget* sender) { setchangeBgColorSender(c, sender); }
    void setUseBgImageSender(bool on, QWidget* sender) { setuseBgImageSender(on, sender); }
    void setChangOpacitySender(float o, QWidget* sender) { setchangeOpacitySender(o, sender); }

    // One shape of a drawing with all it is painted with; it builds its own path each time, so
    // that paintings on several threads share nothing.
    using Shape = std::function<void(QPainter&)>;
    using Shapes = std::vector<Shape>;

    // The shapes of the current type, their random values drawn now; a type outside the list
    // draws nothing.
    Drawing record(const QRectF& rect) override;
    // Draws a new set of the shapes at once.
    void drawMyself(QPainter& p, const QRectF& rect) override;
    // The eight routines, each adding the current count of its shapes in `rect`.
    void rectangles(Shapes& out, const QRectF& rect);
    void circles(Shapes& out, const QRectF& rect);
    void bezierPaths(Shapes& out, const QRectF& rect);
    void triangles(Shapes& out, const QRectF& rect);
    void flowers(Shapes& out, const QRectF& rect);
    void balls(Shapes& out, const QRectF& rect);
    void lights(Shapes& out, const QRectF& rect);
    void spinningSquares(Shapes& out, const QRectF& rect);

    effects::EffectSettings save() const override;
    void read(const effects::EffectSettings& d) override;
    std::unique_ptr<effects::BaseEffect> mycopy() const override;

  protected:
    void buildControls(QWidget* host) override;
    std::unique_ptr<effects::BaseEffect> newInstance() const override;

  private:
    int m_drawObj = Rects;
    int m_object_count = 30;
};

}  // namespace generators
