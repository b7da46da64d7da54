#pragma once

#include <QString>

// The folder of the running program file, with a trailing separator. Every
// data file (configuration, language files, about texts, companion programs)
// is found relative to it, never relative to the current directory.
QString programFolder();

// The embedded version record of a program file as "major.minor.build",
// or an empty text when the file carries none.
QString GetVersionText(const QString &programPath);
