// Hostile paths through the companion programs, run as processes: nothing destroyed or hung.

#include "support/ChildProcess.h"
#include "support/WavBuilder.h"

#include <QtTest>
#include <algorithm>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace vq250::fakes;

namespace
{

// Both by the system's bytes: QFile would turn a name that is not UTF-8 into U+FFFD.
bool writeBytes(const char *path, const QByteArray &bytes)
{
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool written
        = fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && written;
}

// Only root makes device nodes; others get a link to the real one.
bool makeDevice(const char *path, unsigned minor)
{
    return ::mknod(path, S_IFCHR | 0666, makedev(1, minor)) == 0
        || ::symlink(minor == 3 ? "/dev/null" : "/dev/full", path) == 0;
}

const QByteArray SoundBytes = WavBuilder::pcm8(sampleBytes(8000));

// What a row puts at its path before the program runs.
using Make = bool (*)(const char *path);
const Make Nothing = [](const char *) { return true; }; // missing, or the input itself
const Make Sound = [](const char *p) { return writeBytes(p, SoundBytes); }; // 8000 samples
const Make Directory = [](const char *p) { return ::mkdir(p, 0755) == 0; };
const Make Fifo = [](const char *p) { return ::mkfifo(p, 0644) == 0; };
const Make Socket = [](const char *p) { return ::mknod(p, S_IFSOCK | 0644, 0) == 0; };
const Make Null = [](const char *p) { return makeDevice(p, 3); }; // a device like /dev/null
const Make Full = [](const char *p) { return makeDevice(p, 7); }; // /dev/full: writes fail
const Make LinkToInput = [](const char *p) { return ::symlink("in.wav", p) == 0; };
const Make HardLinkToInput = [](const char *p) { return ::link("in.wav", p) == 0; };
const Make DanglingLink = [](const char *p) { return ::symlink("nowhere.wav", p) == 0; };
// A symbolic link to own.wav, mode 0640, owned by user 1 when root runs this.
const Make LinkToOwnFile = [](const char *p) {
    return writeBytes("own.wav", "old") && ::chmod("own.wav", 0640) == 0
        && (::geteuid() != 0 || ::chown("own.wav", 1, 1) == 0) && ::symlink("own.wav", p) == 0;
};

// How the path meets the program: its arguments (PATH is the row's path), stdout `into` it.
struct Use {
    const char *program;
    QList<QByteArray> arguments;
    bool into = false;
};
const Use Check { VQ250_CHECK_EXE, { "--", "PATH" } };
const Use CheckInto { VQ250_CHECK_EXE, { "in.wav" }, true };
const Use ConvertFrom { VQ250_CONVERT_EXE, { "PATH", "out.wav" } };
const Use ConvertTo { VQ250_CONVERT_EXE, { "in.wav", "PATH" } };
const Use ConvertOnto { VQ250_CONVERT_EXE, { "PATH", "PATH" } };
const Use ConvertStdoutInto { VQ250_CONVERT_EXE, { "in.wav", "-" }, true };
const Use ConvertReportInto { VQ250_CONVERT_EXE, { "in.wav", "out.wav" }, true };
const Use Load { VQ250_LOAD_EXE, { "--emulate", "PATH", "A1" } };
const Use LoadTrace { VQ250_LOAD_EXE, { "--emulate", "--trace", "PATH", "in.wav", "A1" } };
const Use LoadReportInto { VQ250_LOAD_EXE, { "--emulate", "in.wav", "A1" }, true };

struct Row {
    const char *name;
    Make make;
    QByteArray path;
    const Use &use;
    int status;
    QByteArray out, err = ""; // empty unless given
};

const QByteArray Wrote = " 8000 bytes (1.00 s) of 8000 Hz, unsigned 8-bit, mono PCM\n";
const QByteArray Writes = "; vq250-convert writes only a regular file, a character device, "
                          "a FIFO or standard output (-)\n";
const QByteArray Overwrite
    = "vq250-convert: refusing to overwrite the input file in.wav; choose another OUTPUT\n";

const QByteArray CannotOpen = "vq250-load: cannot open the sound file ";
const QByteArray WillNotTrace = "vq250-load: will not write the trace to ";

const Row Rows[] = {
    { "check socket", Socket, "sock", Check, 1, "sock\tfailed\tnot a regular file: a socket\n" },
    { "check device", Null, "null", Check, 1,
        "null\tfailed\tnot a regular file: a character device\n" },
    { "check Latin-1 name", Sound, "caf\xe9.wav", Check, 0,
        "caf\\xE9.wav\tok\t44\t8000\t8000\t1 Sec.\tcaf\\xEF\\xBF\\xBD\n" },
    { "check tab, newline, backslash", Sound, "b\\s\tn\n.wav", Check, 0,
        "b\\\\s\\tn\\n.wav\tok\t44\t8000\t8000\t1 Sec.\ts\\tn\\n\n" },
    { "check into full disk", Full, "full", CheckInto, 3, "",
        "vq250-check: cannot write to standard output: No space left on device\n" },

    { "convert from FIFO", Fifo, "fifo", ConvertFrom, 1, "",
        "vq250-convert: cannot convert fifo: not a regular file: a FIFO\n" },
    { "convert from missing", Nothing, "missing.wav", ConvertFrom, 1, "",
        "vq250-convert: cannot convert missing.wav: file not found\n" },
    { "convert from Latin-1 name", Sound, "caf\xe9.wav", ConvertFrom, 0,
        "Wrote out.wav:" + Wrote + "Proposed sound name: out\n" },

    { "convert to directory", Directory, "d", ConvertTo, 1, "",
        "vq250-convert: cannot write d: it is a directory" + Writes },
    { "convert to FIFO without reader", Fifo, "fifo", ConvertTo, 1, "",
        "vq250-convert: cannot write fifo: no program is reading from the FIFO\n" },
    { "convert to device", Null, "null", ConvertTo, 0,
        "Wrote null:" + Wrote + "Proposed sound name: null\n" },
    { "convert to full disk", Full, "full", ConvertTo, 1, "",
        "vq250-convert: cannot write full: No space left on device\n" },
    { "convert stdout to full disk", Full, "full", ConvertStdoutInto, 1, "",
        "vq250-convert: cannot write -: No space left on device\n" },
    { "convert report into full disk", Full, "full", ConvertReportInto, 1, "",
        "vq250-convert: cannot write to standard output: No space left on device\n" },
    { "convert to link to input", LinkToInput, "link.wav", ConvertTo, 2, "", Overwrite },
    { "convert to hard link to input", HardLinkToInput, "hard.wav", ConvertTo, 2, "", Overwrite },
    { "convert to the input spelt otherwise", Nothing, ".//./no/../in.wav", ConvertTo, 2, "",
        Overwrite },
    { "convert from missing to itself", Nothing, "ghost.wav", ConvertOnto, 2, "",
        "vq250-convert: refusing to overwrite the input file ghost.wav; choose another OUTPUT\n" },
    { "convert to Latin-1 name", Nothing, "caf\xe9.wav", ConvertTo, 0,
        "Wrote caf\xEF\xBF\xBD.wav:" + Wrote + "Proposed sound name: caf\xC3\xA9\n" },
    { "convert to missing folder", Nothing, "no/out.wav", ConvertTo, 1, "",
        "vq250-convert: cannot write no/out.wav: No such file or directory\n" },
    { "convert to dangling link", DanglingLink, "dangling.wav", ConvertTo, 1, "",
        "vq250-convert: cannot write dangling.wav: it is a symbolic link to a missing file\n" },
    { "convert to link to a file", LinkToOwnFile, "link.wav", ConvertTo, 0,
        "Wrote link.wav:" + Wrote + "Proposed sound name: link\n" },

    { "load directory", Directory, "d", Load, 4, "", CannotOpen + "d: it is a folder\n" },
    { "load Latin-1 name", Sound, "caf\xe9.wav", Load, 4, "",
        CannotOpen
            + "caf\xEF\xBF\xBD.wav: its name is not UTF-8 text, which vq250-load cannot pass "
              "on; rename the file or link it under a UTF-8 name\n" },
    { "trace to directory", Directory, "d", LoadTrace, 2, "",
        WillNotTrace
            + "d: it is a directory; vq250-load writes only a regular file, a character device, "
              "a FIFO or standard output (-)\n" },
    { "trace to the input", Nothing, "in.wav", LoadTrace, 2, "",
        WillNotTrace + "in.wav: it is in.wav, an input of this run\n" },
    { "trace to missing folder", Nothing, "no/t.txt", LoadTrace, 2, "",
        WillNotTrace + "no/t.txt: No such file or directory\n" },
    { "trace to full disk", Full, "full", LoadTrace, 6,
        "Loaded in.wav into A1 of the emulated VQ250: 8000 bytes, name \"in\", volume 18, "
        "looping\n",
        "vq250-load: cannot write the trace file: No space left on device\n" },
    { "load report into full disk", Full, "full", LoadReportInto, 6, "",
        "vq250-load: cannot write standard output: No space left on device\n" },
};

// The file type bits of what `path` itself is, 0 when nothing is there.
mode_t typeOf(const QByteArray &path)
{
    struct stat info = {};
    return ::lstat(path.constData(), &info) == 0 ? info.st_mode & S_IFMT : 0;
}

// Without blocking, should the path have become a FIFO.
QByteArray contentOf(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK);
    QFile file;
    return fd >= 0 && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)
        ? file.readAll()
        : "<unreadable>";
}

// Every name in the folder, hidden ones too: a left-over temporary shows.
QStringList namesIn(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

class TestHostilePaths : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid() && QDir::setCurrent(m_dir->path()));
        QVERIFY(writeBytes("in.wav", SoundBytes));
    }

    void cleanup()
    {
        // Qt cannot delete names that are not UTF-8: remove the folder by its bytes.
        std::filesystem::remove_all(QFile::encodeName(m_dir->path()).toStdString());
    }

    void hostilePaths_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(Rows)); ++i)
            QTest::newRow(Rows[i].name) << i;
    }

    void hostilePaths()
    {
        QFETCH(int, row);
        const Row &r = Rows[row];
        QVERIFY(r.make(r.path.constData()));
        const mode_t typeBefore = typeOf(r.path);
        const QByteArray contentBefore = typeBefore == S_IFREG ? contentOf(r.path) : QByteArray();
        const QStringList namesBefore = namesIn(m_dir->path());
        QList<QByteArray> arguments = r.use.arguments;
        std::replace(arguments.begin(), arguments.end(), QByteArray("PATH"), r.path);
        const ChildRun run
            = runChild(r.use.program, arguments, 10000, r.use.into ? r.path : QByteArray());
        QVERIFY2(!run.timedOut, "the program hung for 10 s");
        QCOMPARE(run.err, r.err);
        QCOMPARE(run.out, r.out);
        QCOMPARE(run.status, r.status);

        QCOMPARE(contentOf("in.wav"), SoundBytes);
        const bool wrote = &r.use == &ConvertTo && r.status == 0;
        const bool created = wrote && typeBefore == 0;
        QCOMPARE(typeOf(r.path), created ? S_IFREG : typeBefore);
        if (typeBefore == S_IFREG && !wrote)
            QCOMPARE(contentOf(r.path), contentBefore);
        if (wrote && typeOf(r.path) != S_IFCHR)
            QCOMPARE(contentOf(r.path).left(44), SoundBytes.left(44));
        if (r.make == LinkToOwnFile) {
            struct stat info = {};
            QCOMPARE(::stat("own.wav", &info), 0);
            QCOMPARE(info.st_mode & 07777, mode_t(0640));
            QCOMPARE(info.st_uid, ::geteuid() == 0 ? uid_t(1) : ::geteuid());
        }
        QStringList namesAfter = namesIn(m_dir->path());
        if (created)
            namesAfter.removeOne(QFile::decodeName(r.path));
        if ((&r.use == &ConvertFrom && r.status == 0) || &r.use == &ConvertReportInto)
            namesAfter.removeOne(QStringLiteral("out.wav"));
        QCOMPARE(namesAfter, namesBefore);
    }
};

QTEST_GUILESS_MAIN(TestHostilePaths)
#include "tst_hostilepaths.moc"
