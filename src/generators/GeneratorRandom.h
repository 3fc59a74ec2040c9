#pragma once
// The generators' random numbers: the C library's rand(), never seeded, so that a fresh start
// repeats the same pictures.

#include <QColor>
#include <cstdlib>

namespace generators {

// A value in [0, 1]: the low 15 bits of rand() over 32767.
inline double randomUnit() {
    return (std::rand() & 0x7FFF) / 32767.0;
}

// A colour of random transparency: alpha, blue, green and red from four successive values.
inline QColor randomColor() {
    const double a = randomUnit(), b = randomUnit(), g = randomUnit(), r = randomUnit();
    return QColor::fromRgbF(float(r), float(g), float(b), float(a));
}

}  // namespace generators
