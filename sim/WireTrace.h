#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <algorithm>

namespace vq250
{

// One byte on the serial line.
struct WireByte {
    qint64 timeNs = 0; // when its stop bit ended
    bool toDevice = true; // PC to VQ250, else VQ250 to PC
    quint8 byte = 0;
    bool dtr = false; // DTR as the PC had set it when writing; false for device bytes
    QString note; // echo, marker, code, request, done, stray; "heard XX" if corrupted
};

// Every byte that crossed the line in either direction, in time order.
//
// Text form, one byte per line after two comment lines:
//   # VQ250 wire trace
//   # time_us dir dtr byte note
//   173.612 PC>VQ 1 A0
//   347.224 VQ>PC - A0 echo
// time_us is the end of the byte's stop bit in microseconds from the start
// of the run; dir is PC>VQ or VQ>PC; dtr is 1 or 0 for the PC's bytes and -
// for the device's; byte is two upper-case hex digits; the note is optional.
class WireTrace
{
public:
    void add(const WireByte &byte);
    void clear() { m_bytes.clear(); }
    // Forgets every byte added after the first `size`.
    void truncate(int size) { m_bytes.resize(std::min(size, this->size())); }

    QList<WireByte> bytes() const; // sorted by time, equal times in the order added
    QList<WireByte> toDevice() const;
    QList<WireByte> fromDevice() const;
    int size() const { return int(m_bytes.size()); }

    static QString line(const WireByte &byte);
    QString toText() const;
    bool writeTo(const QString &path) const;

private:
    QList<WireByte> m_bytes;
    bool m_sorted = true;
};

} // namespace vq250
