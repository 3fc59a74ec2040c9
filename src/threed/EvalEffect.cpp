#include "threed/EvalEffect.h"

#include <GL/gl.h>

#include <QCheckBox>
#include <QWidget>

#include "threed/GeometrySink.h"
#include "threed/Texture2D.h"
#include "workbench/ColorWell.h"
#include "workbench/FloatSlider.h"

namespace threed {

namespace {
const QString kRotationKey = QStringLiteral("objectRotation");
const QString kBorderColorKey = QStringLiteral("borderColor");
const QString kBorderSizeKey = QStringLiteral("borderSize");
const QString kPolygonFilledKey = QStringLiteral("polygonFilled");
const QString kPointKey = QStringLiteral("point2");
const QString kDecalKey = QStringLiteral("decal");
const QString kDecalColorKey = QStringLiteral("decalColor");

bool isTextureMode(float mode) {
    return mode == EvalEffect::kModulate || mode == EvalEffect::kDecal;
}
}  // namespace

// Six control points (x, y, z, w), u-major: the first curve (u = 0) at z = 0.5 and the second
// (u = 1) at z = -0.5, each bulging at its middle point.
const EvalEffect::Points EvalEffect::kDefaultPoints = {
    -0.5, -0.5, 0.5,  1, 0,   0.6,  0.5,  1, 0.5, -0.5, 0.5,  1,
    -0.5, 0.5,  -0.5, 1, 0.0, -0.6, -0.5, 1, 0.5, 0.5,  -0.5, 1,
};

EvalEffect::EvalEffect() = default;

void EvalEffect::awakeFromNib() {
    setName(kName);
    setTips(kTips);
}

std::unique_ptr<effects::BaseEffect> EvalEffect::newInstance() const {
    return std::make_unique<EvalEffect>();
}

std::unique_ptr<effects::BaseEffect> EvalEffect::mycopy() const {
    std::unique_ptr<effects::BaseEffect> copy = copyWithZone();
    auto* e = static_cast<EvalEffect*>(copy.get());
    e->setRotation(m_objectRotation);
    e->setFilledMode(m_polygonFilled);
    e->setPoints2(m_point2);
    e->setDecalMode(m_decal);
    e->setDecalColor(m_decalColor);
    // Never drawn, but stored: a favourite copied and saved again keeps them.
    e->m_borderColor = m_borderColor;
    e->m_borderSize = m_borderSize;
    return copy;
}

void EvalEffect::setPoints2(const Points& points) {
    m_point2 = points;
    needsSetUp();
}

void EvalEffect::setDecalMode(float mode) {
    if (!isTextureMode(mode)) return;
    m_decal = mode;
    needsSetUp();
}

effects::EffectSettings EvalEffect::save() const {
    effects::EffectSettings d = BaseEffect::save();
    saveRotation(d, kRotationKey);
    for (int i = 0; i < 4; ++i) d.insert(kBorderColorKey + QString::number(i), m_borderColor[i]);
    d.insert(kBorderSizeKey, m_borderSize);
    d.insert(kPolygonFilledKey, int32_t(m_polygonFilled));
    for (int i = 0; i < 24; ++i) d.insert(kPointKey + QString::number(i), float(m_point2[i]));
    d.insert(kDecalKey, m_decal);
    for (int i = 0; i < 3; ++i) d.insert(kDecalColorKey + QString::number(i), m_decalColor[i]);
    return d;
}

void EvalEffect::read(const effects::EffectSettings& d) {
    BaseEffect::read(d);
    readRotation(d, kRotationKey);
    for (int i = 0; i < 4; ++i)
        readFloat(d, kBorderColorKey + QString::number(i), m_borderColor[i]);
    readInt(d, kBorderSizeKey, m_borderSize);
    int32_t filled = int32_t(m_polygonFilled);
    readInt(d, kPolygonFilledKey, filled);
    m_polygonFilled = uint32_t(filled);
    for (int i = 0; i < 24; ++i) {
        float v = float(m_point2[i]);
        readFloat(d, kPointKey + QString::number(i), v);
        // Unchanged values stay exact: only a stored one is narrowed to its stored precision.
        if (v != float(m_point2[i])) m_point2[i] = v;
    }
    float mode = m_decal;
    readFloat(d, kDecalKey, mode);
    setDecalMode(mode);
    for (int i = 0; i < 3; ++i) readFloat(d, kDecalColorKey + QString::number(i), m_decalColor[i]);
    needsSetUp();
}

// ---------------------------------------------------------------- drawing

void EvalEffect::evalInit() {
    glFrontFace(GL_CW);
    glEnable(GL_DEPTH_TEST);
    glMap2d(GL_MAP2_VERTEX_4, 0, 1, 12, 2, 0, 1, 4, 3, m_point2.data());
    // Texture s follows u and t follows v.
    static const GLdouble kTexturePoints[] = {0, 0, 0, 1, 1, 0, 1, 1};
    glMap2d(GL_MAP2_TEXTURE_COORD_2, 0, 1, 4, 2, 0, 1, 2, 2, kTexturePoints);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, m_decal);
}

void EvalEffect::render() {
    GLSink sink;
    evalDraw(sink);
}

void EvalEffect::evalDraw(GeometrySink& sink) {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    emitRotation(sink);
    RenderEval(sink);
    glPopMatrix();
    glFlush();
}

void EvalEffect::emitRotation(GeometrySink& sink) const {
    sink.rotate(m_objectRotation[1] * 0.5f, 1, 0, 0);
    sink.rotate(m_objectRotation[0] * 0.5f, 0, 1, 0);
}

void EvalEffect::RenderEval(GeometrySink& sink) {
    if (!m_texture) return;
    m_texture->bind();
    // The surface samples its picture by nearest texels, repeated beyond its edges.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_MAP2_TEXTURE_COORD_2);
    glEnable(GL_MAP2_VERTEX_4);
    glPolygonMode(GL_FRONT_AND_BACK, m_polygonFilled ? GL_FILL : GL_LINE);
    glShadeModel(GL_SMOOTH);
    // Under transparent parts of the picture, unless the tint below replaces it.
    glColor4f(1, 1, 1, 1);
    DrawMapEval2dv(kStepU, kStepV, sink);
    glDisable(GL_MAP2_TEXTURE_COORD_2);
    glDisable(GL_MAP2_VERTEX_4);
    glDisable(GL_TEXTURE_2D);
}

void EvalEffect::DrawMapEval2dv(float du, float dv, GeometrySink& sink) const {
    if (m_decal == kModulate) sink.color(m_decalColor[0], m_decalColor[1], m_decalColor[2]);
    float v = 0;
    do {
        const float next = v + dv;
        const float top = next < 1 ? next : 1;
        sink.begin(GeometrySink::QuadStrip);
        for (float u = 0; u <= 1; u += du) {
            sink.evalCoord(u, v);
            sink.evalCoord(u, top);
        }
        sink.evalCoord(1, v);
        sink.evalCoord(1, top);
        sink.end();
        v = next;
    } while (v < 1);
}

// ---------------------------------------------------------------- controls

void EvalEffect::setUpControlsView() {
    buildControls([this](QWidget* host) {
        auto slider = [&](const QString& label, int y, double lo, double hi, int index,
                          void (EvalEffect::*action)(workbench::FloatSlider*)) {
            addLabel(host, label, QRect(10, y, 80, 16));
            auto* s = new workbench::FloatSlider(host);
            s->setMinValue(lo);
            s->setMaxValue(hi);
            s->setFloatValue(m_point2[index]);
            place(host, s, QRect(100, y, 170, 16));
            QObject::connect(s, &workbench::FloatSlider::moved, s,
                             [this, s, action] { (this->*action)(s); });
            return s;
        };
        m_firstSlider = slider(QStringLiteral("First Curve:"), 193, -1.2, 1.0, kFirstCurve,
                               &EvalEffect::changepoint5);
        m_secondSlider = slider(QStringLiteral("Second Curve:"), 173, -1.0, 1.2, kSecondCurve,
                                &EvalEffect::changepoint17);

        addLabel(host, QStringLiteral("Filled Poly:"), QRect(10, 153, 80, 16));
        m_filledBox = new QCheckBox(host);
        m_filledBox->setChecked(m_polygonFilled != 0);
        place(host, m_filledBox, QRect(100, 153, 16, 16));
        QCheckBox* filled = m_filledBox;
        QObject::connect(filled, &QCheckBox::clicked, filled,
                         [this, filled] { changepoligonFilled(filled); });

        addLabel(host, QStringLiteral("Colored Light:"), QRect(10, 133, 80, 16));
        m_decalBox = new QCheckBox(host);
        m_decalBox->setChecked(m_decal != kDecal);
        place(host, m_decalBox, QRect(100, 133, 16, 16));
        QCheckBox* decal = m_decalBox;
        QObject::connect(decal, &QCheckBox::clicked, decal, [this, decal] { changeDecal(decal); });

        m_colorWell = new workbench::ColorWell(host);
        m_colorWell->setColor(QColor::fromRgbF(m_decalColor[0], m_decalColor[1], m_decalColor[2]));
        place(host, m_colorWell, QRect(126, 130, 44, 23));
        workbench::ColorWell* well = m_colorWell;
        QObject::connect(well, &workbench::ColorWell::colorChanged, well,
                         [this, well] { changeDecalColor(well); });
    });
}

void EvalEffect::changePoint(int index, workbench::FloatSlider* sender) {
    const double old = m_point2[index];
    registerUndo([this, old, index, s = QPointer(sender)] { setPointsIdxSender(old, index, s); });
    m_point2[index] = sender->floatValue();
    needsSetUp();
    postUpdateOpenGLView();
}

void EvalEffect::changepoint5(workbench::FloatSlider* sender) {
    changePoint(kFirstCurve, sender);
}

void EvalEffect::changepoint17(workbench::FloatSlider* sender) {
    changePoint(kSecondCurve, sender);
}

void EvalEffect::setPointsIdxSender(double value, int index, workbench::FloatSlider* sender) {
    if (index < 0 || index >= int(m_point2.size())) return;
    const double current = m_point2[index];
    registerUndo(
        [this, current, index, s = QPointer(sender)] { setPointsIdxSender(current, index, s); });
    if (sender) sender->setFloatValue(value);
    m_point2[index] = value;
    // The map holds the points as they were when it was set up.
    needsSetUp();
    postUpdateOpenGLView();
}

void EvalEffect::changepoligonFilled(QCheckBox* sender) {
    const bool old = m_polygonFilled != 0;
    registerUndo([this, old, s = QPointer(sender)] { setpolygonFilledSender(old, s); });
    m_polygonFilled = sender->isChecked() ? 1 : 0;
    postUpdateOpenGLView();
}

void EvalEffect::setpolygonFilledSender(bool filled, QCheckBox* sender) {
    const bool current = m_polygonFilled != 0;
    registerUndo([this, current, s = QPointer(sender)] { setpolygonFilledSender(current, s); });
    if (sender) sender->setChecked(filled);
    m_polygonFilled = filled ? 1 : 0;
    postUpdateOpenGLView();
}

void EvalEffect::changeDecal(QCheckBox* sender) {
    const float old = m_decal;
    registerUndo([this, old, s = QPointer(sender)] { changeM_DecalSender(old, s); });
    setDecalMode(sender->isChecked() ? kModulate : kDecal);
    postUpdateOpenGLView();
}

void EvalEffect::changeM_DecalSender(float mode, QCheckBox* sender) {
    const float current = m_decal;
    registerUndo([this, current, s = QPointer(sender)] { changeM_DecalSender(current, s); });
    if (sender) sender->setChecked(mode == kModulate);
    setDecalMode(mode == kModulate ? kModulate : kDecal);
    postUpdateOpenGLView();
}

void EvalEffect::changeDecalColor(workbench::ColorWell* sender) {
    const QColor old = QColor::fromRgbF(m_decalColor[0], m_decalColor[1], m_decalColor[2]);
    registerUndo([this, old, s = QPointer(sender)] { setDecalColorSender(old, s); });
    const QColor c = sender->color().toRgb();
    m_decalColor = {float(c.redF()), float(c.greenF()), float(c.blueF())};
    postUpdateOpenGLView();
}

void EvalEffect::setDecalColorSender(const QColor& color, workbench::ColorWell* sender) {
    const QColor current = QColor::fromRgbF(m_decalColor[0], m_decalColor[1], m_decalColor[2]);
    registerUndo([this, current, s = QPointer(sender)] { setDecalColorSender(current, s); });
    const QColor c = color.toRgb();
    if (sender) sender->setColor(c);
    m_decalColor = {float(c.redF()), float(c.greenF()), float(c.blueF())};
    postUpdateOpenGLView();
}

}  // namespace threed
