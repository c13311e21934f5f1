// The fuzzer's bytes play the VQ250's side of one whole sound transfer in
// virtual time: for every byte the PC sends that awaits an answer (command,
// LenM, checksum) and for the byte between blocks, the input says what comes
// back and when: the right byte, the right byte with junk, a wrong byte, an
// error pair, nothing, and after how long; it can also hold the PC's send
// buffer and drop unrelated bytes on the line later.
//
// Properties: the transfer ends; the PC sends exactly the bytes of the
// transfer and nothing else; ErrCode 0 only when every awaited byte really
// came, in order and in time, up to the device's 0x73; a device that does
// everything right (junk behind a right byte allowed) gives ErrCode 0; the
// progress window is hidden and the reply timer disarmed at the end.

#include "FuzzCheck.h"

#include "core/ProgramState.h"
#include "core/Startup.h"
#include "fakes/ScriptedSerialPort.h"
#include "link/SoundTransfer.h"
#include "link/TransferHelpers.h"
#include "platform/Platform.h"
#include "platform/VirtualEventLoop.h"

#include <QSet>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

using namespace vq250;

namespace
{

constexpr quint8 Station = 10;
constexpr quint8 BGnum = 1;
constexpr qint64 TimeoutUs = qint64(ReplyTimeoutMs) * 1000;
// Echo delays after the PC's byte, and answer delays after the echo: both
// tables straddle the time-out.
constexpr qint64 EchoDelaysUs[4] = { 200, 3000, TimeoutUs - 1000, TimeoutUs + 1000 };
constexpr qint64 AnswerDelaysUs[4] = { 0, 300, TimeoutUs - 1000, TimeoutUs + 1000 };
constexpr qint64 LaterDelaysUs[4] = { 1000, 50000, 2000000, TimeoutUs + 1000000 };

enum class Place { Command, LenHigh, LenLow, Unechoed, Checksum };

// The transfer as it must appear on the line, worked out here from the block
// format alone so that it does not share a mistake with the code under test.
struct Reference {
    QByteArray bytes;
    std::vector<Place> places;
    std::vector<int> blockOf;
    std::vector<quint8> answers; // after block k: the next command, or 0x73
    QSet<quint8> awaited; // every byte the PC may wait for
};

void addBlock(Reference &ref, quint8 cmd, const QByteArray &payload)
{
    const int block = int(ref.answers.size());
    const int lenM = int(payload.size()) - 1;
    int sum = 0;
    for (char c : payload)
        sum += quint8(c);
    auto put = [&](quint8 byte, Place place) {
        ref.bytes.append(char(byte));
        ref.places.push_back(place);
        ref.blockOf.push_back(block);
        if (place != Place::Unechoed)
            ref.awaited.insert(byte);
    };
    put(cmd, Place::Command);
    put(quint8(lenM >> 8), Place::LenHigh);
    put(quint8(lenM), Place::LenLow);
    for (char c : payload)
        put(quint8(c), Place::Unechoed);
    put(quint8(sum), Place::Checksum);
    ref.answers.push_back(0);
}

Reference referenceFor(const ProgramState &state, qint32 length)
{
    Reference ref;
    QByteArray header;
    header.append(char(Station));
    header.append(char(BGnum));
    for (int i = 15; i >= 0; --i)
        header.append(char(state.SoundBuf[i]));
    addBlock(ref, 0xA0, header);

    quint8 cmd = 0xA1;
    for (qint32 addr = length + 15; addr >= 0;) {
        const qint32 count = std::min(addr + 4, 8192);
        QByteArray payload;
        payload.append(char(addr >> 16));
        payload.append(char(addr >> 8));
        payload.append(char(addr));
        for (qint32 i = addr; i > addr - (count - 3); --i)
            payload.append(char(state.SoundBuf[i]));
        ref.answers.back() = cmd;
        addBlock(ref, cmd, payload);
        addr -= count - 3;
        ++cmd;
    }
    ref.answers.back() = 0x73;
    for (quint8 answer : ref.answers)
        ref.awaited.insert(answer);
    return ref;
}

class Input
{
public:
    Input(const uint8_t *data, size_t size)
        : m_data(data)
        , m_size(size)
    {
    }
    // The next byte, or `fallback` once the input is used up, so a short
    // input ends in a device that does everything right.
    quint8 take(quint8 fallback = 0) { return m_pos < m_size ? m_data[m_pos++] : fallback; }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// The scripted port, with a bound on polls: a transfer that keeps polling
// far beyond what its bytes need has hung.
class GuardedPort final : public fakes::ScriptedSerialPort
{
public:
    GuardedPort(VirtualEventLoop &events, long pollLimit)
        : ScriptedSerialPort(events)
        , m_pollLimit(pollLimit)
    {
    }
    int bytesAvailable() const override
    {
        poll();
        return ScriptedSerialPort::bytesAvailable();
    }
    int bytesToWrite() const override
    {
        poll();
        return ScriptedSerialPort::bytesToWrite();
    }

private:
    void poll() const { FUZZ_CHECK(++m_polls <= m_pollLimit, "transfer does not end"); }
    long m_pollLimit;
    mutable long m_polls = 0;
};

// The device's side, read from the input one decision at a time.
class ReplyScript
{
public:
    ReplyScript(GuardedPort &port, const Reference &ref, Input &input)
        : m_port(port)
        , m_ref(ref)
        , m_input(input)
        , m_echoOk(size_t(ref.bytes.size()), false)
        , m_answerOk(ref.answers.size(), false)
    {
    }

    void onWrite(int index, quint8 byte, bool dtr)
    {
        FUZZ_CHECK(index < m_ref.bytes.size(), "PC sent more than the transfer holds");
        FUZZ_CHECK(byte == quint8(m_ref.bytes[index]), "PC sent a wrong byte");
        const Place place = m_ref.places[size_t(index)];
        FUZZ_CHECK(dtr == (place == Place::Command), "DTR not only on the command byte");
        if (place == Place::Unechoed)
            return;
        const qint64 echoAt = echo(index);
        if (place == Place::Checksum)
            answer(m_ref.blockOf[size_t(index)], echoAt);
    }

    // Every awaited byte came right and in time, the 0x73 included.
    bool answeredEverything() const
    {
        for (size_t i = 0; i < m_echoOk.size(); ++i)
            if (m_ref.places[i] != Place::Unechoed && !m_echoOk[i])
                return false;
        return std::all_of(m_answerOk.begin(), m_answerOk.end(), [](bool ok) { return ok; });
    }
    // Nothing went wrong at any point the PC reached.
    bool flawless() const { return !m_flawed; }

private:
    // A byte the PC does not wait for and can never take for one it does.
    quint8 junk()
    {
        quint8 value = m_input.take();
        while (m_ref.awaited.contains(value))
            ++value;
        return value;
    }
    static quint8 other(quint8 value, quint8 than)
    {
        return value == than ? quint8(than ^ 1) : value;
    }

    // Answers the byte at `index`; returns when the echo (or its stand-in)
    // arrives, for the answer between blocks to follow it.
    qint64 echo(int index)
    {
        const quint8 expected = quint8(m_ref.bytes[index]);
        const quint8 action = m_input.take();
        const qint64 delay = EchoDelaysUs[(action >> 3) & 3];
        const bool inTime = delay < TimeoutUs;
        QByteArray reply;
        bool right = false;
        switch (action & 7) {
        case 0:
        case 1:
        case 2:
            reply.append(char(expected));
            right = true;
            break;
        case 3: { // the echo with junk behind it, as one read
            reply.append(char(expected));
            for (int n = 1 + (m_input.take() & 3); n > 0; --n)
                reply.append(char(junk()));
            right = true;
            break;
        }
        case 4:
            reply.append(char(other(m_input.take(), expected)));
            break;
        case 5:
            reply.append(char(other(m_input.take(), expected)));
            reply.append(char(m_input.take()));
            break;
        case 6:
            break;
        case 7: { // the echo, and unrelated bytes later
            reply.append(char(expected));
            right = true;
            QByteArray later;
            for (int n = 1 + (m_input.take() & 3); n > 0; --n)
                later.append(char(junk()));
            m_port.reply(later, LaterDelaysUs[m_input.take() & 3]);
            m_flawed = true;
            break;
        }
        }
        if (!reply.isEmpty())
            m_port.reply(reply, delay);
        m_echoOk[size_t(index)] = right && inTime;
        m_flawed = m_flawed || !m_echoOk[size_t(index)];
        holdSendBuffer(action >> 5);
        return delay;
    }

    void holdSendBuffer(int how)
    {
        if (how == 6)
            m_port.holdTx(1, 2000);
        if (how == 7) {
            m_port.holdTx(1, TimeoutUs + 500000);
            m_flawed = true;
        }
    }

    void answer(int block, qint64 echoDelay)
    {
        const quint8 expected = m_ref.answers[size_t(block)];
        const quint8 action = m_input.take();
        const qint64 delay = AnswerDelaysUs[(action >> 3) & 3];
        QByteArray reply;
        bool right = false;
        switch (action & 7) {
        case 0:
        case 1:
        case 2:
            reply.append(char(expected));
            right = true;
            break;
        case 3: // junk, then the answer, as one read
            for (int n = 1 + (m_input.take() & 3); n > 0; --n)
                reply.append(char(junk()));
            reply.append(char(expected));
            right = true;
            break;
        case 4:
            reply.append(char(other(m_input.take(), expected)));
            break;
        case 5:
            reply.append(char(m_input.take()));
            reply.append(char(other(m_input.take(), expected)));
            break;
        case 6:
            break;
        case 7: // the answer with junk behind it: not the last byte read
            reply.append(char(expected));
            reply.append(char(junk()));
            break;
        }
        if (!reply.isEmpty())
            m_port.reply(reply, echoDelay + delay);
        m_answerOk[size_t(block)] = right && delay < TimeoutUs;
        m_flawed = m_flawed || !m_answerOk[size_t(block)];
    }

    GuardedPort &m_port;
    const Reference &m_ref;
    Input &m_input;
    std::vector<bool> m_echoOk;
    std::vector<bool> m_answerOk;
    bool m_flawed = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input input(data, size);
    // A first byte below 0x80 gives a short sound (up to 508 samples, one
    // data block), so most runs are quick; else it and the next give up to
    // 16383 samples, one to three data blocks.
    const quint8 first = input.take();
    const qint32 length
        = first < 0x80 ? qint32(first) * 4 : (qint32(first & 0x3F) << 8 | input.take());

    auto state = std::make_unique<ProgramState>();
    test::putSound(*state, length, 0x9E3779B9u ^ quint32(length));
    const Reference ref = referenceFor(*state, length);

    VirtualEventLoop events;
    std::unique_ptr<OneShotTimer> timer = events.createTimer();
    attachReplyTimer(*state, *timer);
    timer->setInterval(ReplyTimeoutMs);
    GuardedPort port(events, 20L * ref.bytes.size() + 100000);
    ReplyScript script(port, ref, input);
    port.onWrite
        = [&script](int index, quint8 byte, bool dtr) { script.onWrite(index, byte, dtr); };
    fakes::FakeMessageBox box;
    fakes::FakeFileDialog dialog;
    fakes::FakeProgressView progress;
    fakes::FakeMainView window;
    Platform platform { port, box, dialog, events, *timer, progress, window };

    WriteSoundToFlash(*state, platform, Station, BGnum);

    FUZZ_CHECK(!progress.visible, "progress window left up");
    FUZZ_CHECK(!timer->isActive(), "reply timer left armed");
    FUZZ_CHECK(state->TimedOut == FlagFalse, "TimedOut left set");
    FUZZ_CHECK(box.shown.isEmpty(), "the transfer showed a box");
    if (state->ErrCode == 0) {
        FUZZ_CHECK(port.sent.size() == ref.bytes.size(), "success before the whole sound was sent");
        FUZZ_CHECK(script.answeredEverything(), "success although the device did not answer right");
    }
    if (script.flawless())
        FUZZ_CHECK(state->ErrCode == 0, "a device that did everything right was not believed");
    return 0;
}
