#pragma once
// A geometry sink that records what the effects draw, with each vertex placed by the
// transforms in force, so that shapes can be checked without a GPU.

#include <QMatrix4x4>
#include <QVector2D>
#include <QVector3D>
#include <vector>

#include "threed/GeometrySink.h"

namespace threed::test {

struct Vertex {
    QVector3D position;  // after the transforms in force
    QVector3D normal;
    QVector2D tex;
};

struct Recorded {
    GeometrySink::Primitive mode;
    std::vector<Vertex> vertices;
    std::vector<QVector2D> evalPoints;  // (u, v) of the evaluator
};

struct Rotation {
    float degrees, x, y, z;
};

struct Quadric {
    bool disk;
    double a, b, c;  // cylinder: base, top, height; disk: inner, outer
    int slices, stacks;
};

class RecordingSink : public GeometrySink {
  public:
    void begin(Primitive mode) override { primitives.push_back({mode, {}, {}}); }
    void end() override { ++ended; }
    void normal(float x, float y, float z) override { m_normal = QVector3D(x, y, z); }
    void texCoord(float s, float t) override { m_tex = QVector2D(s, t); }
    void vertex(float x, float y, float z) override {
        primitives.back().vertices.push_back({m_matrix.map(QVector3D(x, y, z)), m_normal, m_tex});
    }
    void evalCoord(float u, float v) override {
        primitives.back().evalPoints.push_back(QVector2D(u, v));
    }
    void color(float r, float g, float b) override { colors.push_back(QVector3D(r, g, b)); }
    void pushMatrix() override { m_stack.push_back(m_matrix); }
    void popMatrix() override {
        m_matrix = m_stack.back();
        m_stack.pop_back();
    }
    void rotate(float degrees, float x, float y, float z) override {
        rotations.push_back({degrees, x, y, z});
        m_matrix.rotate(degrees, x, y, z);
    }
    void cylinder(double base, double top, double height, int slices, int stacks) override {
        quadrics.push_back({false, base, top, height, slices, stacks});
    }
    void disk(double inner, double outer, int slices, int loops) override {
        quadrics.push_back({true, inner, outer, 0, slices, loops});
    }

    bool empty() const { return primitives.empty() && quadrics.empty(); }
    bool balanced() const { return ended == int(primitives.size()) && m_stack.empty(); }

    std::vector<Recorded> primitives;
    std::vector<Rotation> rotations;
    std::vector<Quadric> quadrics;
    std::vector<QVector3D> colors;

  private:
    int ended = 0;
    QMatrix4x4 m_matrix;
    std::vector<QMatrix4x4> m_stack;
    QVector3D m_normal;
    QVector2D m_tex;
};

}  // namespace threed::test
