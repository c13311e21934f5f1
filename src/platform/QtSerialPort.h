#pragma once

#include "SerialPort.h"

#include <QSerialPort>

#include <functional>

namespace vq250
{

// Why a port would not open, as far as the system lets us tell.
enum class PortOpenFailure {
    None,
    Missing, // no such device
    PermissionDenied, // the device exists but we may not use it
    Busy, // another program holds it
    Other,
};

// The machine's serial port through QSerialPort. Port 1 is COM1 on Windows
// and /dev/ttyS0 elsewhere, unless a name is given.
class QtSerialPort final : public SerialPort
{
public:
    using WarningHandler = std::function<void(const QString &)>;

    explicit QtSerialPort(QString portName = {});

    void setCommPort(int number) override;
    void setSettings(const QString &text) override;
    void setBinaryInput(bool binary) override;
    void setInBufferSize(int bytes) override;
    void setOutBufferSize(int bytes) override;
    bool open() override;
    void setReceiveThreshold(int bytes) override;
    bool isOpen() const override;
    QString errorText() const override;

    void setDtr(bool asserted) override;
    int bytesToWrite() const override;
    int bytesAvailable() const override;
    void write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    void discardOutput() override;

    static QString portNameFor(int number);
    QString portName() const { return m_port.portName(); }
    // The name as given, or the one that setCommPort() chose.
    QString location() const { return m_location; }
    PortOpenFailure openFailure() const { return m_openFailure; }

    // Where the port's one-time warnings go (a DTR line it cannot set);
    // qWarning() when none is set.
    void setWarningHandler(WarningHandler handler) { m_warn = std::move(handler); }

    // Tells the reasons for a failed open apart. QSerialPort reports both a
    // refused device and one held by someone else as PermissionError, so the
    // device's own accessibility decides between them.
    static PortOpenFailure classifyOpenFailure(
        QSerialPort::SerialPortError error, bool exists, bool accessible);
    // The operator's explanation of a failed open.
    static QString openFailureText(
        PortOpenFailure failure, const QString &location, const QString &systemReason);

private:
    void warn(const QString &text) const;

    QSerialPort m_port;
    QString m_fixedName;
    QString m_location;
    QString m_error;
    PortOpenFailure m_openFailure = PortOpenFailure::None;
    WarningHandler m_warn;
    bool m_dtrUnsupported = false; // a pseudo-terminal has no DTR line
    bool m_dtrWarned = false;
};

} // namespace vq250
