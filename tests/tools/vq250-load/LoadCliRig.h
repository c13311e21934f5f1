#pragma once

// Runs vq250-load in this process and keeps what it printed, its exit status
// and the emulated VQ250 it talked to.

#include "fakes/WavBuilder.h"
#include "vq250-load/LoadProgram.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>
#include <memory>

namespace vq250::test
{

inline QByteArray noise(int count, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(count, '\0');
    for (char &b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

struct LoadCliRun {
    int status = -1;
    QString out;
    QString err;
    std::unique_ptr<loadcli::LoadProgram> program;

    const EmulatedPort *emulator() const { return program->emulator(); }
};

using ProgramSetup = std::function<void(loadcli::LoadProgram &)>;

inline LoadCliRun runLoad(const QStringList &arguments, const ProgramSetup &setup = {})
{
    LoadCliRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    run.program = std::make_unique<loadcli::LoadProgram>(out, err);
    if (setup)
        setup(*run.program);
    run.status = run.program->run(QStringList { QStringLiteral("vq250-load") } + arguments);
    out.flush();
    err.flush();
    return run;
}

// A folder of sound files made for one test.
struct SoundFolder {
    QString wav(const QString &name, const QByteArray &samples) const
    {
        return file(name, fakes::WavBuilder::pcm8(samples));
    }
    QString file(const QString &name, const QByteArray &bytes) const
    {
        const QString path = dir.filePath(name);
        return fakes::writeFile(path, bytes) ? path : QString();
    }
    QString path(const QString &name) const { return dir.filePath(name); }

    QTemporaryDir dir;
};

} // namespace vq250::test
