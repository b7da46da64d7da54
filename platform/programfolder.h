#pragma once

#include <QString>

// The folder of the running program file, with a trailing separator. Every
// data file (configuration, language files, about texts, companion programs)
// is found relative to it, never relative to the current directory.
QString programFolder();

#include <QStringList>

// The places of the program's files, decided here and nowhere else. Each
// takes the program folder (as programFolder() gives it, or a test's own).
//
// A program unpacked into a folder of its own (the build's bin/, a folder on
// Windows) keeps everything there: settings, data files, the user's folders.
// An installed program (its file in a "bin" folder with "../share/torvane/"
// beside it) cannot write its own folder: its settings live in the user's
// configuration folder ($XDG_CONFIG_HOME/torvane/, by default
// ~/.config/torvane/), its read-only data in <prefix>/share/torvane/, and the
// user's own files below the documents folder (~/Documents/Torvane/). The
// decision is made by the layout, not by whether the folder can be written
// (root can write anywhere).
bool isInstalledLayout(const QString &programFolder);
// The folder of the read-only data files (language files, about texts),
// with a trailing separator. subfolder: a companion's own data ("explorer"),
// which in an unpacked folder is the companion's program folder itself.
QString dataFolder(const QString &programFolder, const QString &subfolder = {});
// The folder that holds torvane.ini, with a trailing separator; created when
// missing in an installed layout.
QString settingsFolder(const QString &programFolder);
// The settings file torvane.ini.
QString settingsFilePath(const QString &programFolder);
// A folder for the user's own files ("DATA", "SMS"), with a trailing
// separator; created when missing (a failure shows when a file is written).
QString userFilesFolder(const QString &programFolder, const QString &name);
// The folders searched for "*.lng" files, in order: the data folder, then
// (installed) the user's configuration folder, where a language file of the
// user's own may be dropped.
QStringList languageFolders(const QString &programFolder, const QString &subfolder = {});
// The path of the companion program ossik.
QString companionProgramPath(const QString &programFolder);

// The embedded version record of a program file as "major.minor.build",
// or an empty text when the file carries none.
QString GetVersionText(const QString &programPath);
