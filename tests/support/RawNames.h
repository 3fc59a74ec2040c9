#pragma once
// File names that are not UTF-8 are beyond Qt's QString file API: tests that make them clean
// up by the names' bytes.

#include <dirent.h>
#include <unistd.h>

#include <QFile>
#include <QString>

namespace testfiles {

// Removes the files (not folders) in `dir`, whatever their names' encoding.
inline void removeFilesByBytes(const QString& dir) {
    const QByteArray d = QFile::encodeName(dir);
    if (DIR* listing = opendir(d.constData())) {
        while (dirent* e = readdir(listing))
            if (e->d_type != DT_DIR) unlink((d + "/" + e->d_name).constData());
        closedir(listing);
    }
}

}  // namespace testfiles
