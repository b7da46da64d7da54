#include "clirun.h"

#include <QProcess>

CliRun RunCli(const QStringList &args, int timeoutMs)
{
    QProcess p;
    p.start(QStringLiteral(TORVANE_BIN_DIR "/torvane-cli"), args);
    CliRun r;
    if (!p.waitForStarted(10000))
        return r;
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}
