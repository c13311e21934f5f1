#pragma once

#include <QString>
#include <QStringList>

namespace vq250
{

struct ProgramState;
struct Platform;

// The load command, bound to LoadBGbtn: checks the entries in their order,
// builds the sound header and writes the sound into the chosen BG slot.
void LoadSound(ProgramState &state, Platform &platform);

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

} // namespace vq250
