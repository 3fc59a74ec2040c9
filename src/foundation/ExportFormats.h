#pragma once
// The export format table and the rules that turn a chosen name into the saved file's path.
// A format's index is its identity: the tag of its item in the save panel's format pop-up,
// the remembered choice, and what the writers are given.

#include <QString>
#include <array>

#include "foundation/GraphicsExporter.h"

namespace foundation {

inline constexpr int kExportFormatCount = 18;
inline constexpr int kPDFFormatIndex = 17;

// Pop-up titles, which are also where a file's extension is looked up.
extern const std::array<QString, kExportFormatCount> gformats_ns;
// Exporter codes of the raster formats (indices 0 to 16).
extern const std::array<OSType, kExportFormatCount - 1> gformats;

// The writer code of a format index: its exporter code, or kPDFSubtype for index 17.
OSType subtypeForFormatIndex(int index);

// The extension of the last path component without the dot ("" for none; a leading dot, as in
// ".profile", starts a name, not an extension).
QString pathExtension(const QString& path);
QString stringByDeletingPathExtension(const QString& path);

// The extension a file of this format is saved with: the format name when that is a common
// extension ("jpeg", "tiff", "sgi", "pdf"), else the format's usual one (PNGf -> png, 8BPS -> psd).
QString conventionalExtension(int index);

// The path a save with this format writes to: `path` keeps its extension (in lower case) when
// that already names the format (photo.JPG for JPEG gives photo.jpg), otherwise the extension
// is replaced by the conventional one. Folders are left exactly as they are.
QString finalPathForFormat(const QString& path, int index);

// The format index a file is rewritten in, found from its extension: a format name (ignoring
// case and trailing blanks) or a common extension of a format. -1 when none fits.
int formatIndexForPath(const QString& path);

}  // namespace foundation
