#pragma once

#include <QString>

namespace vq250
{

// Check box values as the commands see them.
enum CheckValue : int { Unchecked = 0, Checked = 1, Greyed = 2 };

// The main window's fields that the commands read and write. Form1 is the
// real one; vq250-load and the tests use plain records.
class MainView
{
public:
    virtual ~MainView() = default;
    virtual void setLastOpenedFile(const QString &text) = 0; // LabelLastOpenedFile
    virtual void setFileLenSec(const QString &text) = 0; // LabelFileLenSec
    virtual QString soundName() const = 0; // VQ250SoundName
    virtual void setSoundName(const QString &text) = 0;
    virtual QString volume() const = 0; // VolumeBufTxt
    virtual void setVolume(const QString &text) = 0;
    virtual QString destination() const = 0; // DestinTxt
    virtual int looping() const = 0; // CheckLooping
    virtual void setLooping(int value) = 0;
    // Open, Load and Truncate take no click while a transfer runs.
    virtual void setCommandsEnabled(bool enabled) = 0;
    virtual void repaint() = 0;
};

} // namespace vq250
