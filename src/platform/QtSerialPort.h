#pragma once

#include "SerialPort.h"

#include <QSerialPort>

namespace vq250 {

// The machine's serial port through QSerialPort. Port 1 is COM1 on Windows
// and /dev/ttyS0 elsewhere, unless a name is given.
class QtSerialPort final : public SerialPort {
public:
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

    static QString portNameFor(int number);
    QString portName() const { return m_port.portName(); }

private:
    QSerialPort m_port;
    QString m_fixedName;
    QString m_error;
};

} // namespace vq250
