#pragma once

#include <QByteArray>
#include <QString>

namespace vq250
{

// The serial port as the program uses it: the properties that start-up sets,
// in the order it sets them, and the six operations of the device link.
// The real port wraps QSerialPort; the device emulator and the tests' fakes
// implement the same interface, so DTR travels with each written byte.
class SerialPort
{
public:
    virtual ~SerialPort() = default;

    // Start-up settings, called in this order by the load step.
    virtual void setCommPort(int number) = 0; // 1 = first port
    virtual void setSettings(const QString &text) = 0; // "57600,N,8,1"
    virtual void setBinaryInput(bool binary) = 0;
    virtual void setInBufferSize(int bytes) = 0;
    virtual void setOutBufferSize(int bytes) = 0;
    // Opens the port; false with errorText() set when it cannot be opened.
    virtual bool open() = 0;
    virtual void setReceiveThreshold(int bytes) = 0;
    virtual bool isOpen() const = 0;
    virtual QString errorText() const = 0;

    // Device link operations.
    virtual void setDtr(bool asserted) = 0;
    virtual int bytesToWrite() const = 0; // bytes still waiting to be sent
    virtual int bytesAvailable() const = 0; // received bytes waiting
    virtual void write(const QByteArray &bytes) = 0;
    virtual QByteArray readAll() = 0; // every waiting byte, removed
    // Drops every written byte not yet on the line, so the device hears
    // silence at once. Used when a transfer is abandoned.
    virtual void discardOutput() = 0;
};

} // namespace vq250
