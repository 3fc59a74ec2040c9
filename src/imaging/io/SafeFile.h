#pragma once
// Files that are replaced whole or not at all, and files read by their names as bytes.
//
// Paths here are the file system's own bytes: a name that is not valid UTF-8 (an old archive's
// "caf\xe9.png") is read and written as it is, never through a lossy conversion.

#include <QByteArray>
#include <functional>
#include <memory>
#include <string>

class QIODevice;

namespace imaging::io {

// Writes into the device; false with `error` set when encoding failed.
using Encoder = std::function<bool(QIODevice& out, std::string& error)>;

// Writes a file through `encode`. The bytes go to a new file beside the target (the target of
// a symbolic link), which replaces it only when every byte was written and reached the disk;
// a failed or short write, or a failed encoder, leaves the old file as it was and nothing
// beside it. Returns an empty string on success, otherwise why not, with the system's own
// reason ("No space left on device").
std::string writeFileSafely(const std::string& path, const Encoder& encode);

// The whole file, mapped where the system allows (`keep` holds the mapping for as long as the
// bytes are used).
struct FileBytes {
    QByteArray bytes;
    std::shared_ptr<void> keep;
};

// Throws Error, naming the file, when it is missing, a folder, unreadable or empty.
FileBytes readFileBytes(const std::string& path);

// The last part of a path, for messages.
std::string fileNameOf(const std::string& path);

}  // namespace imaging::io
