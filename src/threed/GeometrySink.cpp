#include "threed/GeometrySink.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace threed {

void GLSink::begin(Primitive mode) {
    glBegin(GLenum(mode));
}

void GLSink::end() {
    glEnd();
}

void GLSink::normal(float x, float y, float z) {
    glNormal3f(x, y, z);
}

void GLSink::texCoord(float s, float t) {
    glTexCoord2f(s, t);
}

void GLSink::vertex(float x, float y, float z) {
    glVertex3f(x, y, z);
}

void GLSink::evalCoord(float u, float v) {
    glEvalCoord2f(u, v);
}

void GLSink::color(float r, float g, float b) {
    glColor3f(r, g, b);
}

void GLSink::pushMatrix() {
    glPushMatrix();
}

void GLSink::popMatrix() {
    glPopMatrix();
}

void GLSink::rotate(float degrees, float x, float y, float z) {
    glRotatef(degrees, x, y, z);
}

namespace {
// A textured, filled quadric for one call.
struct Quadric {
    Quadric() : q(gluNewQuadric()) {
        if (!q) return;
        gluQuadricTexture(q, GL_TRUE);
        gluQuadricDrawStyle(q, GLU_FILL);
    }
    ~Quadric() {
        if (q) gluDeleteQuadric(q);
    }
    GLUquadric* q;
};
}  // namespace

void GLSink::cylinder(double base, double top, double height, int slices, int stacks) {
    Quadric quad;
    if (quad.q) gluCylinder(quad.q, base, top, height, slices, stacks);
}

void GLSink::disk(double inner, double outer, int slices, int loops) {
    Quadric quad;
    if (quad.q) gluDisk(quad.q, inner, outer, slices, loops);
}

}  // namespace threed
