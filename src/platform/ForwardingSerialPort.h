#pragma once

#include "platform/SerialPort.h"

namespace vq250
{

// A port that passes every call to another one. Decorators (such as a wire
// trace) derive from it and override only what they change.
class ForwardingSerialPort : public SerialPort
{
public:
    explicit ForwardingSerialPort(SerialPort &inner)
        : m_inner(inner)
    {
    }

    void setCommPort(int number) override { m_inner.setCommPort(number); }
    void setSettings(const QString &text) override { m_inner.setSettings(text); }
    void setBinaryInput(bool binary) override { m_inner.setBinaryInput(binary); }
    void setInBufferSize(int bytes) override { m_inner.setInBufferSize(bytes); }
    void setOutBufferSize(int bytes) override { m_inner.setOutBufferSize(bytes); }
    bool open() override { return m_inner.open(); }
    void setReceiveThreshold(int bytes) override { m_inner.setReceiveThreshold(bytes); }
    bool isOpen() const override { return m_inner.isOpen(); }
    QString errorText() const override { return m_inner.errorText(); }

    void setDtr(bool asserted) override { m_inner.setDtr(asserted); }
    int bytesToWrite() const override { return m_inner.bytesToWrite(); }
    int bytesAvailable() const override { return m_inner.bytesAvailable(); }
    void write(const QByteArray &bytes) override { m_inner.write(bytes); }
    QByteArray readAll() override { return m_inner.readAll(); }
    void discardOutput() override { m_inner.discardOutput(); }

protected:
    SerialPort &inner() { return m_inner; }
    const SerialPort &inner() const { return m_inner; }

private:
    SerialPort &m_inner;
};

} // namespace vq250
