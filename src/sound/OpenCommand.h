#pragma once

#include <QString>
#include <QtGlobal>

namespace vq250
{

struct ProgramState;
struct Platform;

// The sound library's folder on the machines the VQ250 shipped with.
QString soundLibraryFolder();

// The open dialog's filters, "description|pattern" pairs.
QString soundFileFilter();

// `preferred` when it is an existing absolute folder, else the user's
// documents folder.
QString initialSoundFolder(const QString &preferred);

// The five lines of the "Sound Too Long" box, joined by carriage returns.
QString soundTooLongPrompt(qint32 soundLen);

// OpenFileBtn: lets the operator pick a sound file, checks it, reads its
// samples into SoundBuf and fills the main window's fields. FileOpened is
// true only when all of that succeeded.
void OpenSound(ProgramState &state, Platform &platform);

} // namespace vq250
