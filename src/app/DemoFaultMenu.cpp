#include "app/DemoFaultMenu.h"

#include "gui/Form1.h"
#include "sim/EmulatedPort.h"

#include <QAction>

namespace vq250
{
namespace
{

struct DemoFault {
    const char *label;
    DeviceFault fault;
};

// Block 0 is the header block, block 1 the first data block.
const DemoFault DemoFaults[] = {
    { "Checksum error in the first data block (CkSmEr)",
        DeviceFault::errorReply(1, DeviceFault::Checksum, 3) },
    { "Device busy instead of the first request (VQbusyEr)", DeviceFault::replaceAnswer(0, 255) },
    { "Flash write error after the first data block (FlshSvEr)",
        DeviceFault::replaceAnswer(1, 19) },
    { "Device goes silent: time-out after 8 s (PCcommEr)", DeviceFault::goSilent(1, 0) },
    { "Stray byte during the data (UnknownEr)", DeviceFault::strayByte(1, 10, 0x55) },
};

} // namespace

// The armed fault carries the check mark. After each load the menu looks
// again: a fault that has played loses it, and a device that went silent
// for it comes back for the next load.
void installDemoFaultMenu(Form1 &window, EmulatedPort &port)
{
    window.setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *heading
        = new QAction(QStringLiteral("Demo only: next load plays a device fault"), &window);
    heading->setEnabled(false);
    window.addAction(heading);
    auto markArmed = [&window](const QAction *armed) {
        for (QAction *action : window.actions())
            action->setChecked(action == armed);
    };
    for (const DemoFault &demo : DemoFaults) {
        auto *action = new QAction(QString::fromLatin1(demo.label), &window);
        action->setCheckable(true);
        const DeviceFault fault = demo.fault;
        QObject::connect(action, &QAction::triggered, &window, [&port, fault, action, markArmed] {
            port.device().clearFaults();
            port.device().addFault(fault);
            markArmed(action);
        });
        window.addAction(action);
    }
    auto *clear = new QAction(QStringLiteral("No fault"), &window);
    QObject::connect(clear, &QAction::triggered, &window, [&port, markArmed] {
        port.device().clearFaults();
        markArmed(nullptr);
    });
    window.addAction(clear);
    QObject::connect(&window, &Form1::loadClicked, &window, [&port, markArmed] {
        if (port.device().pendingFaults() > 0)
            return;
        port.device().setSilent(false);
        markArmed(nullptr);
    });
}

} // namespace vq250
