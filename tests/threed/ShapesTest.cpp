// The geometry of the seven solids and of the evaluated surface, recorded without a GPU.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>

#include "RecordingSink.h"
#include "threed/EvalEffect.h"
#include "threed/ObjectEffect.h"

using threed::EvalEffect;
using threed::GeometrySink;
using threed::ObjectEffect;
using threed::test::RecordingSink;

namespace {

RecordingSink recordShape(int type) {
    RecordingSink rec;
    ObjectEffect::drawShape(type, rec);
    return rec;
}

// `strips` strips of `pairs` vertex pairs, every vertex `distance` 0 from the shape, unit
// normals, and the texture spread once over the whole shape.
void expectStrips(int type, size_t strips, size_t pairs,
                  const std::function<float(const QVector3D&)>& distance) {
    const RecordingSink rec = recordShape(type);
    ASSERT_EQ(rec.primitives.size(), strips) << type;
    EXPECT_TRUE(rec.balanced());
    QVector2D lo(1, 1), hi(0, 0);
    for (const auto& p : rec.primitives) {
        EXPECT_EQ(p.mode, GeometrySink::TriangleStrip);
        ASSERT_EQ(p.vertices.size(), 2 * pairs) << type;
        for (const auto& v : p.vertices) {
            EXPECT_NEAR(distance(v.position), 0, 1e-5) << type;
            EXPECT_NEAR(v.normal.length(), 1, 1e-5) << type;
            lo = QVector2D(std::min(lo.x(), v.tex.x()), std::min(lo.y(), v.tex.y()));
            hi = QVector2D(std::max(hi.x(), v.tex.x()), std::max(hi.y(), v.tex.y()));
        }
    }
    EXPECT_EQ(lo, QVector2D(0, 0)) << type;
    EXPECT_EQ(hi, QVector2D(1, 1)) << type;
}

}  // namespace

TEST(Shapes, SphereTorusAndCylinderStrips) {
    expectStrips(ObjectEffect::Sphere, 64, 65,
                 [](const QVector3D& p) { return p.length() - 0.8f; });
    expectStrips(ObjectEffect::Torus, 64, 65, [](const QVector3D& p) {
        return std::hypot(std::hypot(p.x(), p.y()) - 0.6f, p.z()) - 0.2f;
    });
    expectStrips(ObjectEffect::Cylinder, 32, 65,
                 [](const QVector3D& p) { return std::hypot(p.x(), p.y()) - 0.4f; });
    // The sphere runs from the pole at +z to the one at -z.
    const RecordingSink sphere = recordShape(ObjectEffect::Sphere);
    EXPECT_NEAR(sphere.primitives.front().vertices[0].position.z(), 0.8f, 1e-6);
    EXPECT_NEAR(sphere.primitives.back().vertices[1].position.z(), -0.8f, 1e-6);
}

TEST(Shapes, EveryCubeFaceShowsTheWholePicture) {
    const RecordingSink rec = recordShape(ObjectEffect::Cube);
    ASSERT_EQ(rec.primitives.size(), 6u);
    EXPECT_TRUE(rec.balanced());
    std::set<std::tuple<long, long, long>> sides;
    const QVector2D corners[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const auto& face : rec.primitives) {
        ASSERT_EQ(face.vertices.size(), 4u);
        QVector3D centre;
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(face.vertices[i].tex, corners[i]);
            centre += face.vertices[i].position / 4;
        }
        EXPECT_NEAR(centre.length(), 0.5f, 1e-6);  // on one side of the unit cube
        sides.insert({std::lround(centre.x() * 2), std::lround(centre.y() * 2),
                      std::lround(centre.z() * 2)});
    }
    EXPECT_EQ(sides.size(), 6u);  // six different sides: the cube is closed
}

TEST(Shapes, PyramidSidesGoRoundAndUnknownTypesDrawNothing) {
    const RecordingSink pyramid = recordShape(ObjectEffect::Pyramid);
    ASSERT_EQ(pyramid.primitives.size(), 2u);
    const auto& sides = pyramid.primitives[0].vertices;
    ASSERT_EQ(sides.size(), 12u);
    for (size_t i = 0; i < 12; i += 3) {
        EXPECT_EQ(sides[i].position, QVector3D(0, 0.6f, 0));
        EXPECT_EQ(sides[i].tex, QVector2D(0.5f, 1));
        // Each side starts where the one before ended.
        EXPECT_EQ(sides[i + 1].position, sides[(i + 11) % 12].position);
    }
    EXPECT_EQ(pyramid.primitives[1].mode, GeometrySink::Quads);

    for (int type : {-1, 7, 1000}) EXPECT_TRUE(recordShape(type).empty()) << type;
    for (int type : {ObjectEffect::Cone, ObjectEffect::Disk})
        EXPECT_EQ(recordShape(type).quadrics.size(), 1u) << type;
}

TEST(Surface, ThirtyStripsOfTwentyOneColumnsEndingExactlyAtTheEdges) {
    EvalEffect surface;
    RecordingSink rec;
    surface.DrawMapEval2dv(EvalEffect::kStepU, EvalEffect::kStepV, rec);
    ASSERT_EQ(rec.primitives.size(), 30u);
    EXPECT_TRUE(rec.balanced());
    float lastTop = 0;
    for (size_t k = 0; k < rec.primitives.size(); ++k) {
        const auto& strip = rec.primitives[k];
        EXPECT_EQ(strip.mode, GeometrySink::QuadStrip);
        ASSERT_EQ(strip.evalPoints.size(), 42u) << k;  // u = 0, 0.05, ..., 0.95 and 1, twice
        EXPECT_EQ(strip.evalPoints[0], QVector2D(0, lastTop));  // no gap between strips
        EXPECT_NEAR(strip.evalPoints[38].x(), 0.95f, 1e-5);
        EXPECT_EQ(strip.evalPoints[40].x(), 1);
        lastTop = strip.evalPoints[1].y();
    }
    EXPECT_EQ(lastTop, 1);
    EXPECT_TRUE(rec.colors.empty());  // the picture as it is: no tint
    surface.setDecalMode(EvalEffect::kModulate);
    RecordingSink tinted;
    surface.DrawMapEval2dv(EvalEffect::kStepU, EvalEffect::kStepV, tinted);
    EXPECT_EQ(tinted.colors, std::vector<QVector3D>{QVector3D(1, 0, 0)});
}
