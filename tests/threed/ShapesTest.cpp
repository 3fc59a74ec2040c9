// The geometry of the seven solids and of the evaluated surface, recorded without a GPU.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "RecordingSink.h"
#include "threed/EvalEffect.h"
#include "threed/ObjectEffect.h"

using threed::EvalEffect;
using threed::GeometrySink;
using threed::ObjectEffect;
using threed::test::RecordingSink;

namespace {

// Every strip has `pairs` vertex pairs, every vertex lies `distance` from where it should, and
// the texture spans the whole picture once.
void expectStrips(const RecordingSink& rec, size_t strips, size_t pairs,
                  const std::function<float(const QVector3D&)>& distance) {
    ASSERT_EQ(rec.primitives.size(), strips);
    EXPECT_TRUE(rec.balanced());
    float sMin = 1, sMax = 0, tMin = 1, tMax = 0;
    for (const auto& p : rec.primitives) {
        EXPECT_EQ(p.mode, GeometrySink::TriangleStrip);
        ASSERT_EQ(p.vertices.size(), 2 * pairs);
        for (const auto& v : p.vertices) {
            EXPECT_NEAR(distance(v.position), 0, 1e-5);
            EXPECT_NEAR(v.normal.length(), 1, 1e-5);
            sMin = std::min(sMin, v.tex.x());
            sMax = std::max(sMax, v.tex.x());
            tMin = std::min(tMin, v.tex.y());
            tMax = std::max(tMax, v.tex.y());
        }
    }
    EXPECT_EQ(sMin, 0);
    EXPECT_EQ(sMax, 1);
    EXPECT_EQ(tMin, 0);
    EXPECT_EQ(tMax, 1);
}

RecordingSink recordShape(int type) {
    RecordingSink rec;
    ObjectEffect::drawShape(type, rec);
    return rec;
}

}  // namespace

TEST(Shapes, SphereTorusAndCylinderStrips) {
    {
        SCOPED_TRACE("sphere");
        const RecordingSink rec = recordShape(ObjectEffect::Sphere);
        expectStrips(rec, 64, 65, [](const QVector3D& p) { return p.length() - 0.8f; });
        // The first strip starts at the north pole on the z axis, the last ends at the south.
        EXPECT_NEAR(rec.primitives.front().vertices[0].position.z(), 0.8f, 1e-6);
        EXPECT_NEAR(rec.primitives.back().vertices[1].position.z(), -0.8f, 1e-6);
        // Each strip's second row is the next strip's first.
        EXPECT_EQ(rec.primitives[0].vertices[3].tex, rec.primitives[1].vertices[2].tex);
    }
    {
        SCOPED_TRACE("torus");
        const RecordingSink rec = recordShape(ObjectEffect::Torus);
        expectStrips(rec, 64, 65, [](const QVector3D& p) {
            const float ring = std::hypot(p.x(), p.y()) - 0.6f;
            return std::hypot(ring, p.z()) - 0.2f;
        });
    }
    {
        SCOPED_TRACE("cylinder");
        const RecordingSink rec = recordShape(ObjectEffect::Cylinder);
        expectStrips(rec, 32, 65,
                     [](const QVector3D& p) { return std::hypot(p.x(), p.y()) - 0.4f; });
        EXPECT_NEAR(rec.primitives.front().vertices[0].position.z(), 0.5f, 1e-6);
        EXPECT_NEAR(rec.primitives.back().vertices[1].position.z(), -0.5f, 1e-6);
    }
}

TEST(Shapes, EveryCubeFaceShowsTheWholePicture) {
    const RecordingSink rec = recordShape(ObjectEffect::Cube);
    ASSERT_EQ(rec.primitives.size(), 6u);
    EXPECT_TRUE(rec.balanced());
    std::set<std::tuple<int, int, int>> sides;
    for (const auto& face : rec.primitives) {
        EXPECT_EQ(face.mode, GeometrySink::Quads);
        ASSERT_EQ(face.vertices.size(), 4u);
        const QVector2D corners[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        QVector3D centre;
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(face.vertices[i].tex, corners[i]);
            centre += face.vertices[i].position / 4;
            for (int axis = 0; axis < 3; ++axis)
                EXPECT_NEAR(std::abs(face.vertices[i].position[axis]), 0.5f, 1e-6);
        }
        // A face's centre sits on one axis at +-0.5.
        sides.insert({int(std::lround(centre.x() * 2)), int(std::lround(centre.y() * 2)),
                      int(std::lround(centre.z() * 2))});
        EXPECT_NEAR(centre.length(), 0.5f, 1e-6);
    }
    EXPECT_EQ(sides.size(), 6u);  // six different sides: the cube is closed
}

TEST(Shapes, PyramidConeAndDisk) {
    const RecordingSink pyramid = recordShape(ObjectEffect::Pyramid);
    ASSERT_EQ(pyramid.primitives.size(), 2u);
    const auto& sides = pyramid.primitives[0];
    EXPECT_EQ(sides.mode, GeometrySink::Triangles);
    ASSERT_EQ(sides.vertices.size(), 12u);
    std::set<std::pair<float, float>> baseCorners;
    for (size_t i = 0; i < 12; i += 3) {
        EXPECT_EQ(sides.vertices[i].position, QVector3D(0, 0.6f, 0));
        EXPECT_EQ(sides.vertices[i].tex, QVector2D(0.5f, 1));
        EXPECT_EQ(sides.vertices[i + 1].tex, QVector2D(0, 0));
        EXPECT_EQ(sides.vertices[i + 2].tex, QVector2D(1, 0));
        // Going round: each side starts where the one before ended.
        EXPECT_EQ(sides.vertices[i + 1].position, sides.vertices[(i + 11) % 12].position);
        baseCorners.insert(
            {sides.vertices[i + 1].position.x(), sides.vertices[i + 1].position.z()});
    }
    EXPECT_EQ(baseCorners.size(), 4u);
    EXPECT_EQ(pyramid.primitives[1].mode, GeometrySink::Quads);
    for (const auto& v : pyramid.primitives[1].vertices) EXPECT_EQ(v.position.y(), -0.6f);

    const RecordingSink cone = recordShape(ObjectEffect::Cone);
    ASSERT_EQ(cone.quadrics.size(), 1u);
    EXPECT_FALSE(cone.quadrics[0].disk);
    EXPECT_EQ(cone.quadrics[0].b, 0);  // closes to a point
    const RecordingSink disk = recordShape(ObjectEffect::Disk);
    ASSERT_EQ(disk.quadrics.size(), 1u);
    EXPECT_TRUE(disk.quadrics[0].disk);
    EXPECT_EQ(disk.quadrics[0].a, 0.2);  // a ring, not a full disk
}

TEST(Shapes, ATypeOutsideTheTableDrawsNothing) {
    for (int type : {-1, 7, 1000}) EXPECT_TRUE(recordShape(type).empty()) << type;
    for (int type = 0; type < ObjectEffect::ShapeCount; ++type)
        EXPECT_FALSE(recordShape(type).empty()) << type;
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
        EXPECT_NEAR(lastTop - strip.evalPoints[0].y(), 1.0 / 30, 1e-5);
    }
    EXPECT_EQ(lastTop, 1);
    // The picture is shown as it is: no colour set.
    EXPECT_TRUE(rec.colors.empty());
}

TEST(Surface, ColoredLightSetsTheTintBeforeDrawing) {
    EvalEffect surface;
    surface.setDecalMode(EvalEffect::kModulate);
    surface.setDecalColor({0.25f, 0.5f, 1});
    RecordingSink rec;
    surface.DrawMapEval2dv(EvalEffect::kStepU, EvalEffect::kStepV, rec);
    ASSERT_EQ(rec.colors.size(), 1u);
    EXPECT_EQ(rec.colors[0], QVector3D(0.25f, 0.5f, 1));
}
