#include "imaging/io/SafeFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QIODevice>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/Error.h"

namespace imaging::io {

namespace {

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A device over a file descriptor that checks every write: writers that ignore a failed or
// short write (libtiff at close, libjpeg's last buffer) cannot make a cut file look complete.
// Seekable, for writers that go back to fill in offsets (TIFF); small writes are gathered.
class CheckedFile final : public QIODevice {
  public:
    explicit CheckedFile(int fd) : fd_(fd) {
        buffer_.reserve(kBuffer);
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    bool failed() const { return errno_ != 0; }
    std::string reason() const { return std::strerror(errno_); }
    bool isSequential() const override { return false; }
    qint64 size() const override {
        struct stat st {};
        const qint64 onDisk = fstat(fd_, &st) == 0 ? qint64(st.st_size) : 0;
        return std::max(onDisk, written_ + qint64(buffer_.size()));
    }
    bool seek(qint64 pos) override {
        if (!flush() || ::lseek(fd_, off_t(pos), SEEK_SET) < 0) return false;
        written_ = pos;
        return QIODevice::seek(pos);
    }
    // Hands what was gathered to the system; false once any write failed.
    bool flush() {
        if (errno_) return false;
        size_t done = 0;
        while (done < buffer_.size()) {
            const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                errno_ = n < 0 ? errno : ENOSPC;
                setErrorString(QString::fromLocal8Bit(std::strerror(errno_)));
                return false;
            }
            done += size_t(n);
        }
        written_ += qint64(done);
        buffer_.clear();
        return true;
    }

  protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 len) override {
        if (errno_) return -1;
        if (buffer_.size() + size_t(len) > kBuffer && !flush()) return -1;
        if (size_t(len) >= kBuffer) {
            buffer_.assign(data, data + len);
            return flush() ? len : -1;
        }
        buffer_.insert(buffer_.end(), data, data + len);
        return len;
    }

  private:
    static constexpr size_t kBuffer = size_t(1) << 20;
    int fd_;
    int errno_ = 0;
    qint64 written_ = 0;  // the descriptor's position
    std::vector<char> buffer_;
};

}  // namespace

std::string fileNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string writeFileSafely(const std::string& path, const Encoder& encode) {
    const std::string name = fileNameOf(path);
    if (path.empty() || name.empty()) return "No file was named.";
    // Through a link, the file it points to is replaced, as editors do.
    std::string target = path;
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved)) target = resolved;
    }
    const std::string folder = folderOf(target);
    struct stat dirSt {};
    if (stat(folder.c_str(), &dirSt) != 0 || !S_ISDIR(dirSt.st_mode))
        return "The folder of \"" + name + "\" does not exist.";
    const bool exists = stat(target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return "\"" + name + "\" is a folder.";

    std::string temp = folder + "/." + fileNameOf(target) + ".XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return "\"" + name + "\" cannot be written: " + std::strerror(errno);
    // The old file's permissions, or what a new file gets.
    mode_t mode = exists ? (st.st_mode & 07777) : 0;
    if (!exists) {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    auto fail = [&](const std::string& why) {
        ::close(fd);
        ::unlink(temp.c_str());
        return "Could not write \"" + name + "\": " + why;
    };
    CheckedFile out(fd);
    std::string error;
    const bool encoded = encode(out, error);
    if (!out.flush()) return fail(out.reason());
    if (!encoded) return fail(error.empty() ? "the picture could not be encoded" : error);
    if (fchmod(fd, mode) != 0 || fsync(fd) != 0) return fail(std::strerror(errno));
    // Renamed only once closed without error.
    if (::close(fd) != 0 || ::rename(temp.c_str(), target.c_str()) != 0) {
        const int e = errno;
        ::unlink(temp.c_str());
        return "Could not write \"" + name + "\": " + std::strerror(e);
    }
    return {};
}

FileBytes readFileBytes(const std::string& path) {
    const std::string name = fileNameOf(path);
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw Error("The file \"" + name + "\" does not exist.");
        throw Error("The file \"" + name + "\" cannot be read: " + std::strerror(errno));
    }
    if (!S_ISREG(st.st_mode)) throw Error("The file \"" + name + "\" cannot be read.");
    if (st.st_size == 0) throw Error("The file \"" + name + "\" is empty.");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw Error("The file \"" + name + "\" cannot be read: " + std::strerror(errno));
    FileBytes out;
    const size_t size = size_t(st.st_size);
    // Mapped rather than copied: readers touch only what they need, and nothing is held twice.
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapped != MAP_FAILED) {
        ::close(fd);
        out.keep = std::shared_ptr<void>(mapped, [size](void* p) { ::munmap(p, size); });
        out.bytes = QByteArray::fromRawData(static_cast<const char*>(mapped), qsizetype(size));
        // Whole pages inside the range only. The mapping is private and never written, so a
        // dropped page is read from the file again when touched.
        out.done = [base = static_cast<char*>(mapped), size](size_t offset, size_t length) {
            static const size_t page = size_t(sysconf(_SC_PAGESIZE));
            const size_t end = std::min(size, offset + std::min(length, size));
            const size_t from = (offset + page - 1) / page * page, to = end / page * page;
            if (from < to) ::madvise(base + from, to - from, MADV_DONTNEED);
        };
        return out;
    }
    std::string error;
    try {
        out.bytes.resize(qsizetype(size));
    } catch (const std::bad_alloc&) {
        error = "The file \"" + name + "\" is too large to read.";
    }
    qsizetype done = 0;
    while (error.empty() && done < out.bytes.size()) {
        const ssize_t n = ::read(fd, out.bytes.data() + done, size_t(out.bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = "The file \"" + name + "\" cannot be read: " + std::strerror(errno);
        if (n == 0) out.bytes.truncate(done);  // shrank while being read
        if (n <= 0) break;
        done += n;
    }
    ::close(fd);
    if (!error.empty()) throw Error(error);
    return out;
}

}  // namespace imaging::io
