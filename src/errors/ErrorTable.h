#pragma once

#include "core/Protocol.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace vq250
{

struct ProgramState;
class MessageBox;

// One message: the box title and the prompt's lines.
struct ErrorMessage {
    QString title;
    QStringList lines;
};

// The entry for a code (the default entry for a code without one). The sound
// file entries end with `helpText` as one more line.
ErrorMessage errorMessage(quint8 code, const QString &helpText);

// The whole prompt: the entry's lines, an empty line, "Error Code = " and the
// code in upper-case hexadecimal, all joined by carriage returns.
QString errorPrompt(quint8 code, const QString &helpText);

// Shows the box for ErrCode (style 48) and clears it; does nothing for 0.
void ReportError(ProgramState &state, MessageBox &box);

} // namespace vq250
