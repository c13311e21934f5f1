#pragma once

#include "platform/SerialPort.h"

namespace vq250
{

// A port with no device behind it: it opens, takes every byte and never
// answers. The demo runs on it until a device stand-in replaces it.
class SilentPort final : public SerialPort
{
public:
    void setCommPort(int) override { }
    void setSettings(const QString &) override { }
    void setBinaryInput(bool) override { }
    void setInBufferSize(int) override { }
    void setOutBufferSize(int) override { }
    bool open() override
    {
        m_open = true;
        return true;
    }
    void setReceiveThreshold(int) override { }
    bool isOpen() const override { return m_open; }
    QString errorText() const override { return {}; }

    void setDtr(bool) override { }
    int bytesToWrite() const override { return 0; }
    int bytesAvailable() const override { return 0; }
    void write(const QByteArray &) override { }
    QByteArray readAll() override { return {}; }

private:
    bool m_open = false;
};

} // namespace vq250
