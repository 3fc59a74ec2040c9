#pragma once
// File names that are not UTF-8 are beyond Qt's QString file API: tests that make them clean
// up by the names' bytes.

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QList>
#include <QString>
#include <algorithm>

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

namespace testfiles {

// Writes a file whose name is given as the file system's bytes; false when it cannot.
inline bool writeByBytes(const QString& dir, const QByteArray& name, const QByteArray& data) {
    const int fd = ::open((QFile::encodeName(dir) + "/" + name).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    const bool written = ::write(fd, data.constData(), size_t(data.size())) == data.size();
    return ::close(fd) == 0 && written;
}

// The contents of a file named by its bytes; empty when it cannot be read.
inline QByteArray readByBytes(const QString& dir, const QByteArray& name) {
    QFile f;
    const int fd = ::open((QFile::encodeName(dir) + "/" + name).constData(), O_RDONLY);
    if (fd < 0 || !f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) return {};
    return f.readAll();
}

// The names of the files in `dir`, as bytes and sorted.
inline QList<QByteArray> namesByBytes(const QString& dir) {
    QList<QByteArray> names;
    if (DIR* listing = opendir(QFile::encodeName(dir).constData())) {
        while (dirent* e = readdir(listing))
            if (e->d_type != DT_DIR) names << QByteArray(e->d_name);
        closedir(listing);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace testfiles
