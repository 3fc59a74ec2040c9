#include "threed/ObjectEffect.h"

#include <GL/gl.h>

#include <QComboBox>
#include <QWidget>
#include <cmath>
#include <numbers>

#include "threed/GeometrySink.h"
#include "threed/Texture2D.h"

namespace threed {

namespace {
const QString kRotationKey = QStringLiteral("objectRotationEFF");
const QString kDrawObjKey = QStringLiteral("drawObj");
constexpr double kPi = std::numbers::pi;
}  // namespace

const QStringList& ObjectEffect::objectTypeTitles() {
    static const QStringList titles = {QStringLiteral("Sphere"), QStringLiteral("Cylinder"),
                                       QStringLiteral("Torus"),  QStringLiteral("Cube"),
                                       QStringLiteral("Cone"),   QStringLiteral("Pyramid"),
                                       QStringLiteral("Disk")};
    return titles;
}

void ObjectEffect::awakeFromNib() {
    setName(kName);
    setTips(kTips);
}

std::unique_ptr<effects::BaseEffect> ObjectEffect::newInstance() const {
    return std::make_unique<ObjectEffect>();
}

std::unique_ptr<effects::BaseEffect> ObjectEffect::mycopy() const {
    std::unique_ptr<effects::BaseEffect> copy = copyWithZone();
    auto* e = static_cast<ObjectEffect*>(copy.get());
    e->setRotation(m_objectRotationEFF);
    e->setObjectMode(m_drawObj);
    return copy;
}

effects::EffectSettings ObjectEffect::save() const {
    effects::EffectSettings d = BaseEffect::save();
    saveRotation(d, kRotationKey);
    d.insert(kDrawObjKey, m_drawObj);
    return d;
}

void ObjectEffect::read(const effects::EffectSettings& d) {
    BaseEffect::read(d);
    readRotation(d, kRotationKey);
    readInt(d, kDrawObjKey, m_drawObj);
}

// ---------------------------------------------------------------- drawing

void ObjectEffect::objectsInit() {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
}

void ObjectEffect::render() {
    // The push and the pop below must meet on the same stack, whatever mode was left selected.
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    objectsDraw();
    glPopMatrix();
    glFlush();
}

void ObjectEffect::objectsDraw() {
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    redraw();
    glPopMatrix();
    glFlush();
    glLoadIdentity();
}

void ObjectEffect::redraw() {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!m_texture) return;
    m_texture->bind();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CW);
    glDepthMask(GL_TRUE);
    glEnable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    glColor4f(1, 1, 1, 1);  // under transparent parts of the picture
    GLSink sink;
    emitObject(sink);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
}

void ObjectEffect::emitObject(GeometrySink& sink) const {
    sink.pushMatrix();
    sink.rotate(-0.5f * m_objectRotationEFF[1], 1, 0, 0);
    sink.rotate(-0.5f * m_objectRotationEFF[0], 0, 1, 0);
    drawShape(m_drawObj, sink);
    sink.popMatrix();
}

void ObjectEffect::drawShape(int32_t type, GeometrySink& s) {
    switch (type) {
        case Sphere:
            drawSphereNumMinorRadius(s, 64, 64, 0.8f);
            break;
        case Cylinder:
            drawCylinderNumMinorHeightRadius(s, 32, 64, 1.0f, 0.4f);
            break;
        case Torus:
            drawTorusNumMinorMajorRadiusMinorRadius(s, 64, 64, 0.6f, 0.2f);
            break;
        case Cube:
            drawCube(s);
            break;
        case Cone:
            drawCone(s);
            break;
        case Pyramid:
            drawPyramid(s);
            break;
        case Disk:
            drawDisk(s);
            break;
        default:
            break;  // a stored type this program does not know draws nothing
    }
}

void ObjectEffect::drawSphereNumMinorRadius(GeometrySink& s, int numMajor, int numMinor, float r) {
    const double majorStep = kPi / numMajor, minorStep = 2 * kPi / numMinor;
    for (int i = 0; i < numMajor; ++i) {
        const double a = i * majorStep, b = a + majorStep;
        const double r0 = r * std::sin(a), r1 = r * std::sin(b);
        const double z0 = r * std::cos(a), z1 = r * std::cos(b);
        s.begin(GeometrySink::TriangleStrip);
        for (int j = 0; j <= numMinor; ++j) {
            const double c = j * minorStep;
            const double x = std::cos(c), y = std::sin(c);
            s.normal(float(x * r0 / r), float(y * r0 / r), float(z0 / r));
            s.texCoord(float(j) / numMinor, float(i) / numMajor);
            s.vertex(float(x * r0), float(y * r0), float(z0));
            s.normal(float(x * r1 / r), float(y * r1 / r), float(z1 / r));
            s.texCoord(float(j) / numMinor, float(i + 1) / numMajor);
            s.vertex(float(x * r1), float(y * r1), float(z1));
        }
        s.end();
    }
}

void ObjectEffect::drawCylinderNumMinorHeightRadius(GeometrySink& s, int numMajor, int numMinor,
                                                    float height, float radius) {
    const double majorStep = double(height) / numMajor, minorStep = 2 * kPi / numMinor;
    for (int i = 0; i < numMajor; ++i) {
        const double z0 = 0.5 * height - i * majorStep, z1 = z0 - majorStep;
        s.begin(GeometrySink::TriangleStrip);
        for (int j = 0; j <= numMinor; ++j) {
            const double a = j * minorStep;
            const double x = radius * std::cos(a), y = radius * std::sin(a);
            s.normal(float(x / radius), float(y / radius), 0);
            s.texCoord(float(j) / numMinor, float(i) / numMajor);
            s.vertex(float(x), float(y), float(z0));
            s.normal(float(x / radius), float(y / radius), 0);
            s.texCoord(float(j) / numMinor, float(i + 1) / numMajor);
            s.vertex(float(x), float(y), float(z1));
        }
        s.end();
    }
}

void ObjectEffect::drawTorusNumMinorMajorRadiusMinorRadius(GeometrySink& s, int numMajor,
                                                           int numMinor, float majorRadius,
                                                           float minorRadius) {
    const double majorStep = 2 * kPi / numMajor, minorStep = 2 * kPi / numMinor;
    for (int i = 0; i < numMajor; ++i) {
        const double a0 = i * majorStep, a1 = a0 + majorStep;
        const double x0 = std::cos(a0), y0 = std::sin(a0), x1 = std::cos(a1), y1 = std::sin(a1);
        s.begin(GeometrySink::TriangleStrip);
        for (int j = 0; j <= numMinor; ++j) {
            const double b = j * minorStep, c = std::cos(b);
            const double rho = minorRadius * c + majorRadius, z = minorRadius * std::sin(b);
            s.normal(float(x0 * c), float(y0 * c), float(z / minorRadius));
            s.texCoord(float(i) / numMajor, float(j) / numMinor);
            s.vertex(float(x0 * rho), float(y0 * rho), float(z));
            s.normal(float(x1 * c), float(y1 * c), float(z / minorRadius));
            s.texCoord(float(i + 1) / numMajor, float(j) / numMinor);
            s.vertex(float(x1 * rho), float(y1 * rho), float(z));
        }
        s.end();
    }
}

void ObjectEffect::drawCube(GeometrySink& s) {
    s.pushMatrix();
    DrawCubeFace(s, 1);
    for (int i = 0; i < 3; ++i) {
        s.rotate(90, 1, 0, 0);
        DrawCubeFace(s, 1);
    }
    s.rotate(90, 0, 1, 0);
    DrawCubeFace(s, 1);
    s.rotate(180, 0, 1, 0);
    DrawCubeFace(s, 1);
    s.popMatrix();
}

void ObjectEffect::DrawCubeFace(GeometrySink& s, float size) {
    const float h = size / 2;
    s.begin(GeometrySink::Quads);
    s.texCoord(0, 0);
    s.vertex(-h, -h, h);
    s.texCoord(1, 0);
    s.vertex(h, -h, h);
    s.texCoord(1, 1);
    s.vertex(h, h, h);
    s.texCoord(0, 1);
    s.vertex(-h, h, h);
    s.end();
}

void ObjectEffect::drawCone(GeometrySink& s) {
    s.cylinder(0.6, 0, 1, 20, 20);
}

void ObjectEffect::drawPyramid(GeometrySink& s) {
    constexpr float e = 0.6f;
    // The base corners of each side as (x, z), going round.
    static const float kSides[4][4] = {
        {-e, e, e, e}, {e, e, e, -e}, {e, -e, -e, -e}, {-e, -e, -e, e}};
    s.begin(GeometrySink::Triangles);
    for (const auto& side : kSides) {
        s.texCoord(0.5f, 1);
        s.vertex(0, e, 0);
        s.texCoord(0, 0);
        s.vertex(side[0], -e, side[1]);
        s.texCoord(1, 0);
        s.vertex(side[2], -e, side[3]);
    }
    s.end();
    s.begin(GeometrySink::Quads);
    s.texCoord(0, 0);
    s.vertex(-e, -e, -e);
    s.texCoord(1, 0);
    s.vertex(e, -e, -e);
    s.texCoord(1, 1);
    s.vertex(e, -e, e);
    s.texCoord(0, 1);
    s.vertex(-e, -e, e);
    s.end();
}

void ObjectEffect::drawDisk(GeometrySink& s) {
    s.disk(0.2, 1, 100, 20);
}

// ---------------------------------------------------------------- controls

void ObjectEffect::setUpControlsView() {
    buildControls([this](QWidget* host) {
        addLabel(host, QStringLiteral("Object type:"), QRect(10, 193, 80, 16));
        m_popup = new QComboBox(host);
        m_popup->addItems(objectTypeTitles());
        m_popup->setCurrentIndex(m_drawObj >= 0 && m_drawObj < ShapeCount ? m_drawObj : -1);
        place(host, m_popup, QRect(100, 190, 120, 22));
        QComboBox* popup = m_popup;
        QObject::connect(popup, &QComboBox::activated, popup,
                         [this, popup] { changeObjectType(popup); });
    });
}

void ObjectEffect::changeObjectType(QComboBox* sender) {
    const int32_t old = m_drawObj;
    registerUndo([this, old, s = QPointer(sender)] { setObjectPopupSender(old, s); });
    m_drawObj = sender->currentIndex();
    postUpdateOpenGLView();
}

void ObjectEffect::setObjectPopupSender(int32_t type, QComboBox* sender) {
    const int32_t current = m_drawObj;
    registerUndo([this, current, s = QPointer(sender)] { setObjectPopupSender(current, s); });
    if (sender) sender->setCurrentIndex(type >= 0 && type < ShapeCount ? type : -1);
    m_drawObj = type;
    postUpdateOpenGLView();
}

}  // namespace threed
