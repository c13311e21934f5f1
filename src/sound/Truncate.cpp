#include "sound/Truncate.h"

#include "core/ProgramState.h"
#include "platform/MainView.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "sound/SoundText.h"

#include <QStringList>

namespace vq250
{

QString truncatePrompt()
{
    return QStringList {
        QStringLiteral("Do you want to truncate the sound"),
        QStringLiteral("to a length of %1 bytes").arg(SoundBG8Max),
        QStringLiteral("(Approx. 8.1 seconds)"),
        QStringLiteral("so it will fit into a BG#8 storage location?"),
    }
        .join(QChar(13));
}

void TruncateForBG8(ProgramState &state, Platform &platform)
{
    const MsgAnswer answer = platform.box.show(
        truncatePrompt(), MsgOkCancel, QStringLiteral("Truncate Sound for BG#8?"));
    if (answer != MsgOk || state.SoundLen <= SoundBG8Max)
        return;
    state.SoundLen = SoundBG8Max;
    platform.window.setFileLenSec(secondsText(state.SoundLen));
}

} // namespace vq250
