#include "app/DemoFaultMenu.h"

#include "gui/Form1.h"
#include "link/emulator/EmulatedPort.h"

#include <QAction>
#include <QActionGroup>

#include <optional>

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

// The armed fault carries the check mark, "No fault" when none is armed.
// After each load the menu looks again: a fault that has played is gone,
// and a device that went silent for it comes back for the next load.
void installDemoFaultMenu(Form1 &window, EmulatedPort &port)
{
    window.setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *heading
        = new QAction(QStringLiteral("Demo only: next load plays a device fault"), &window);
    heading->setEnabled(false);
    window.addAction(heading);
    auto *group = new QActionGroup(&window);
    auto addChoice = [&](const QString &label, std::optional<DeviceFault> fault) {
        auto *action = new QAction(label, group);
        action->setCheckable(true);
        QObject::connect(action, &QAction::triggered, &window, [&port, fault] {
            port.device().clearFaults();
            if (fault)
                port.device().addFault(*fault);
        });
        window.addAction(action);
        return action;
    };
    for (const DemoFault &demo : DemoFaults)
        addChoice(QString::fromLatin1(demo.label), demo.fault);
    QAction *none = addChoice(QStringLiteral("No fault"), std::nullopt);
    none->setChecked(true);
    QObject::connect(&window, &Form1::loadClicked, none, [&port, none] {
        if (port.device().pendingFaults() > 0)
            return;
        port.device().setSilent(false);
        none->setChecked(true);
    });
}

} // namespace vq250
