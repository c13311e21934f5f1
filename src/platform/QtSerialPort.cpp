#include "QtSerialPort.h"

#include <QStringList>

namespace vq250 {

QtSerialPort::QtSerialPort(QString portName) : m_fixedName(std::move(portName))
{
    if (!m_fixedName.isEmpty())
        m_port.setPortName(m_fixedName);
}

QString QtSerialPort::portNameFor(int number)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

void QtSerialPort::setCommPort(int number)
{
    if (m_fixedName.isEmpty())
        m_port.setPortName(portNameFor(number));
}

// "baud,parity,data,stop", parity N, E, O, M or S.
void QtSerialPort::setSettings(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return;
    m_port.setBaudRate(parts[0].toInt());
    switch (parts[1].trimmed().toUpper().at(0).toLatin1()) {
    case 'E': m_port.setParity(QSerialPort::EvenParity); break;
    case 'O': m_port.setParity(QSerialPort::OddParity); break;
    case 'M': m_port.setParity(QSerialPort::MarkParity); break;
    case 'S': m_port.setParity(QSerialPort::SpaceParity); break;
    default: m_port.setParity(QSerialPort::NoParity); break;
    }
    m_port.setDataBits(static_cast<QSerialPort::DataBits>(parts[2].toInt()));
    m_port.setStopBits(parts[3].trimmed() == QLatin1String("2") ? QSerialPort::TwoStop
                                                                  : QSerialPort::OneStop);
}

void QtSerialPort::setBinaryInput(bool) {}  // QSerialPort always delivers bytes

void QtSerialPort::setInBufferSize(int bytes) { m_port.setReadBufferSize(bytes); }

void QtSerialPort::setOutBufferSize(int) {}  // the driver's queue sets the limit

bool QtSerialPort::open()
{
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (m_port.open(QIODevice::ReadWrite)) {
        m_error.clear();
        return true;
    }
    m_error = QStringLiteral("%1: %2").arg(m_port.portName(), m_port.errorString());
    return false;
}

void QtSerialPort::setReceiveThreshold(int) {}  // readyRead already fires per arrival

bool QtSerialPort::isOpen() const { return m_port.isOpen(); }

QString QtSerialPort::errorText() const { return m_error; }

void QtSerialPort::setDtr(bool asserted) { m_port.setDataTerminalReady(asserted); }

int QtSerialPort::bytesToWrite() const { return static_cast<int>(m_port.bytesToWrite()); }

int QtSerialPort::bytesAvailable() const { return static_cast<int>(m_port.bytesAvailable()); }

void QtSerialPort::write(const QByteArray &bytes) { m_port.write(bytes); }

QByteArray QtSerialPort::readAll() { return m_port.readAll(); }

} // namespace vq250
