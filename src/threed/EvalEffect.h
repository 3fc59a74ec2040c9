#pragma once
// The picture on a curved surface that the user bends and turns: a Bezier patch of OpenGL
// evaluators, linear across and quadratic along, spanned between two curves whose middle
// heights the two sliders set. The picture is shown as it is (decal) or multiplied by a colour,
// on a filled surface or a wire mesh.

#include <QCheckBox>
#include <QColor>
#include <QPointer>
#include <array>
#include <cstdint>

#include "threed/ThreeDEffect.h"
#include "workbench/ColorWell.h"
#include "workbench/FloatSlider.h"

namespace threed {

class EvalEffect : public ThreeDEffect {
  public:
    static inline const QString kClassName = QStringLiteral("EvalEffect");
    static inline const QString kName = QStringLiteral("Surface Rotate");
    static inline const QString kTips = QStringLiteral("3D Surface Rotate");

    // Texture environment modes, as the settings store them.
    static constexpr float kModulate = 8448;  // GL_MODULATE
    static constexpr float kDecal = 8449;     // GL_DECAL
    // The evaluator steps: 20 columns and 30 rows of quads.
    static constexpr float kStepU = 0.05f;
    static constexpr float kStepV = 0.033333335f;
    // The values of m_point2 the two sliders edit: the middle heights of the two curves.
    static constexpr int kFirstCurve = 5;
    static constexpr int kSecondCurve = 17;

    using Points = std::array<double, 24>;
    static const Points kDefaultPoints;

    EvalEffect();
    // Gives a prototype its list name and tips.
    void awakeFromNib();

    QString className() const override { return kClassName; }
    effects::EffectSettings save() const override;
    void read(const effects::EffectSettings& settings) override;
    std::unique_ptr<effects::BaseEffect> mycopy() const override;
    void setUpControlsView() override;

    // Plain setters.
    void setFilledMode(uint32_t filled) { m_polygonFilled = filled; }
    void setPoints2(const Points& points);
    void setDecalMode(float mode);
    void setDecalColor(const std::array<float, 3>& color) { m_decalColor = color; }

    uint32_t filledMode() const { return m_polygonFilled; }
    const Points& points2() const { return m_point2; }
    float decalMode() const { return m_decal; }
    const std::array<float, 3>& decalColor() const { return m_decalColor; }
    const std::array<float, 4>& borderColor() const { return m_borderColor; }
    int32_t borderSize() const { return m_borderSize; }

    // OpenGL set-up of the surface: faces, depth, the evaluator maps, the texture mode.
    void evalInit();
    // The surface with the picture, filled or as lines; nothing without a texture.
    void RenderEval(GeometrySink& sink);
    // The quad strips of the evaluated surface at steps du and dv (single precision).
    void DrawMapEval2dv(float du, float dv, GeometrySink& sink) const;
    // Clears the frame and draws the turned surface.
    void evalDraw(GeometrySink& sink);
    // The mouse rotation as model-view turns.
    void emitRotation(GeometrySink& sink) const;

    // Control actions; each records its undo partner first, and the change redraws.
    void changepoint5(workbench::FloatSlider* sender);
    void changepoint17(workbench::FloatSlider* sender);
    void changepoligonFilled(QCheckBox* sender);
    void changeDecal(QCheckBox* sender);
    void changeDecalColor(workbench::ColorWell* sender);
    // Undo partners: each records its own undo, then sets the field and the control.
    void setPointsIdxSender(double value, int index, workbench::FloatSlider* sender);
    void setpolygonFilledSender(bool filled, QCheckBox* sender);
    void changeM_DecalSender(float mode, QCheckBox* sender);
    void setDecalColorSender(const QColor& color, workbench::ColorWell* sender);

    // The controls while they are shown.
    workbench::FloatSlider* firstCurveSlider() const { return m_firstSlider; }
    workbench::FloatSlider* secondCurveSlider() const { return m_secondSlider; }
    QCheckBox* filledBox() const { return m_filledBox; }
    QCheckBox* decalBox() const { return m_decalBox; }
    workbench::ColorWell* decalColorWell() const { return m_colorWell; }

  protected:
    std::unique_ptr<effects::BaseEffect> newInstance() const override;
    void setUpGL() override { evalInit(); }
    void render() override;
    std::array<float, 4>& rotationField() override { return m_objectRotation; }

  private:
    void changePoint(int index, workbench::FloatSlider* sender);
    // The maps and the texture mode are captured by evalInit: have it run again.
    void needsSetUp() { wasInit = false; }

    std::array<float, 4> m_objectRotation{90, -45, 0, 0};
    std::array<float, 4> m_borderColor{1, 1, 1, 1};
    int32_t m_borderSize = 4;
    uint32_t m_polygonFilled = 1;
    Points m_point2 = kDefaultPoints;
    float m_decal = kDecal;
    std::array<float, 3> m_decalColor{1, 0, 0};

    QPointer<workbench::FloatSlider> m_firstSlider, m_secondSlider;
    QPointer<QCheckBox> m_filledBox, m_decalBox;
    QPointer<workbench::ColorWell> m_colorWell;
};

}  // namespace threed
