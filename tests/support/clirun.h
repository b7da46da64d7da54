#pragma once

#include <QByteArray>
#include <QStringList>

// One run of the built torvane-cli: exit code (-1 when it could not start,
// crashed or ran past the bound) and what it wrote on each stream.
struct CliRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs torvane-cli with args and no standard input, killed after timeoutMs.
CliRun RunCli(const QStringList &args, int timeoutMs = 60000);
