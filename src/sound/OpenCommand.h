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

// The volume entry the open command puts in for every opened sound.
QString defaultVolumeEntry();

// The "Sound Too Long" box: its title, and its five lines joined by
// carriage returns. The only box of the open command that is no failure.
QString soundTooLongTitle();
QString soundTooLongPrompt(qint32 soundLen);

// How the open command ended.
struct OpenResult {
    enum class Kind {
        Opened, // the sound is in SoundBuf; FileOpened is true
        Cancelled, // the operator closed the dialog; nothing changed
        Rejected, // the file is no sound the VQ250 takes; its box was shown
        Failed, // the file could not be read; no box
    };
    Kind kind = Kind::Cancelled;
    quint8 code = 0; // Rejected: the reader's code, 240 to 243
    qint32 soundLen = 0; // Opened: SoundLen as kept
    bool cut = false; // Opened: announced as too long and cut to SoundKeepMax
    QString reason; // Failed: why the file did not open, in a few words
};

// OpenFileBtn: lets the operator pick a sound file, checks it, reads its
// samples into SoundBuf and fills the main window's fields. FileOpened is
// true only when all of that succeeded.
OpenResult OpenSound(ProgramState &state, Platform &platform);

} // namespace vq250
