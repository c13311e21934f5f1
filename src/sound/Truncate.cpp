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

TruncateResult TruncateForBG8(ProgramState &state, Platform &platform)
{
    using Kind = TruncateResult::Kind;
    const MsgAnswer answer = platform.box.show(
        truncatePrompt(), MsgOkCancel, QStringLiteral("Truncate Sound for BG#8?"));
    if (answer != MsgOk)
        return { Kind::Cancelled, state.SoundLen };
    if (state.SoundLen <= SoundBG8Max)
        return { Kind::AlreadyShort, state.SoundLen };
    state.SoundLen = SoundBG8Max;
    platform.window.setFileLenSec(secondsText(state.SoundLen));
    return { Kind::Cut, state.SoundLen };
}

} // namespace vq250
