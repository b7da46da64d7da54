#pragma once

#include <QString>

// A PC file name for a name that came from the handset, or empty when the
// name cannot be one (empty, "." or ".."). Path separators ("/" and "\\"),
// control characters (NUL included) and the characters Windows does not
// allow in file names (: * ? " < > |) become "_", so the file stays in the
// folder it is saved in and the name is neither cut nor refused by the PC's
// file system; a final dot or space becomes "_" and a Windows device name
// (CON, NUL.txt) gets a leading "_".
//
// Every download from the handset (OBEX or the diagnostic port) names its PC
// file through this one function.
QString LocalFileName(const QString &handsetName);
