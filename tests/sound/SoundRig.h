#pragma once

// A program state and a platform of fakes for the sound commands, with a
// temporary folder for the files they open.

#include "core/ProgramState.h"
#include "fakes/Fakes.h"
#include "fakes/StillEventLoop.h"
#include "fakes/WavBuilder.h"
#include "platform/Platform.h"

#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace vq250::fakes
{

// A message box that runs `onShow` while it is up, as an operator could
// change files behind the program's back.
class HookedMessageBox : public FakeMessageBox
{
public:
    std::function<void()> onShow;
    MsgAnswer show(const QString &prompt, int style, const QString &title) override
    {
        if (onShow)
            onShow();
        return FakeMessageBox::show(prompt, style, title);
    }
};

struct SoundRig {
    std::unique_ptr<ProgramState> state = std::make_unique<ProgramState>();
    FakeSerialPort port;
    HookedMessageBox box;
    FakeFileDialog dialog;
    StillEventLoop events;
    StillTimer replyTimer;
    FakeProgressView progress;
    FakeMainView window;
    Platform platform { port, box, dialog, events, replyTimer, progress, window };
    QTemporaryDir dir;

    // Writes a file into the temporary folder and returns its path.
    QString file(const QString &name, const QByteArray &bytes) const
    {
        const QString path = dir.filePath(name);
        return writeFile(path, bytes) ? path : QString();
    }
};

} // namespace vq250::fakes
