// The command-line tool given what a careless or hostile user would: damaged files, names in
// any encoding, escape sequences in names and metadata, a full disk.

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <fstream>

#include "foundation/GraphicsExporter.h"
#include "foundation/ImageMetadata.h"
#include "support/PictureFiles.h"
#include "support/RawNames.h"

extern char** environ;

namespace {

struct ToolResult {
    int code = -1;  // -1: killed by a signal
    std::string out, err;
};

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

// Runs the tool with arguments passed as bytes, never through a text encoding.
ToolResult runTool(const std::vector<std::string>& args, const std::string& dir,
                   const std::vector<std::string>& extraEnv = {}) {
    std::vector<std::string> all = {DEVERAV_FILTER_PROGRAM};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env(extraEnv);
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string out = dir + "/.stdout", err = dir + "/.stderr";
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    ToolResult r;
    if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&fa);
    r.out = slurp(out);
    r.err = slurp(err);
    std::remove(out.c_str());
    std::remove(err.c_str());
    return r;
}

void writeBytes(const std::string& path, const QByteArray& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(bytes.constData(), bytes.size());
}

class HostileInput : public ::testing::Test {
  protected:
    std::string dir() const { return QFile::encodeName(dir_.path()).toStdString(); }
    std::string path(const std::string& name) const { return dir() + "/" + name; }
    void TearDown() override { testfiles::removeFilesByBytes(dir_.path()); }
    QTemporaryDir dir_;
};

}  // namespace

TEST_F(HostileInput, DamagedJpegHeadersAreNoPictureNotACrash) {
    // Malloc's junk fill makes the unset pixel format of a failed header read visible.
    QByteArray whole;
    {
        QImage img = testfiles::gradient(64, 48);
        QFile f(QString::fromStdString(path("whole.jpg")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && img.save(&f, "JPEG"));
    }
    whole = QByteArray::fromStdString(slurp(path("whole.jpg")));
    writeBytes(path("tiny.jpg"), QByteArray("\xff\xd8\xff\xd9", 4));
    writeBytes(path("cut.jpg"), whole.left(110));
    for (const char* name : {"tiny.jpg", "cut.jpg"}) {
        const ToolResult r = runTool({"info", path(name)}, dir(), {"MALLOC_PERTURB_=165"});
        EXPECT_EQ(r.code, 1) << name << ": " << r.err;
        EXPECT_NE(r.err.find("is not a picture"), std::string::npos) << r.err;
        EXPECT_FALSE(foundation::ImageMetadata::readFile(path(name)).readable) << name;
    }
}

TEST_F(HostileInput, NamesInAnyEncodingAreUsedAsGiven) {
    const std::string in = path("caf\xe9.png"), out = path("r\xe9sultat.png");
    QImage img = testfiles::gradient(20, 10);
    ASSERT_TRUE(img.save(QString::fromStdString(path("plain.png"))));
    ASSERT_EQ(std::rename(path("plain.png").c_str(), in.c_str()), 0);

    ToolResult r = runTool({"render", in, out, "--filter", "CIColorInvert"}, dir());
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(access(out.c_str(), F_OK), 0) << "written under its own bytes";
    r = runTool({"info", in}, dir());
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("caf\\xE9.png"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("PNG image"), std::string::npos) << r.out;
}

TEST_F(HostileInput, EscapeSequencesInNamesAndMetadataAreNeverPrinted) {
    const std::string name = path("x\x1b]0;owned\x07.png");
    QImage img = testfiles::gradient(8, 8);
    img.setText("Comment", QString::fromLatin1("\x1b[2J\x1b[31mred\x9b"));
    ASSERT_TRUE(img.save(QString::fromStdString(path("plain.png"))));
    ASSERT_EQ(std::rename(path("plain.png").c_str(), name.c_str()), 0);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"info", name},
          {"info", path("gone\x1b[2J.png")},
          {"render", path("gone\x1b[2J.png"), path("o.png"), "--filter", "CIColorInvert"}}) {
        const ToolResult r = runTool(args, dir());
        EXPECT_EQ((r.out + r.err).find('\x1b'), std::string::npos) << r.out << r.err;
        EXPECT_EQ((r.out + r.err).find('\x07'), std::string::npos);
        EXPECT_NE((r.out + r.err).find("\\x1B"), std::string::npos) << r.out << r.err;
    }
}

TEST_F(HostileInput, ExportsOntoAFullDiskFailAndKeepTheOldFile) {
    using foundation::GraphicsExporter;
    // Noise: no format can squeeze it under the limit.
    QImage pic(300, 200, QImage::Format_RGB32);
    uint32_t seed = 1;
    for (int y = 0; y < pic.height(); ++y)
        for (int x = 0; x < pic.width(); ++x)
            pic.setPixel(x, y, seed = seed * 1664525u + 1013904223u);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    for (const char* code : {"TIFF", "JPEG", "PNGf", "BMPf", "PDF "}) {
        const foundation::OSType subtype =
            foundation::fourCharCode({code[0], code[1], code[2], code[3], '\0'});
        auto x = GraphicsExporter::open(subtype);
        ASSERT_TRUE(x) << code;
        const QString target =
            QString::fromStdString(path("old." + x->format().extensions[0].toStdString()));
        writeBytes(QFile::encodeName(target).toStdString(), "the old picture");
        x->setInputImage(pic);
        x->setOutputFile(target);
        rlimit small = old;
        small.rlim_cur = 4096;
        setrlimit(RLIMIT_FSIZE, &small);
        const bool ok = x->doExport();
        setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_FALSE(ok) << code;
        EXPECT_TRUE(x->errorString().contains(QString::fromLocal8Bit(std::strerror(EFBIG))))
            << code << ": " << x->errorString().toStdString();
        EXPECT_EQ(slurp(QFile::encodeName(target).toStdString()), "the old picture") << code;
    }
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(), 5);
}
