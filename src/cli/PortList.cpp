#include "cli/PortList.h"

#include <QSerialPortInfo>
#include <QStringList>

namespace vq250::cli
{

QList<PortDescription> presentSerialPorts()
{
    QList<PortDescription> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        const QString name = info.portName();
#else
        const QString name = info.systemLocation();
#endif
        ports << PortDescription { name, info.description(), info.manufacturer(),
            info.serialNumber() };
    }
    return ports;
}

QString portListText(const QList<PortDescription> &ports)
{
    if (ports.isEmpty())
        return QStringLiteral("No serial ports found.\n");
    QString text;
    for (const PortDescription &port : ports) {
        QStringList about;
        if (!port.description.isEmpty())
            about << port.description;
        if (!port.manufacturer.isEmpty())
            about << port.manufacturer;
        if (!port.serialNumber.isEmpty())
            about << QStringLiteral("serial number ") + port.serialNumber;
        text += port.name;
        if (!about.isEmpty())
            text += QStringLiteral("  ") + about.join(QStringLiteral(", "));
        text += QLatin1Char('\n');
    }
    return text;
}

QString portChoiceText(const QList<PortDescription> &ports)
{
#ifdef Q_OS_WIN
    const QString example = QStringLiteral("COM3");
#else
    const QString example = QStringLiteral("/dev/ttyUSB0");
#endif
    return (ports.isEmpty() ? QString() : QStringLiteral("Serial ports on this computer:\n"))
        + portListText(ports)
        + QStringLiteral("\nStart the program with the port to use, for example:\n")
        + QStringLiteral("vq250 --port ") + example;
}

} // namespace vq250::cli
