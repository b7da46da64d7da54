#pragma once

#include <QString>
#include <QStringList>

// One command of torvane-cli. Commands are rows of a table (main.cpp); each
// is a plain function that gets the arguments after its own name and returns
// the process exit status. A command that talks to the handset adds its row
// and its function the same way.
struct CliCommand
{
    const char *name;     // one or more words, e.g. "pdu decode"
    const char *synopsis; // arguments, e.g. "[--json] HEX..."
    const char *summary;  // one line for --help
    const char *details;  // shown by "torvane-cli NAME --help"; may be empty
    int (*run)(const QStringList &args);
};

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
