#pragma once
// Where the 3D effects send their geometry: vertices with their normals and texture
// coordinates, evaluator points, the model-view transforms and the quadrics. GLSink draws it in
// the current OpenGL context; a recording sink lets the shapes be checked without a GPU.

namespace threed {

class GeometrySink {
  public:
    // The primitives the effects draw (OpenGL's own codes).
    enum Primitive {
        Triangles = 0x0004,
        TriangleStrip = 0x0005,
        Quads = 0x0007,
        QuadStrip = 0x0008
    };

    virtual ~GeometrySink() = default;

    virtual void begin(Primitive mode) = 0;
    virtual void end() = 0;
    virtual void normal(float x, float y, float z) = 0;
    virtual void texCoord(float s, float t) = 0;
    virtual void vertex(float x, float y, float z) = 0;
    // A point of the current two-dimensional evaluator maps.
    virtual void evalCoord(float u, float v) = 0;
    virtual void color(float r, float g, float b) = 0;

    virtual void pushMatrix() = 0;
    virtual void popMatrix() = 0;
    // Degrees about the axis (x, y, z), applied to what is drawn afterwards.
    virtual void rotate(float degrees, float x, float y, float z) = 0;

    // Textured, filled quadrics: a cylinder along +z from z = 0 (a cone when `top` is 0) and a
    // ring in the plane z = 0.
    virtual void cylinder(double base, double top, double height, int slices, int stacks) = 0;
    virtual void disk(double inner, double outer, int slices, int loops) = 0;
};

// Draws into the OpenGL context that is current.
class GLSink final : public GeometrySink {
  public:
    void begin(Primitive mode) override;
    void end() override;
    void normal(float x, float y, float z) override;
    void texCoord(float s, float t) override;
    void vertex(float x, float y, float z) override;
    void evalCoord(float u, float v) override;
    void color(float r, float g, float b) override;
    void pushMatrix() override;
    void popMatrix() override;
    void rotate(float degrees, float x, float y, float z) override;
    void cylinder(double base, double top, double height, int slices, int stacks) override;
    void disk(double inner, double outer, int slices, int loops) override;
};

}  // namespace threed
