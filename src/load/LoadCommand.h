#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace vq250
{

struct ProgramState;
struct Platform;

// The load command's checks, in the order it makes them.
enum class LoadCheck {
    None,
    FileOpened, // a sound has been opened
    Station, // the destination's station letter, A to F
    BgNumber, // its BG number, 1 to 8
    Bg8Length, // a sound for BG#8 fits in it
    Volume, // 0 to 255
    NameLength, // at most 10 characters
    NameCharacters, // only characters the device can store
};

// The entries the load command checks, as typed.
struct EntryTexts {
    QString destination;
    QString volume;
    QString name;
};

// Every check of the entries that fails for a sound of `soundLen` samples,
// in the command's order; the command refuses with the first. Empty when
// the sound may be sent.
QList<LoadCheck> failedLoadChecks(qint32 soundLen, const EntryTexts &entries);

// How the load command ended.
struct LoadResult {
    enum class Kind {
        Loaded, // the device confirmed the whole sound
        Refused, // a check failed before anything was sent; its box was shown
        Rejected, // the device answered with its error code; the box was shown
        Failed, // time-out or an answer that fits nothing; the box was shown
    };
    Kind kind = Kind::Refused;
    LoadCheck refusedBy = LoadCheck::None; // Refused: the check that failed
    quint8 code = 0; // Rejected and Failed: the code the box showed
};

// The load command, bound to LoadBGbtn: checks the entries in their order,
// builds the sound header and writes the sound into the chosen BG slot.
LoadResult LoadSound(ProgramState &state, Platform &platform);

// A refusal of the load command: its box title and prompt lines.
struct LoadRefusal {
    QString title;
    QStringList lines;
};

LoadRefusal noFileRefusal();
LoadRefusal stationRefusal();
LoadRefusal bgNumberRefusal();
LoadRefusal tooLongForBg8Refusal();
LoadRefusal volumeRefusal();
LoadRefusal nameTooLongRefusal();
LoadRefusal nameCharactersRefusal();
// The refusal of a failed check; FileOpened gives noFileRefusal().
LoadRefusal refusalFor(LoadCheck check);

} // namespace vq250
