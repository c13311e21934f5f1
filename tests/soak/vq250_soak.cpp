// vq250-soak: loads sound after sound into the emulated VQ250 through the
// load command, in virtual time with the program's 8000 ms reply time-out,
// each with one fault of the device or the line placed at a random byte,
// with clean loads between them, and checks every outcome against the code
// the fault calls for.
//
//   vq250-soak [--transfers N] [--seed S] [--max-length BYTES]
//
// It stops by itself after N transfers with a fault (and the clean ones
// between them), prints a table and exits non-zero
// when any transfer hung, reported a success the device had not stored byte
// for byte, left a corrupt slot, ended with another code than its fault
// calls for, left the progress window up, or when the device could not be
// loaded again after a failure.

#include "core/ProgramState.h"
#include "core/Startup.h"
#include "errors/ErrorTable.h"
#include "fakes/Fakes.h"
#include "link/ReplyWait.h"
#include "link/emulator/EmulatedPort.h"
#include "load/LoadCommand.h"
#include "platform/Platform.h"
#include "platform/VirtualEventLoop.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QSet>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <vector>

using namespace vq250;

namespace
{

constexpr int HeaderCount = 18;
constexpr int MaxCount = 8192;
constexpr quint8 DoneByte = 0x73;
constexpr int AnswerPlace = -2; // a fault on the byte the device sends between blocks
// The PC's send buffer as start-up sizes it, and a Linux driver's queue.
constexpr int ProgramQueueBytes = 8448;
constexpr int DriverQueueBytes = 4096;
// ---------------------------------------------------------------------------
// One load: the operator's entries, the sound, and the transfer as it must
// appear on the line.

struct Block {
    quint8 cmd = 0;
    int count = 0; // bytes between LenM and the checksum
    quint8 lenHigh = 0;
    quint8 lenLow = 0;
    QByteArray payload; // address pointer and data, as sent
    quint8 checksum = 0;
    quint8 answer = 0; // what the device sends after it: next command or 0x73
};

struct Job {
    quint8 station = 10;
    quint8 bg = 1;
    quint8 volume = 18;
    QByteArray name;
    bool looping = true;
    QByteArray samples;
    QByteArray header; // the 16 bytes the load command must build
    std::vector<Block> blocks; // 0: header block, then the data blocks
    QSet<quint8> awaited; // every byte the PC waits for in this transfer

    int lastBlock() const { return int(blocks.size()) - 1; }
};

Block makeBlock(quint8 cmd, const QByteArray &payload)
{
    Block block;
    block.cmd = cmd;
    block.count = int(payload.size());
    block.lenHigh = quint8((block.count - 1) >> 8);
    block.lenLow = quint8(block.count - 1);
    block.payload = payload;
    int sum = 0;
    for (char c : payload)
        sum += quint8(c);
    block.checksum = quint8(sum);
    return block;
}

// The blocks worked out from the block format alone, so that the soak does
// not share a mistake with the code under test.
void planBlocks(Job &job)
{
    QByteArray headerData;
    headerData.append(char(job.station));
    headerData.append(char(job.bg));
    for (int i = 15; i >= 0; --i)
        headerData.append(job.header[i]);
    job.blocks.push_back(makeBlock(0xA0, headerData));

    const QByteArray image = job.header + job.samples;
    quint8 cmd = 0xA1;
    for (qint32 addr = qint32(image.size()) - 1; addr >= 0;) {
        const int count = std::min(addr + 4, MaxCount);
        QByteArray payload;
        payload.append(char(addr >> 16));
        payload.append(char(addr >> 8));
        payload.append(char(addr));
        for (qint32 i = addr; i > addr - (count - 3); --i)
            payload.append(image[i]);
        job.blocks.back().answer = cmd;
        job.blocks.push_back(makeBlock(cmd, payload));
        addr -= count - 3;
        ++cmd;
    }
    job.blocks.back().answer = DoneByte;
    job.awaited.insert(0);
    for (const Block &block : job.blocks)
        job.awaited += QSet<quint8> { block.cmd, block.lenHigh, block.lenLow, block.checksum,
            block.answer };
}

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

qint32 randomLength(Random &random, qint32 maxLength)
{
    qint32 length = 0;
    const int pick = random.below(100);
    if (pick < 40)
        length = random.between(0, 600);
    else if (pick < 70)
        length = random.between(600, 8200);
    else if (pick < 90)
        length = random.between(8200, 40000);
    else
        length = random.between(40000, 131056);
    return std::min(length, maxLength);
}

Job randomJob(Random &random, qint32 maxLength)
{
    Job job;
    job.station = quint8(random.between(10, 15));
    job.bg = quint8(random.between(1, 8));
    qint32 length = randomLength(random, maxLength);
    if (job.bg == 8)
        length = std::min(length, 65519);
    job.volume = quint8(random.between(0, 255));
    for (int n = random.between(0, 10); n > 0; --n)
        job.name.append(char(random.between(0x21, 0x7E)));
    job.looping = random.chance(50);
    job.samples.resize(length);
    for (char &c : job.samples)
        c = char(random.below(256));

    job.header.append(char(87));
    job.header.append(char(job.volume));
    job.header.append(job.name.leftJustified(10, char(160)));
    job.header.append(char(length));
    job.header.append(char(length >> 8));
    job.header.append(char(length >> 16));
    job.header.append(char(job.looping ? 1 : 0));
    planBlocks(job);
    return job;
}

// ---------------------------------------------------------------------------
// Faults and what each calls for.

enum class Kind {
    DroppedEcho,
    CorruptedToDevice,
    CorruptedEcho,
    Silence,
    Busy,
    StrayByte,
    EarlyDone,
    ZeroCode
};
constexpr int KindCount = 8;
const char *const KindNames[KindCount] = { "dropped echo", "corrupted byte to the device",
    "corrupted echo", "silence", "busy (255)", "stray byte", "early 0x73", "0 as a code" };

// How the device's line and timing are set for one transfer.
enum class Profile {
    Quick, // answers at once, request and echo as separate reads
    Flash, // a reaction time and 1 to 40 ms of flash writing per block
    Joined, // no flash time: the request arrives with the checksum's echo
};
const char *const ProfileNames[3] = { "quick", "flash", "joined" };

enum class Tri { No, Yes, Maybe };

struct Placed {
    Kind kind = Kind::DroppedEcho;
    int block = 0;
    int byte = 0; // 0 command, 1-2 LenM, 3.. payload, DeviceFault::Checksum or AnswerPlace
    quint8 value = 0; // mask, code or stray byte
    DeviceFault fault;
};

struct Expectation {
    QList<int> codes; // 0: success
    Tri leftInBlock = Tri::No; // the device still waits for the rest of a block
    Tri stored = Tri::No; // the device has the whole sound
    QString rule; // which rule of the exchange gave this, for diagnostics
};

QString placeText(const Placed &placed)
{
    QString where = QStringLiteral("block %1 ").arg(placed.block);
    if (placed.byte == AnswerPlace)
        return where + QStringLiteral("answer");
    if (placed.byte == DeviceFault::Checksum)
        return where + QStringLiteral("checksum");
    return where + QStringLiteral("byte %1").arg(placed.byte);
}

int placeOfPayload(Random &random, const Block &block)
{
    return 3 + random.below(block.count);
}

// Any byte of the block the PC sends.
int anyByte(Random &random, const Block &block)
{
    const int pick = random.below(100);
    if (pick < 20)
        return random.below(3);
    if (pick < 40)
        return DeviceFault::Checksum;
    return placeOfPayload(random, block);
}

int echoedByte(Random &random)
{
    const int pick = random.below(4);
    return pick == 3 ? DeviceFault::Checksum : pick;
}

// One or two flipped bits: a line error, never all eight.
quint8 randomMask(Random &random)
{
    quint8 mask = quint8(1 << random.below(8));
    if (random.chance(30))
        mask |= quint8(1 << random.below(8));
    return mask;
}

// A byte the PC waits for nowhere in this transfer, so a stray can never be
// taken for an echo or a request.
quint8 strayValue(Random &random, const Job &job)
{
    quint8 value = quint8(random.between(1, 255));
    while (job.awaited.contains(value))
        ++value;
    return value;
}

Placed placeFault(Random &random, const Job &job)
{
    Placed p;
    p.kind = Kind(random.below(KindCount));
    p.block = random.below(int(job.blocks.size()));
    const Block &block = job.blocks[size_t(p.block)];
    switch (p.kind) {
    case Kind::DroppedEcho:
        p.byte = echoedByte(random);
        p.fault = DeviceFault::dropEcho(p.block, p.byte);
        break;
    case Kind::CorruptedEcho:
        p.byte = echoedByte(random);
        p.value = randomMask(random);
        p.fault = DeviceFault::corruptEcho(p.block, p.byte, p.value);
        break;
    case Kind::CorruptedToDevice:
        p.byte = anyByte(random, block);
        p.value = randomMask(random);
        p.fault = DeviceFault::corruptToDevice(p.block, p.byte, p.value);
        break;
    case Kind::Silence:
        p.byte = random.chance(75) ? anyByte(random, block) : AnswerPlace;
        p.fault = p.byte == AnswerPlace ? DeviceFault::omitAnswer(p.block)
                                        : DeviceFault::goSilent(p.block, p.byte);
        break;
    case Kind::Busy:
    case Kind::ZeroCode:
        p.value = p.kind == Kind::Busy ? 255 : 0;
        p.byte = random.chance(70) ? anyByte(random, block) : AnswerPlace;
        p.fault = p.byte == AnswerPlace ? DeviceFault::replaceAnswer(p.block, p.value)
                                        : DeviceFault::errorReply(p.block, p.byte, p.value);
        break;
    case Kind::StrayByte:
        p.byte = anyByte(random, block);
        p.value = strayValue(random, job);
        p.fault = DeviceFault::strayByte(p.block, p.byte, p.value);
        break;
    case Kind::EarlyDone:
        // Early: in place of a request, so never after the last block.
        p.block = random.below(job.lastBlock());
        p.byte = AnswerPlace;
        p.value = DoneByte;
        p.fault = DeviceFault::replaceAnswer(p.block, p.value);
        break;
    }
    return p;
}

quint8 sentByte(const Block &block, int byte)
{
    switch (byte) {
    case 0:
        return block.cmd;
    case 1:
        return block.lenHigh;
    case 2:
        return block.lenLow;
    case DeviceFault::Checksum:
        return block.checksum;
    default:
        return quint8(block.payload[byte - 3]);
    }
}

// How the rules of the exchange play out for one fault. The device answers
// a broken rule with a pair (the byte it heard, inverted, then its code) and
// drops everything up to the next command byte; the PC takes the second byte
// of a pair as the code (0 becomes 225, so a 0 can never pass for success),
// a lone wrong byte as 225, silence as 224 after 8 s, and, between blocks,
// the last byte of a read as the device's answer.
class Rules
{
public:
    Rules(const Job &job, Profile profile, int queueBytes)
        : m_job(job)
        , m_profile(profile)
        , m_queueBytes(queueBytes)
    {
    }

    Expectation expect(const Placed &p) const
    {
        const Block &block = m_job.blocks[size_t(p.block)];
        const bool last = p.block == m_job.lastBlock();
        const Tri storedIfLast = last ? Tri::Yes : Tri::No;
        const bool checksum = p.byte == DeviceFault::Checksum;
        const bool payload = p.byte >= 3;
        switch (p.kind) {
        case Kind::DroppedEcho:
            if (checksum) {
                // The device takes the block and answers; the answer comes
                // where the echo is awaited, a lone wrong byte - unless it
                // happens to equal the checksum, when the PC then waits in
                // vain for the answer.
                return { { block.answer == block.checksum ? PCcommEr : UnknownEr }, Tri::No,
                    storedIfLast, QStringLiteral("answer in place of the checksum echo") };
            }
            return { { PCcommEr }, Tri::Yes, Tri::No, QStringLiteral("echo never comes") };
        case Kind::CorruptedEcho:
            if (checksum && m_profile == Profile::Joined) {
                // The wrong echo and the answer arrive as one read of two
                // bytes: the second one is taken as the device's code.
                return { { deviceErrorCode(block.answer) }, Tri::No, storedIfLast,
                    QStringLiteral("wrong echo read with the answer behind it") };
            }
            return { { UnknownEr }, checksum ? Tri::No : Tri::Yes,
                checksum ? storedIfLast : Tri::No, QStringLiteral("lone wrong echo") };
        case Kind::CorruptedToDevice:
            return corrupted(p, block);
        case Kind::Silence:
            if (p.byte == AnswerPlace)
                return { { PCcommEr }, Tri::No, storedIfLast,
                    QStringLiteral("no answer after a block") };
            // Silent from the command byte on, the device never heard the
            // block; later it is left inside it.
            return { { PCcommEr }, p.byte == 0 ? Tri::No : Tri::Yes, Tri::No,
                QStringLiteral("device silent") };
        case Kind::Busy:
        case Kind::ZeroCode: {
            const int code = deviceErrorCode(p.value);
            if (p.byte == AnswerPlace)
                return answerReplaced(code, storedIfLast);
            if (payload)
                return pairDuringPayload(code);
            return { { code }, Tri::No, Tri::No, QStringLiteral("error pair for an echoed byte") };
        }
        case Kind::EarlyDone:
            return answerReplaced(DoneByte, Tri::No);
        case Kind::StrayByte:
            return stray(p, block, last);
        }
        return {};
    }

private:
    // Every byte of a block up to its checksum goes into the send queue at
    // once when it has room for them; the PC then sees what the device sent
    // during the payload only when it waits for the checksum's echo. With a
    // smaller queue it may see it earlier, between two payload bytes.
    bool payloadFitsQueue(const Block &block) const { return block.count + 1 <= m_queueBytes; }

    Expectation answerReplaced(int code, Tri stored) const
    {
        if (m_profile == Profile::Joined) {
            // The code comes in one read behind the checksum's echo; the PC
            // still waits for a byte of its own, and when none comes the
            // code is what it reports.
            return { { code }, Tri::No, stored, QStringLiteral("code behind the checksum echo") };
        }
        return { { code }, Tri::No, stored, QStringLiteral("code in place of the answer") };
    }

    // A pair the device sends while the PC is still sending the payload. It
    // is read between payload bytes or while the checksum's echo is awaited;
    // should its first byte equal the checksum, the PC takes that for the
    // echo, waits in vain for the answer and then reports the code behind it.
    Expectation pairDuringPayload(int code) const
    {
        return { { code }, Tri::No, Tri::No, QStringLiteral("error pair during the payload") };
    }

    Expectation corrupted(const Placed &p, const Block &block) const
    {
        const quint8 heard = quint8(sentByte(block, p.byte) ^ p.value);
        if (p.byte == 0) {
            if (heard < 0xA0 || heard > 0xBF)
                return { { IllegalCmdEr }, Tri::No, Tri::No, QStringLiteral("unknown command") };
            if (heard == 0xA0) {
                // A header command: the device starts a new transfer and
                // echoes 0xA0, a lone wrong echo.
                return { { UnknownEr }, Tri::Yes, Tri::No,
                    QStringLiteral("heard a header command") };
            }
            return { { BlkAlignEr }, Tri::No, Tri::No, QStringLiteral("not the block expected") };
        }
        if (p.byte == 1)
            return { { UnknownEr }, Tri::Yes, Tri::No,
                QStringLiteral("echo of the LenM byte heard") };
        if (p.byte == 2) {
            const int count = (block.lenHigh << 8 | heard) + 1;
            if (count > MaxCount)
                return { { LenMLongEr }, Tri::No, Tri::No, QStringLiteral("LenM too long") };
            if (p.block == 0 ? count != HeaderCount : count < 4)
                return { { BlkAlignEr }, Tri::No, Tri::No,
                    QStringLiteral("impossible block length") };
            return { { UnknownEr }, Tri::Yes, Tri::No,
                QStringLiteral("echo of the LenM byte heard") };
        }
        if (p.block > 0 && p.byte >= 3 && p.byte <= 5) {
            // The address pointer is checked at its third byte.
            Expectation e = pairDuringPayload(BlkAlignEr);
            e.rule = QStringLiteral("address pointer differs");
            return e;
        }
        // Any other payload byte or the checksum itself: the sums differ.
        // The pair comes for the checksum, whose inverse never equals it.
        return { { CkSmEr }, Tri::No, Tri::No, QStringLiteral("checksum differs") };
    }

    Expectation stray(const Placed &p, const Block &block, bool last) const
    {
        if (p.byte == 0 || p.byte == 1) {
            // It arrives before the echo of the PC's next byte.
            return { { UnknownEr }, Tri::Yes, Tri::No,
                QStringLiteral("stray before the next echo") };
        }
        if (p.byte != DeviceFault::Checksum) {
            // It arrives while the payload goes out. Seen at the checksum's
            // echo, the device has the whole block; seen earlier, between
            // payload bytes, it is left inside the block.
            // The PC then drops what it has not sent yet: the checksum may
            // still be among it.
            if (payloadFitsQueue(block))
                return { { UnknownEr }, Tri::No, last ? Tri::Maybe : Tri::No,
                    QStringLiteral("stray before the checksum echo") };
            return { { UnknownEr }, Tri::Maybe, last ? Tri::Maybe : Tri::No,
                QStringLiteral("stray during the payload") };
        }
        // The device sends it behind its answer (after the flash time, if
        // any): harmless after 0x73, else it arrives before the echo of the
        // next command.
        if (last)
            return { { 0 }, Tri::No, Tri::Yes, QStringLiteral("stray after 0x73") };
        return { { UnknownEr }, Tri::Yes, Tri::No, QStringLiteral("stray before the next echo") };
    }

    const Job &m_job;
    Profile m_profile;
    int m_queueBytes;
};

// ---------------------------------------------------------------------------
// The program and the device, in virtual time.

// Event processing that gives up on a transfer that runs far longer than
// its bytes and one time-out can take, so a hang is counted, not waited for.
class HangGuard final : public EventLoop
{
public:
    struct Hang {
    };

    explicit HangGuard(VirtualEventLoop &loop)
        : m_loop(loop)
    {
    }
    void arm(long rounds, qint64 untilUs)
    {
        m_rounds = 0;
        m_roundLimit = rounds;
        m_deadlineUs = untilUs;
    }
    void processEvents() override
    {
        check();
        m_loop.processEvents();
    }
    void waitForEvents() override
    {
        check();
        m_loop.waitForEvents();
    }
    std::unique_ptr<OneShotTimer> createTimer() override { return m_loop.createTimer(); }
    qint64 nowUs() const override { return m_loop.nowUs(); }
    void wakeAt(qint64 us) override { m_loop.wakeAt(us); }

private:
    void check()
    {
        if (++m_rounds > m_roundLimit || m_loop.nowUs() > m_deadlineUs)
            throw Hang {};
    }
    VirtualEventLoop &m_loop;
    long m_rounds = 0;
    long m_roundLimit = 0;
    qint64 m_deadlineUs = 0;
};

EmulatorOptions optionsFor(int queueBytes)
{
    EmulatorOptions options;
    options.txQueueBytes = queueBytes;
    options.recordTrace = false;
    return options;
}

struct Rig {
    explicit Rig(int queueBytes)
        : queueBytes(queueBytes)
        , port(makeEmulatedPort(events, optionsFor(queueBytes)))
        , platform { *port, box, dialog, guard, *timer, progress, window }
    {
        started = runLoadStep(*state, *port, *timer);
    }

    int queueBytes;
    VirtualEventLoop events;
    HangGuard guard { events };
    std::unique_ptr<OneShotTimer> timer = events.createTimer();
    std::unique_ptr<ProgramState> state = std::make_unique<ProgramState>();
    std::unique_ptr<EmulatedPort> port;
    fakes::FakeMessageBox box;
    fakes::FakeFileDialog dialog;
    fakes::FakeProgressView progress;
    fakes::FakeMainView window;
    Platform platform;
    bool started = false;
};

struct Timing {
    Profile profile = Profile::Quick;
    DeviceTiming device;
};

Timing randomTiming(Random &random)
{
    Timing timing;
    timing.profile = Profile(random.below(3));
    switch (timing.profile) {
    case Profile::Quick:
        break;
    case Profile::Flash:
        timing.device.replyDelayNs = qint64(random.between(0, 300)) * 1000;
        timing.device.flashWriteNs = qint64(random.between(1000, 40000)) * 1000;
        break;
    case Profile::Joined:
        timing.device.replyDelayNs = qint64(random.between(0, 300)) * 1000;
        timing.device.requestWithEcho = true;
        break;
    }
    return timing;
}

struct Outcome {
    bool hung = false;
    int code = 0; // 0: success (no box)
    bool stored = false; // the device completed this transfer
    bool slotMatches = false; // ... and its slot holds exactly this sound
    bool progressHidden = true;
    bool commandsBack = true;
    bool codeTextRight = true; // one box whose title names the code, none on success
};

// Upper bound on a transfer's virtual time: its bytes both ways, each
// block's flash time, one time-out (the first failure ends it), and the
// wait for the device to drop a block an earlier failure left.
qint64 boundUs(const Job &job, const Timing &timing)
{
    qint64 bytes = 0;
    for (const Block &block : job.blocks)
        bytes += block.count + 8;
    const qint64 perBlockNs
        = timing.device.flashWriteNs + 8 * timing.device.replyDelayNs + 8 * LineByteNs;
    return (2 * bytes * LineByteNs + qint64(job.blocks.size()) * perBlockNs) / 1000
        + qint64(ReplyTimeoutMs + AbandonedBlockDropMs) * 1000 + 500000;
}

Outcome load(Rig &rig, const Job &job, const Timing &timing)
{
    ProgramState &state = *rig.state;
    state.FileOpened = FlagTrue;
    state.SoundLen = qint32(job.samples.size());
    std::copy(job.samples.begin(), job.samples.end(), state.SoundBuf.begin() + 16);
    rig.window.destinationText = QString(QChar('A' + job.station - 10)) + QString::number(job.bg);
    rig.window.volumeText = QString::number(job.volume);
    rig.window.name = QString::fromLatin1(job.name);
    rig.window.loopValue = job.looping ? Checked : Unchecked;
    rig.box.shown.clear();
    rig.port->device().setTiming(timing.device);

    Outcome outcome;
    const int completedBefore = rig.port->device().completedTransfers();
    const qint64 start = rig.events.nowUs();
    rig.guard.arm(long(8 * (job.samples.size() + 64 * job.blocks.size())) + 20000,
        start + boundUs(job, timing));
    LoadResult result;
    try {
        result = LoadSound(state, rig.platform);
    } catch (const HangGuard::Hang &) {
        outcome.hung = true;
        return outcome;
    }
    outcome.progressHidden = !rig.progress.visible;
    outcome.commandsBack = rig.window.commandsEnabled;
    outcome.code = result.kind == LoadResult::Kind::Loaded ? 0
        : result.kind == LoadResult::Kind::Refused         ? -1
                                                           : int(result.code);
    if (outcome.code == 0)
        outcome.codeTextRight = rig.box.shown.isEmpty();
    else
        outcome.codeTextRight = rig.box.shown.size() == 1 && outcome.code > 0
            && rig.box.shown.last().title
                == errorMessage(quint8(outcome.code), state.WavHelpText).title
            && state.ErrCode == 0;
    outcome.stored = rig.port->device().completedTransfers() > completedBefore;
    const StoredSlot *slot = rig.port->device().slot(job.station, job.bg);
    outcome.slotMatches = outcome.stored && slot && slot->complete && slot->header == job.header
        && slot->sound() == job.samples;
    return outcome;
}

// The operator presses OK and loads again at once: no pause but for the
// device's bytes already on the line (a stray behind 0x73) to arrive. A
// fault the device has not played is taken back, and a device gone silent
// is itself again.
void pause(Rig &rig)
{
    rig.port->device().clearFaults();
    rig.port->device().setSilent(false);
    rig.events.advanceTo(std::max(rig.events.nowUs(), rig.port->deviceQuietAtUs()));
}

// ---------------------------------------------------------------------------
// Counting.

struct Tally {
    int transfers = 0;
    int withFault = 0;
    std::array<int, KindCount> byKind {};
    std::array<int, 3> byProfile {};
    int successes = 0;
    std::map<int, int> failuresByCode;
    int storedThoughFailed = 0;
    int recoveredAtOnce = 0;
    int notRecovered = 0;
    int unexpected = 0;
    int progressLeftUp = 0;
    int hangs = 0;
    int falseSuccesses = 0;
    int corruptSlots = 0;
    int wrongBoxes = 0;

    int mustBeZero() const
    {
        return hangs + falseSuccesses + corruptSlots + unexpected + notRecovered + progressLeftUp
            + wrongBoxes;
    }
};

class Soak
{
public:
    Soak(quint32 seed, qint32 maxLength)
        : m_random(seed)
        , m_maxLength(maxLength)
    {
        m_rigs.push_back(std::make_unique<Rig>(ProgramQueueBytes));
        m_rigs.push_back(std::make_unique<Rig>(DriverQueueBytes));
    }

    bool started() const
    {
        return std::all_of(
            m_rigs.begin(), m_rigs.end(), [](const auto &rig) { return rig->started; });
    }

    // `faulty` transfers with a fault each, and clean ones between them: the
    // loads that must go through after a failure, and now and then another.
    void run(int faulty)
    {
        while (m_tally.withFault < faulty) {
            const size_t which = m_random.chance(70) ? 0 : 1;
            faultTransfer(which);
            if (m_random.chance(30))
                cleanTransfer(which, { { 0 }, Tri::No, Tri::No, QStringLiteral("clean") });
        }
    }

    const Tally &tally() const { return m_tally; }
    qint64 virtualUs() const
    {
        qint64 total = 0;
        for (const auto &rig : m_rigs)
            total += rig->events.nowUs();
        return total;
    }

private:
    // Counts one transfer; false when it hung (the rig is then replaced).
    bool count(
        size_t which, const Outcome &outcome, const Expectation &expected, const QString &what)
    {
        ++m_tally.transfers;
        if (outcome.hung) {
            ++m_tally.hangs;
            report(what, expected, QStringLiteral("hung"));
            m_rigs[which] = std::make_unique<Rig>(m_rigs[which]->queueBytes);
            return false;
        }
        if (outcome.code == 0)
            ++m_tally.successes;
        else
            ++m_tally.failuresByCode[outcome.code];
        if (outcome.code == 0 && !outcome.slotMatches)
            ++m_tally.falseSuccesses;
        if (outcome.stored && !outcome.slotMatches)
            ++m_tally.corruptSlots;
        if (outcome.code != 0 && outcome.stored)
            ++m_tally.storedThoughFailed;
        if (!outcome.progressHidden || !outcome.commandsBack)
            ++m_tally.progressLeftUp;
        if (!outcome.codeTextRight)
            ++m_tally.wrongBoxes;

        const bool codeOk = expected.codes.contains(outcome.code);
        const bool storedOk = expected.stored == Tri::Maybe
            || outcome.stored == (expected.stored == Tri::Yes || outcome.code == 0);
        if (!codeOk || !storedOk) {
            ++m_tally.unexpected;
            report(what, expected,
                QStringLiteral("code %1, %2")
                    .arg(outcome.code)
                    .arg(outcome.stored ? "stored" : "not stored"));
        }
        return true;
    }

    void report(const QString &what, const Expectation &expected, const QString &got)
    {
        constexpr int MaxReports = 25;
        if (++m_reports > MaxReports)
            return;
        QStringList codes;
        for (int code : expected.codes)
            codes << QString::number(code);
        std::fprintf(stderr, "transfer %d: %s: expected code %s (%s), got %s\n", m_tally.transfers,
            qPrintable(what), qPrintable(codes.join(QLatin1Char('/'))), qPrintable(expected.rule),
            qPrintable(got));
    }

    Outcome cleanTransfer(size_t which, const Expectation &expected)
    {
        Rig &rig = *m_rigs[which];
        const Job job = randomJob(m_random, m_maxLength);
        Timing timing = randomTiming(m_random);
        const Outcome outcome = load(rig, job, timing);
        count(which, outcome, expected,
            QStringLiteral("clean %1 bytes, %2")
                .arg(job.samples.size())
                .arg(ProfileNames[int(timing.profile)]));
        if (!outcome.hung)
            pause(rig);
        return outcome;
    }

    void faultTransfer(size_t which)
    {
        Rig &rig = *m_rigs[which];
        const Job job = randomJob(m_random, m_maxLength);
        const Timing timing = randomTiming(m_random);
        const Placed placed = placeFault(m_random, job);
        const Expectation expected = Rules(job, timing.profile, rig.queueBytes).expect(placed);
        ++m_tally.withFault;
        ++m_tally.byKind[size_t(placed.kind)];
        ++m_tally.byProfile[size_t(timing.profile)];

        rig.port->device().addFault(placed.fault);
        const Outcome outcome = load(rig, job, timing);
        const QString what = QStringLiteral("%1 at %2 (value %3), %4 bytes, %5, queue %6")
                                 .arg(KindNames[int(placed.kind)], placeText(placed))
                                 .arg(placed.value)
                                 .arg(job.samples.size())
                                 .arg(ProfileNames[int(timing.profile)])
                                 .arg(rig.queueBytes);
        if (!count(which, outcome, expected, what))
            return;
        pause(rig);
        if (outcome.code != 0)
            recover(which, what);
    }

    // After a failure, the very next load must go through.
    void recover(size_t which, const QString &what)
    {
        const Outcome outcome = cleanTransfer(
            which, { { 0 }, Tri::No, Tri::No, QStringLiteral("clean after: ") + what });
        if (!outcome.hung && outcome.code == 0) {
            ++m_tally.recoveredAtOnce;
            return;
        }
        ++m_tally.notRecovered;
        // Bring the device back for the transfers that follow.
        for (int tries = 0; tries < 3; ++tries) {
            if (cleanTransfer(
                    which, { { 0, MisDatEr }, Tri::No, Tri::Maybe, QStringLiteral("resync") })
                    .code
                == 0)
                break;
        }
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
        row(QStringLiteral("  ") + QLatin1String(KindNames[k]), t.byKind[size_t(k)]);
    std::printf("  faults by device timing\n");
    for (int p = 0; p < 3; ++p)
        row(QStringLiteral("  ") + QLatin1String(ProfileNames[p]), t.byProfile[size_t(p)]);
    row(QStringLiteral("successes"), t.successes);
    std::printf("  failures by code\n");
    for (const auto &[code, n] : t.failuresByCode) {
        // The mnemonic at the end of the box title, "(VQbusyEr)".
        const QString title = errorMessage(quint8(code), QString()).title;
        const int open = title.lastIndexOf(QLatin1Char('('));
        const QString name
            = open < 0 ? QStringLiteral("unrecognized") : title.mid(open + 1).chopped(1);
        row(QStringLiteral("  %1 %2").arg(
                QString::number(code, 16).toUpper().rightJustified(2, QLatin1Char('0')), name),
            n);
    }
    row(QStringLiteral("failed after the device had stored the sound"), t.storedThoughFailed);
    row(QStringLiteral("next load went through at once"), t.recoveredAtOnce);
    row(QStringLiteral("not recovered"), t.notRecovered);
    row(QStringLiteral("outcome other than the fault calls for"), t.unexpected);
    row(QStringLiteral("wrong message box"), t.wrongBoxes);
    row(QStringLiteral("progress window left up"), t.progressLeftUp);
    row(QStringLiteral("hangs"), t.hangs);
    row(QStringLiteral("false successes"), t.falseSuccesses);
    row(QStringLiteral("corrupt slots"), t.corruptSlots);
    std::printf("  %-52s %8.1f\n", "virtual time, s", double(virtualUs) / 1e6);
    std::printf("  %-52s %8.1f\n", "wall time, s", wallSeconds);
}

bool parseArgs(int argc, char **argv, int &transfers, quint32 &seed, qint32 &maxLength)
{
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        bool ok = hasValue;
        if (std::strcmp(argv[i], "--transfers") == 0 && hasValue)
            transfers = QByteArray(argv[++i]).toInt(&ok);
        else if (std::strcmp(argv[i], "--seed") == 0 && hasValue)
            seed = QByteArray(argv[++i]).toUInt(&ok);
        else if (std::strcmp(argv[i], "--max-length") == 0 && hasValue)
            maxLength = QByteArray(argv[++i]).toInt(&ok);
        else
            ok = false;
        if (!ok)
            return false;
    }
    return transfers > 0 && maxLength >= 0 && maxLength <= 131056;
}

} // namespace

int main(int argc, char **argv)
{
    int transfers = 2000;
    quint32 seed = 1;
    qint32 maxLength = 131056;
    if (!parseArgs(argc, argv, transfers, seed, maxLength)) {
        std::fprintf(stderr,
            "usage: %s [--transfers N] [--seed S] [--max-length BYTES]\n"
            "  N > 0 (default 2000), BYTES 0 to 131056 (default 131056)\n",
            argv[0]);
        return 2;
    }
    QElapsedTimer wall;
    wall.start();
    Soak soak(seed, maxLength);
    if (!soak.started()) {
        std::fprintf(stderr, "the emulated port did not open\n");
        return 1;
    }
    soak.run(transfers);
    printTable(soak.tally(), soak.virtualUs(), double(wall.elapsed()) / 1000.0, seed, maxLength);
    return soak.tally().mustBeZero() == 0 ? 0 : 1;
}
