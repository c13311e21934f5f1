#pragma once

#include <QString>

namespace vq250
{

// Style values of a modal message box, as the commands pass them.
enum MsgStyle : int {
    MsgOkOnly = 0, // OK, no icon
    MsgOkCancel = 1, // OK and Cancel, no icon
    MsgOkExclamation = 48, // OK with the warning icon
};

// The button that closed a box.
enum MsgAnswer : int {
    MsgOk = 1,
    MsgCancel = 2,
};

// A modal message box. Prompts keep their carriage returns (character 13)
// between lines; only the real box turns them into line breaks for display.
class MessageBox
{
public:
    virtual ~MessageBox() = default;
    virtual MsgAnswer show(const QString &prompt, int style, const QString &title) = 0;
};

} // namespace vq250
