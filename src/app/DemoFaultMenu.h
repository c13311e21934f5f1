#pragma once

namespace vq250
{

class EmulatedPort;
class Form1;

// Demo only: a right-click menu on the main window that makes the emulated
// VQ250 play one fault in the next load, so its message can be seen.
// Install it after the loader, so it looks at the device after each load.
void installDemoFaultMenu(Form1 &window, EmulatedPort &port);

} // namespace vq250
