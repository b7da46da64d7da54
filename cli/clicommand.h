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
// A port error's Windows error number, "(win error code: 5)", is given as the
// system's own text of it where the system is not Windows.
int cliFail(const char *command, const QString &message, int status = CliFailed);
// The text of a port error as cliFail shows it.
QString cliSystemErrorText(const QString &message);
// "no <kind> port: give --port DEVICE or choose one in torvane.ini"; returns
// CliUsage (no port configured is a wrong use, like a missing argument).
int cliNoPort(const char *command, const char *kind = "modem");

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
// "ComPort1" (modem), "ComPort2" (diagnostic) or "GPSPort". A relative path
// that names a file from the current folder ("sim/modem") is made absolute
// (the serial layer would look for a bare name in /dev); empty when none is
// configured (see cliNoPort).
QString cliPortName(const QString &portOption, const QByteArray &section);
// The port object of section with the line settings stored in torvane.ini and
// the device given (see cliPortName). It is not opened yet.
TComPort *cliPort(const QString &device, const QByteArray &section);
