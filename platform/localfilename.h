#pragma once

#include <QString>

// A PC file name for a name that came from the handset, or empty when the
// name cannot be one: empty, ".", "..", or holding a path separator ("/" or
// "\\"), so that it could leave the folder it is saved in. Control characters
// (NUL included) and the characters Windows does not allow in file names
// (: * ? " < > |) become "_", so the name is neither cut nor refused by the
// PC's file system.
//
// Every download from the handset (OBEX or the diagnostic port) names its PC
// file through this one function.
QString LocalFileName(const QString &handsetName);
