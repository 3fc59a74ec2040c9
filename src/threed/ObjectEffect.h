#pragma once
// The picture wrapped once around a solid that the user turns with the mouse: a sphere,
// cylinder, torus, cube, cone, pyramid or disk.

#include <QComboBox>
#include <QPointer>
#include <QStringList>
#include <array>
#include <cstdint>

#include "threed/ThreeDEffect.h"

namespace threed {

class ObjectEffect : public ThreeDEffect {
  public:
    static inline const QString kClassName = QStringLiteral("ObjectEffect");
    static inline const QString kName = QStringLiteral("3D Objects");
    static inline const QString kTips = QStringLiteral("3D Objects Texuture");

    enum Shape { Sphere, Cylinder, Torus, Cube, Cone, Pyramid, Disk, ShapeCount };
    // The pop-up's items, in the order of the stored type.
    static const QStringList& objectTypeTitles();

    // Gives a prototype its list name and tips.
    void awakeFromNib();

    QString className() const override { return kClassName; }
    effects::EffectSettings save() const override;
    void read(const effects::EffectSettings& settings) override;
    std::unique_ptr<effects::BaseEffect> mycopy() const override;
    void setUpControlsView() override;

    void setObjectMode(int32_t type) { m_drawObj = type; }
    int32_t objectMode() const { return m_drawObj; }

    void objectsInit();
    // Clears the frame and draws the turned shape; only the clear without a texture.
    void objectsDraw();
    // The mouse rotation (in the opposite sense to the surface's) and the shape of `type`;
    // nothing for a type outside the table.
    void emitObject(GeometrySink& sink) const;
    static void drawShape(int32_t type, GeometrySink& sink);

    // The shapes, each spreading the picture once over it.
    static void drawSphereNumMinorRadius(GeometrySink& s, int numMajor, int numMinor, float r);
    static void drawCylinderNumMinorHeightRadius(GeometrySink& s, int numMajor, int numMinor,
                                                 float height, float radius);
    static void drawTorusNumMinorMajorRadiusMinorRadius(GeometrySink& s, int numMajor, int numMinor,
                                                        float majorRadius, float minorRadius);
    static void drawCube(GeometrySink& s);
    static void DrawCubeFace(GeometrySink& s, float size);
    static void drawCone(GeometrySink& s);
    static void drawPyramid(GeometrySink& s);
    static void drawDisk(GeometrySink& s);

    // The pop-up: records the undo partner, then takes the selected type.
    void changeObjectType(QComboBox* sender);
    void setObjectPopupSender(int32_t type, QComboBox* sender);
    QComboBox* objectTypePopup() const { return m_popup; }

  protected:
    std::unique_ptr<effects::BaseEffect> newInstance() const override;
    void setUpGL() override { objectsInit(); }
    void render() override;
    std::array<float, 4>& rotationField() override { return m_objectRotationEFF; }

  private:
    void redraw();

    std::array<float, 4> m_objectRotationEFF{0, 0, 0, 0};
    int32_t m_drawObj = Sphere;
    QPointer<QComboBox> m_popup;
};

}  // namespace threed
