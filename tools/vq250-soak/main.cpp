// vq250-soak: loads sound after sound into the emulated VQ250 through the
// load command, in virtual time with the program's own reply time-out, each
// with one fault of the device or the line at a random byte, and a clean
// load at once after every failure. It prints a table and exits non-zero when a
// transfer hung, reported a success the device had not stored byte for byte,
// put other bytes on the line than the wire oracle gives, showed a wrong
// message box, left the progress window up or the buttons off, or when the
// load after a failure did not go through.

#include "cli/CommandLine.h"
#include "core/ProgramState.h"
#include "core/Startup.h"
#include "errors/ErrorTable.h"
#include "load/LoadCommand.h"
#include "platform/Platform.h"
#include "sim/EmulatedPort.h"
#include "sim/GuardedEventLoop.h"
#include "sim/HeadlessViews.h"
#include "sim/VirtualEventLoop.h"
#include "sim/WireOracle.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSet>
#include <QTextStream>

#include <array>
#include <cstdio>
#include <map>
#include <random>

using namespace vq250;

namespace
{

// The PC's send buffer as start-up sizes it, and a Linux driver's queue.
constexpr int QueueSizes[2] = { 8448, 4096 };

enum Kind {
    DroppedEcho,
    CorruptedToDevice,
    CorruptedEcho,
    Silence,
    Busy,
    Stray,
    EarlyDone,
    ZeroCode,
    KindCount
};
const char *const KindNames[KindCount] = { "dropped echo", "corrupted byte to the device",
    "corrupted echo", "silence", "busy (255)", "stray byte", "early 0x73", "0 as a code" };
enum Profile { Quick, Flash, Joined, ProfileCount };
const char *const ProfileNames[ProfileCount] = { "quick", "flash", "joined" };

class Random
{
public:
    explicit Random(quint32 seed)
        : m_engine(seed)
    {
    }
    int below(int n) { return int(m_engine() % quint32(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }

private:
    std::mt19937 m_engine;
};

// One load: the operator's entries and the sound.
struct Job {
    QString destination;
    quint8 station = 10, bg = 1;
    LoadEntries entries;
    QByteArray samples;
    ExpectedWire wire;
    int blocks = 0; // header block included
};

Job randomJob(Random &random, qint32 maxLength)
{
    Job job;
    job.station = quint8(random.between(10, 15));
    job.bg = quint8(random.between(1, 8));
    job.destination = QString(QChar('A' + job.station - 10)) + QString::number(job.bg);
    const int pick = random.below(100);
    qint32 length = pick < 40 ? random.between(0, 600)
        : pick < 70           ? random.between(600, 8200)
        : pick < 90           ? random.between(8200, 40000)
                              : random.between(40000, SoundKeepMax);
    length = std::min(length, job.bg == 8 ? std::min(maxLength, SoundBG8Max) : maxLength);
    job.entries.volume = quint8(random.between(0, 255));
    job.entries.name.clear();
    for (int n = random.between(0, 10); n > 0; --n)
        job.entries.name.append(char(random.between(0x21, 0x7E)));
    job.entries.looping = random.chance(50);
    job.samples.resize(length);
    for (char &c : job.samples)
        c = char(random.below(256));
    job.wire = expectedWire(job.samples, job.destination, job.entries);
    job.blocks = int(job.wire.dtr.count(true));
    return job;
}

// A fault at a random place of the job's transfer. A stray byte is never one
// the PC waits for anywhere in it: the device would be indistinguishable
// from one that answered right.
DeviceFault randomFault(Random &random, const Job &job, Kind kind)
{
    const int block = kind == EarlyDone ? random.below(job.blocks - 1) : random.below(job.blocks);
    const int pick = random.below(100);
    const int anyByte = pick < 20 ? random.below(3)
        : pick < 40               ? DeviceFault::Checksum
                                  : 3 + random.below(18);
    const int echoed = random.chance(25) ? DeviceFault::Checksum : random.below(3);
    quint8 mask = quint8(1 << random.below(8));
    if (random.chance(30))
        mask |= quint8(1 << random.below(8));
    switch (kind) {
    case DroppedEcho:
        return DeviceFault::dropEcho(block, echoed);
    case CorruptedEcho:
        return DeviceFault::corruptEcho(block, echoed, mask);
    case CorruptedToDevice:
        return DeviceFault::corruptToDevice(block, anyByte, mask);
    case Silence:
        return random.chance(75) ? DeviceFault::goSilent(block, anyByte)
                                 : DeviceFault::omitAnswer(block);
    case Busy:
    case ZeroCode: {
        const quint8 code = kind == Busy ? 255 : 0;
        return random.chance(70) ? DeviceFault::errorReply(block, anyByte, code)
                                 : DeviceFault::replaceAnswer(block, code);
    }
    case Stray: {
        QSet<quint8> awaited { 0 };
        for (const char c : job.wire.fromDevice)
            awaited.insert(quint8(c));
        quint8 value = quint8(random.between(1, 255));
        while (awaited.contains(value))
            ++value;
        return DeviceFault::strayByte(block, anyByte, value);
    }
    default:
        return DeviceFault::replaceAnswer(block, 0x73);
    }
}

DeviceTiming randomTiming(Random &random, Profile profile)
{
    DeviceTiming timing;
    if (profile != Quick)
        timing.replyDelayNs = qint64(random.between(0, 300)) * 1000;
    if (profile == Flash)
        timing.flashWriteNs = qint64(random.between(1000, 40000)) * 1000;
    timing.requestWithEcho = profile == Joined;
    return timing;
}

struct Rig {
    explicit Rig(int queueBytes)
    {
        EmulatorOptions options;
        options.txQueueBytes = queueBytes;
        port = makeEmulatedPort(events, options);
        started = runLoadStep(*state, *port, *timer);
    }
    VirtualEventLoop events;
    qint64 deadlineUs = 0; // a transfer still running past it has hung
    GuardedEventLoop guard { events, [this] {
                                if (events.nowUs() > deadlineUs)
                                    throw Hang("past its deadline");
                            } };
    std::unique_ptr<OneShotTimer> timer = events.createTimer();
    std::unique_ptr<ProgramState> state = std::make_unique<ProgramState>();
    std::unique_ptr<EmulatedPort> port;
    HeadlessMessageBox box;
    HeadlessFileDialog dialog;
    HeadlessProgressView progress;
    HeadlessMainView window;
    bool started = false;
};

struct Tally {
    int transfers = 0, withFault = 0, successes = 0, storedThoughFailed = 0;
    std::array<int, KindCount> byKind {};
    std::array<int, ProfileCount> byProfile {};
    std::map<int, int> failuresByCode;
    int recovered = 0, notRecovered = 0, wrongBoxes = 0, progressLeftUp = 0, hangs = 0,
        falseSuccesses = 0, wireDiffers = 0;
    int mustBeZero() const
    {
        return notRecovered + wrongBoxes + progressLeftUp + hangs + falseSuccesses + wireDiffers;
    }
};

class Soak
{
public:
    Soak(quint32 seed, qint32 maxLength)
        : m_random(seed)
        , m_maxLength(maxLength)
    {
        for (int queue : QueueSizes)
            m_rigs.push_back(std::make_unique<Rig>(queue));
    }
    bool started() const { return m_rigs[0]->started && m_rigs[1]->started; }
    const Tally &tally() const { return m_tally; }
    qint64 virtualUs() const { return m_rigs[0]->events.nowUs() + m_rigs[1]->events.nowUs(); }

    // `faulty` loads with a fault each; after each failure a clean one that
    // must go through, and now and then another clean one.
    void run(int faulty)
    {
        while (m_tally.withFault < faulty) {
            const size_t which = m_random.chance(70) ? 0 : 1;
            const Kind kind = Kind(m_random.below(KindCount));
            const Profile profile = Profile(m_random.below(ProfileCount));
            ++m_tally.withFault;
            ++m_tally.byKind[kind];
            ++m_tally.byProfile[profile];
            const Job job = randomJob(m_random, m_maxLength);
            const DeviceFault fault = randomFault(m_random, job, kind);
            const int code = load(which, job, profile, &fault);
            if (code > 0) {
                const int next = load(which, randomJob(m_random, m_maxLength), Quick, nullptr);
                next == 0 ? ++m_tally.recovered : ++m_tally.notRecovered;
                if (next != 0)
                    report(QStringLiteral("no recovery after %1").arg(KindNames[kind]));
            } else if (m_random.chance(30)) {
                load(which, randomJob(m_random, m_maxLength), Profile(m_random.below(ProfileCount)),
                    nullptr);
            }
        }
    }

private:
    // One load through the load command; its error code, -1 when it hung.
    int load(size_t which, const Job &job, Profile profile, const DeviceFault *fault)
    {
        Rig &rig = *m_rigs[which];
        ProgramState &state = *rig.state;
        state.FileOpened = FlagTrue;
        state.SoundLen = qint32(job.samples.size());
        std::copy(job.samples.begin(), job.samples.end(), state.SoundBuf.begin() + 16);
        rig.window.destinationText = job.destination;
        rig.window.volumeText = QString::number(job.entries.volume);
        rig.window.name = QString::fromLatin1(job.entries.name);
        rig.window.loopValue = job.entries.looping ? Checked : Unchecked;
        rig.box.shown.clear();
        rig.progress.events.clear(), rig.progress.values.clear();
        rig.port->trace().clear();
        rig.port->device().setTiming(randomTiming(m_random, profile));
        if (fault)
            rig.port->device().addFault(*fault);
        const int completedBefore = rig.port->device().completedTransfers();
        // The bytes both ways, the flash time, one time-out and the wait for the
        // device to drop a block an earlier failure left, with room to spare.
        rig.deadlineUs = rig.events.nowUs() + 2 * (job.samples.size() + 64 * job.blocks) * 174
            + 41000 * job.blocks + qint64(ReplyTimeoutMs + AbandonedBlockDropMs) * 1000 + 500000;
        Platform platform { *rig.port, rig.box, rig.dialog, rig.guard, *rig.timer, rig.progress,
            rig.window };
        ++m_tally.transfers;
        LoadResult result;
        try {
            result = LoadSound(state, platform);
        } catch (const Hang &) {
            ++m_tally.hangs;
            report(QStringLiteral("hung"));
            m_rigs[which] = std::make_unique<Rig>(QueueSizes[which]);
            return -1;
        }

        // A failure shows one box, for the code the command reports.
        const int code = result.kind == LoadResult::Kind::Loaded ? 0 : result.code;
        const auto &shown = rig.box.shown;
        if (code == 0 ? !shown.isEmpty()
                      : shown.size() != 1 || state.ErrCode != 0
                    || !shown[0].prompt.endsWith(
                        "\rError Code = " + QString::number(code, 16).toUpper())
                    || shown[0].title != errorMessage(quint8(code), state.WavHelpText).title) {
            ++m_tally.wrongBoxes;
            report(QStringLiteral("wrong message box for code %1").arg(code));
        }
        const bool stored = rig.port->device().completedTransfers() > completedBefore;
        const StoredSlot *slot = rig.port->device().slot(job.station, job.bg);
        const QByteArray image = expectedHeader(job.samples.size(), job.entries) + job.samples;
        if (code == 0 && !(stored && slot->complete && slot->image == image)) {
            ++m_tally.falseSuccesses;
            report(QStringLiteral("success without the sound stored"));
        }
        code == 0 ? ++m_tally.successes : ++m_tally.failuresByCode[code];
        if (code != 0 && stored)
            ++m_tally.storedThoughFailed;
        if (rig.progress.visible || !rig.window.commandsEnabled) {
            ++m_tally.progressLeftUp;
            report(QStringLiteral("progress window left up"));
        }
        const ExpectedWire sent = sentByPc(rig.port->trace());
        if (!job.wire.toDevice.startsWith(sent.toDevice)
            || job.wire.dtr.mid(0, sent.dtr.size()) != sent.dtr
            || (code == 0 && sent.toDevice.size() != job.wire.toDevice.size())) {
            ++m_tally.wireDiffers;
            report(QStringLiteral("bytes on the line differ from the oracle's"));
        }
        // The operator presses OK and loads again at once: no pause but for the
        // device's bytes already on the line (a stray behind 0x73) to arrive. A
        // fault the device has not played is taken back, and a device gone
        // silent is itself again.
        rig.port->device().clearFaults();
        rig.port->device().setSilent(false);
        rig.events.advanceTo(std::max(rig.events.nowUs(), rig.port->deviceQuietAtUs()));
        return code;
    }

    void report(const QString &what)
    {
        if (++m_reports <= 25)
            std::fprintf(stderr, "transfer %d: %s\n", m_tally.transfers, qPrintable(what));
    }

    Random m_random;
    qint32 m_maxLength;
    std::vector<std::unique_ptr<Rig>> m_rigs;
    Tally m_tally;
    int m_reports = 0;
};

void printTable(
    const Tally &t, qint64 virtualUs, double wallSeconds, quint32 seed, qint32 maxLength)
{
    auto row = [](const QString &label, long long value) {
        std::printf("  %-52s %8lld\n", qPrintable(label), value);
    };
    std::printf("VQ250 soak: seed %u, sounds up to %d bytes, reply time-out %d ms (virtual time)\n",
        seed, maxLength, ReplyTimeoutMs);
    row(QStringLiteral("transfers"), t.transfers);
    row(QStringLiteral("  with a fault"), t.withFault);
    row(QStringLiteral("  clean"), t.transfers - t.withFault);
    std::printf("  faults by kind\n");
    for (int k = 0; k < KindCount; ++k)
        row(QStringLiteral("  ") + KindNames[k], t.byKind[size_t(k)]);
    std::printf("  faults by device timing\n");
    for (int p = 0; p < ProfileCount; ++p)
        row(QStringLiteral("  ") + ProfileNames[p], t.byProfile[size_t(p)]);
    row(QStringLiteral("successes"), t.successes);
    std::printf("  failures by code\n");
    for (const auto &[code, n] : t.failuresByCode) {
        const QString title = errorMessage(quint8(code), QString()).title; // "... (VQbusyEr)"
        const int open = title.lastIndexOf('(');
        row(QStringLiteral("  %1 %2").arg(
                QString::number(code, 16).toUpper().rightJustified(2, '0'),
                open < 0 ? QStringLiteral("unrecognized") : title.mid(open + 1).chopped(1)),
            n);
    }
    row(QStringLiteral("failed after the device had stored the sound"), t.storedThoughFailed);
    row(QStringLiteral("next load went through at once"), t.recovered);
    row(QStringLiteral("not recovered"), t.notRecovered);
    row(QStringLiteral("wrong message box"), t.wrongBoxes);
    row(QStringLiteral("progress window left up"), t.progressLeftUp);
    row(QStringLiteral("hangs"), t.hangs);
    row(QStringLiteral("false successes"), t.falseSuccesses);
    row(QStringLiteral("bytes on the line other than the oracle's"), t.wireDiffers);
    std::printf("  %-52s %8.1f\n", "virtual time, s", double(virtualUs) / 1e6);
    std::printf("  %-52s %8.1f\n", "wall time, s", wallSeconds);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString program = QStringLiteral("vq250-soak");
    QCommandLineParser parser;
    const cli::StandardOptions standard;
    standard.addTo(parser);
    const QCommandLineOption transfersOption(QStringLiteral("transfers"),
        QStringLiteral("Loads with a fault, more than 0 (default 2000)."), QStringLiteral("N"),
        QStringLiteral("2000"));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
        QStringLiteral("Seed of the random choices (default 1)."), QStringLiteral("S"),
        QStringLiteral("1"));
    const QCommandLineOption maxLengthOption(QStringLiteral("max-length"),
        QStringLiteral("Longest sound, 0 to 131056 bytes (default 131056)."),
        QStringLiteral("BYTES"), QStringLiteral("131056"));
    parser.addOptions({ transfersOption, seedOption, maxLengthOption });
    const cli::HelpText help { QStringLiteral("Usage: vq250-soak [--transfers N] [--seed S] "
                                              "[--max-length BYTES]\n"),
        QStringLiteral("Loads random sounds, each with a fault of the device or the line, into\n"
                       "the emulated VQ250 in virtual time, a clean load after every failure,\n"
                       "and prints a table of what happened.\n"),
        QStringLiteral("Exit status: 0 when every load ended as it must, 1 when one hung, lied,\n"
                       "put other bytes on the line than the wire oracle's, showed a wrong box,\n"
                       "left the progress window up or was not followed by a good load,\n"
                       "2 on a usage error.\n") };
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!parser.parse(app.arguments())) {
        err << cli::usageErrorText(program, parser.errorText());
        return 2;
    }
    if (parser.isSet(standard.help)) {
        out << cli::helpText(help, parser);
        return 0;
    }
    if (parser.isSet(standard.version)) {
        out << cli::versionText(program);
        return 0;
    }
    bool ok[3] = {};
    const int transfers = parser.value(transfersOption).toInt(&ok[0]);
    const quint32 seed = parser.value(seedOption).toUInt(&ok[1]);
    const qint32 maxLength = parser.value(maxLengthOption).toInt(&ok[2]);
    if (!ok[0] || !ok[1] || !ok[2] || transfers <= 0 || maxLength < 0 || maxLength > SoundKeepMax
        || !parser.positionalArguments().isEmpty()) {
        err << cli::usageErrorText(program,
            QStringLiteral("--transfers needs a number above 0, --seed a whole number, "
                           "--max-length 0 to 131056"));
        return 2;
    }
    QElapsedTimer wall;
    wall.start();
    Soak soak(seed, maxLength);
    if (!soak.started()) {
        std::fprintf(stderr, "vq250-soak: the emulated port did not open\n");
        return 1;
    }
    soak.run(transfers);
    printTable(soak.tally(), soak.virtualUs(), double(wall.elapsed()) / 1000.0, seed, maxLength);
    return soak.tally().mustBeZero() == 0 ? 0 : 1;
}
