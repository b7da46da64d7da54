#pragma once

#include <QString>

// The folder of the running program file, with a trailing separator. Every
// data file (configuration, language files, about texts, companion programs)
// is found relative to it, never relative to the current directory.
QString programFolder();

// The places of the program's files, decided here and nowhere else. Each
// takes the program folder (as programFolder() gives it, or a test's own).
// The settings file torvane.ini.
QString settingsFilePath(const QString &programFolder);
// A folder for the user's own files ("DATA", "SMS"), with a trailing
// separator; created when missing (a failure shows when a file is written).
QString userFilesFolder(const QString &programFolder, const QString &name);

// The embedded version record of a program file as "major.minor.build",
// or an empty text when the file carries none.
QString GetVersionText(const QString &programPath);
