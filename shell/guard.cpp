#include "guard.h"

#include "cp1250.h"
#include "dialogs.h"
#include "messagetexts.h"
#include "processlist.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>

GuardTexts GuardTexts::fromMessageTexts(const MessageTexts &texts)
{
    return {texts.guardCaption, texts.guardLine1, texts.guardLine2, texts.guardQuestion};
}

namespace {

QString fileNamePart(const QString &name)
{
    const qsizetype separator = std::max(name.lastIndexOf(u'\\'), name.lastIndexOf(u'/'));
    return name.mid(separator + 1);
}

// Keeps the windows painting during the wait, but holds back the user's
// input: the start-up is not finished yet.
void waitPainting(std::chrono::milliseconds wait)
{
    if (wait <= std::chrono::milliseconds::zero())
        return;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(wait);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

void CheckConflictingProcess(const GuardContext &context)
{
    const auto snapshot = context.processes.snapshot();
    if (!snapshot)
        return;

    const QString target = QString::fromLatin1(ConflictingProcessName);
    // The language file gives the three lines separated by carriage returns;
    // a Qt message box breaks lines at line feeds.
    const QString text = Cp1250::toUnicode(context.texts.line1) + u'\n'
                         + Cp1250::toUnicode(context.texts.line2) + u'\n'
                         + Cp1250::toUnicode(context.texts.question);
    const QString caption = Cp1250::toUnicode(context.texts.caption);

    for (const ProcessEntry &entry : *snapshot) {
        if (entry.exeFile != target)
            continue;
        const Dialogs::Answer answer = context.dialogs.message(
            context.parent, Dialogs::Icon::Question, caption, text, Dialogs::Buttons::YesNo);
        if (answer == Dialogs::Answer::Yes) {
            KillProcessByName(context.processes, entry.exeFile);
            waitPainting(context.waitAfterKill);
            return;
        }
    }
}

bool KillProcessByName(ProcessList &processes, const QString &name)
{
    const auto snapshot = processes.snapshot();
    if (!snapshot)
        return false;

    const QString wanted = name.toUpper();
    bool result = false;
    for (const ProcessEntry &entry : *snapshot) {
        const QString exe = entry.exeFile.toUpper();
        if (fileNamePart(exe) == wanted || exe == wanted)
            result = processes.terminate(entry.pid);
    }
    return result;
}
