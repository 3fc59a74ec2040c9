// Archives as the favourites keep them in the preferences, which anyone can edit: every stored
// value passes through this reader. Refusals are expected; crashes, hangs, leaks, undefined
// behaviour and huge allocations are what this looks for.

#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "foundation/Archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    foundation::archive::unarchiveObjectWithData(bytes);
    return 0;
}
