#pragma once

#include <QString>
#include <QStringList>

#include <initializer_list>
#include <vector>

class TComPort;

// One command of torvane-cli: a plain function that gets the arguments after
// its own name and returns the process exit status. Each feature's file
// registers its rows with one static CliRegistration, and its cli/<feature>.cmake
// adds the file and the libraries it needs to the program.
struct CliCommand
{
    const char *name;     // one or more words, e.g. "pdu decode"
    const char *synopsis; // arguments, e.g. "[--json] HEX..."
    const char *summary;  // one line for --help
    const char *details;  // shown by "torvane-cli NAME --help"; may be empty
    int (*run)(const QStringList &args);
};

// Registers rows at start-up; "--help" lists every command sorted by name.
struct CliRegistration
{
    CliRegistration(std::initializer_list<CliCommand> commands);
};
const std::vector<CliCommand> &cliCommands();

// Exit statuses shared by all commands.
enum CliStatus {
    CliOk = 0,
    CliFailed = 1, // the command ran but its input could not be used
    CliUsage = 2,  // wrong arguments
};

// Output in UTF-8 (the programs' own texts are Windows-1250: convert first).
void cliOut(const QString &text);
void cliErr(const QString &text);

// "torvane-cli: <command>: <message>" on standard error; returns status.
int cliFail(const char *command, const QString &message, int status = CliFailed);

// A JSON string literal (quotes included).
QString jsonString(const QString &text);

// Removes "--name VALUE" (or "--name=VALUE") from args and returns VALUE;
// an empty text when the option is absent. *missingValue is set when the
// option ends the list without a value.
QString takeOption(QStringList &args, const QString &name, bool *missingValue = nullptr);
// Removes a flag ("--json") from args; true when it was there.
bool takeFlag(QStringList &args, const QString &name);

// The device of a handset command: the --port value when given, else the
// port stored in torvane.ini (the program's settings) under section, which is
// "ComPort1" (modem), "ComPort2" (diagnostic) or "GPSPort".
QString cliPortName(const QString &portOption, const QByteArray &section);
// The port object of section with the line settings stored in torvane.ini and
// the device given (see cliPortName). It is not opened yet.
TComPort *cliPort(const QString &device, const QByteArray &section);
