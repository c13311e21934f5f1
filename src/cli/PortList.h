#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace vq250::cli
{

// One serial port present on this machine, as the system describes it.
struct PortDescription {
    QString name; // what --port takes: /dev/ttyUSB0, COM3
    QString description; // the adapter's product, where given
    QString manufacturer;
    QString serialNumber;
};

using PortLister = std::function<QList<PortDescription>()>;

// The ports the system knows of now.
QList<PortDescription> presentSerialPorts();

// One line per port, its name first, then what the system says of it;
// "No serial ports found." when there is none. What --list-ports prints.
QString portListText(const QList<PortDescription> &ports);

// Added to the window's message when its port will not open: the ports
// there are and how to start on one.
QString portChoiceText(const QList<PortDescription> &ports);

} // namespace vq250::cli
