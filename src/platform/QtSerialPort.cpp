#include "QtSerialPort.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace vq250
{

namespace
{

// The device file behind a port name: "ttyUSB0" is /dev/ttyUSB0.
QString devicePath(const QString &location)
{
#ifdef Q_OS_UNIX
    if (location.startsWith(QLatin1Char('/')))
        return location;
    return QStringLiteral("/dev/") + location;
#else
    return location;
#endif
}

// Only Unix has device files to look at; elsewhere QSerialPort's own error
// has to do.
bool deviceExists(const QString &path)
{
#ifdef Q_OS_UNIX
    return QFileInfo::exists(path);
#else
    Q_UNUSED(path);
    return true;
#endif
}

bool mayReadAndWrite(const QString &path)
{
#ifdef Q_OS_UNIX
    return ::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0;
#else
    Q_UNUSED(path);
    return true;
#endif
}

} // namespace

QtSerialPort::QtSerialPort(QString portName)
    : m_fixedName(std::move(portName))
    , m_location(m_fixedName)
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
    if (!m_fixedName.isEmpty())
        return;
    m_location = portNameFor(number);
    m_port.setPortName(m_location);
}

// "baud,parity,data,stop", parity N, E, O, M or S.
void QtSerialPort::setSettings(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return;
    m_port.setBaudRate(parts[0].toInt());
    switch (parts[1].trimmed().toUpper().at(0).toLatin1()) {
    case 'E':
        m_port.setParity(QSerialPort::EvenParity);
        break;
    case 'O':
        m_port.setParity(QSerialPort::OddParity);
        break;
    case 'M':
        m_port.setParity(QSerialPort::MarkParity);
        break;
    case 'S':
        m_port.setParity(QSerialPort::SpaceParity);
        break;
    default:
        m_port.setParity(QSerialPort::NoParity);
        break;
    }
    m_port.setDataBits(static_cast<QSerialPort::DataBits>(parts[2].toInt()));
    m_port.setStopBits(
        parts[3].trimmed() == QLatin1String("2") ? QSerialPort::TwoStop : QSerialPort::OneStop);
}

void QtSerialPort::setBinaryInput(bool) { } // QSerialPort always delivers bytes

void QtSerialPort::setInBufferSize(int bytes)
{
    m_port.setReadBufferSize(bytes);
}

void QtSerialPort::setOutBufferSize(int) { } // the driver's queue sets the limit

bool QtSerialPort::open()
{
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (m_port.open(QIODevice::ReadWrite)) {
        m_error.clear();
        m_openFailure = PortOpenFailure::None;
        return true;
    }
    const QString path = devicePath(m_location);
    const bool exists = deviceExists(path);
    m_openFailure = classifyOpenFailure(m_port.error(), exists, exists && mayReadAndWrite(path));
    m_error = openFailureText(m_openFailure, m_location, m_port.errorString());
    return false;
}

PortOpenFailure QtSerialPort::classifyOpenFailure(
    QSerialPort::SerialPortError error, bool exists, bool accessible)
{
    if (error == QSerialPort::NoError)
        return PortOpenFailure::None;
    if (error == QSerialPort::DeviceNotFoundError || !exists)
        return PortOpenFailure::Missing;
    if (error == QSerialPort::PermissionError)
        return accessible ? PortOpenFailure::Busy : PortOpenFailure::PermissionDenied;
    return PortOpenFailure::Other;
}

QString QtSerialPort::openFailureText(
    PortOpenFailure failure, const QString &location, const QString &systemReason)
{
    const QString port = QStringLiteral("Cannot open serial port %1: ").arg(location);
    switch (failure) {
    case PortOpenFailure::None:
        return {};
    case PortOpenFailure::Missing:
        return port + QStringLiteral("the port does not exist (%1).").arg(systemReason);
    case PortOpenFailure::PermissionDenied:
        return port + QStringLiteral("permission denied (%1).").arg(systemReason)
#ifdef Q_OS_LINUX
            + QStringLiteral(" Serial ports belong to the dialout group: add your user to it"
                             " (sudo usermod -aG dialout $USER) and log in again.")
#endif
            ;
    case PortOpenFailure::Busy:
        return port + QStringLiteral("it is in use by another program (%1).").arg(systemReason);
    case PortOpenFailure::Other:
        break;
    }
    return port + systemReason + QLatin1Char('.');
}

void QtSerialPort::setReceiveThreshold(int) { } // readyRead already fires per arrival

bool QtSerialPort::isOpen() const
{
    return m_port.isOpen();
}

QString QtSerialPort::errorText() const
{
    return m_error;
}

// A pseudo-terminal answers every DTR change with "Inappropriate ioctl for
// device". The link sets DTR before each byte, so say it once and stop asking.
void QtSerialPort::setDtr(bool asserted)
{
    if (m_dtrUnsupported || m_port.setDataTerminalReady(asserted))
        return;
    const bool unsupported = m_port.error() == QSerialPort::UnsupportedOperationError;
    const QString why = m_port.errorString();
    m_port.clearError();
    m_dtrUnsupported = unsupported;
    if (m_dtrWarned)
        return;
    m_dtrWarned = true;
    if (unsupported)
        warn(QStringLiteral("%1: the DTR line cannot be set on this device (%2); carrying on "
                            "without it. A VQ250 tells commands from data by DTR, so only a "
                            "device simulator will follow.")
                 .arg(m_location, why));
    else
        warn(QStringLiteral("%1: setting the DTR line failed (%2); carrying on.")
                 .arg(m_location, why));
}

void QtSerialPort::warn(const QString &text) const
{
    if (m_warn)
        m_warn(text);
    else
        qWarning("%s", qPrintable(text));
}

int QtSerialPort::bytesToWrite() const
{
    return static_cast<int>(m_port.bytesToWrite());
}

int QtSerialPort::bytesAvailable() const
{
    return static_cast<int>(m_port.bytesAvailable());
}

void QtSerialPort::write(const QByteArray &bytes)
{
    m_port.write(bytes);
}

QByteArray QtSerialPort::readAll()
{
    return m_port.readAll();
}

// Both Qt's own write buffer and the driver's queue (tcflush on Unix,
// PurgeComm on Windows).
void QtSerialPort::discardOutput()
{
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Output);
}

} // namespace vq250
