#pragma once

namespace vq250
{

class SerialPort;
class MessageBox;
class FileDialog;
class EventLoop;
class OneShotTimer;
class ProgressView;
class MainView;

// Everything a command needs from outside the program state. The window
// hands the real pieces in; tests hand fakes. Nothing here is owned.
struct Platform {
    SerialPort &port; // MSComm1
    MessageBox &box;
    FileDialog &dialog; // CommonDialog1
    EventLoop &events;
    OneShotTimer &replyTimer; // tmrTimeout
    ProgressView &progress; // Progress
    MainView &window; // Form1's fields
};

} // namespace vq250
