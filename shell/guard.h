#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

class Dialogs;
class ProcessList;
class QWidget;
struct MessageTexts;

// The chipset vendor's diagnostic server holds the handset's ports while it
// runs. Both programs look for it once at start-up and offer to end it.

// The file name the guard looks for: the short form of the server's file name.
inline constexpr char ConflictingProcessName[] = "QPSTSE~1.EXE";

// The question's texts (Windows-1250), from the program's language texts.
struct GuardTexts
{
    QByteArray caption;
    QByteArray line1;
    QByteArray line2;
    QByteArray question;

    // torvane's texts: dialogy/73, 7, 71 and 72.
    static GuardTexts fromMessageTexts(const MessageTexts &texts);
};

struct GuardContext
{
    ProcessList &processes;
    Dialogs &dialogs;
    GuardTexts texts;
    QWidget *parent = nullptr;
    // How long to wait after ending the server, so that it releases the ports
    // before the program opens them: torvane 300 ms, ossik 2000 ms.
    std::chrono::milliseconds waitAfterKill{300};
};

// Walks the running processes; for each one whose file name is exactly
// "QPSTSE~1.EXE" (whole name, with case) asks whether to end it. Yes ends
// every process of that name (see KillProcessByName), waits waitAfterKill
// while the windows keep painting, and stops; No goes on to the next process,
// so a second server asks again. Nothing happens when no snapshot can be
// taken; a failed termination is not reported.
void CheckConflictingProcess(const GuardContext &context);

// Ends every process whose file name matches name without regard to case:
// first the part after the last path separator, then the whole name. Returns
// the result of the last termination attempt; false when nothing matched or
// no snapshot could be taken.
bool KillProcessByName(ProcessList &processes, const QString &name);
