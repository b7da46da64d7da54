// The conflicting-process guard against real processes of this machine (copies
// of a harmless program started under the server's file name) and against a
// scripted process list for what a real machine cannot show on demand: no
// snapshot, refused terminations, Windows-style names with folders.

#include "guard.h"
#include "messagetexts.h"
#include "processlist.h"
#include "scripteddialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

using Answer = Dialogs::Answer;
using namespace std::chrono_literals;

namespace {

const QString ServerName = QStringLiteral("QPSTSE~1.EXE");

// The real process list, with a record of every termination the guard asked for.
class RecordingProcessList final : public ProcessList
{
public:
    std::optional<QList<ProcessEntry>> snapshot() override { return m_real.snapshot(); }
    bool terminate(qint64 pid) override
    {
        terminated.append(pid);
        return m_real.terminate(pid);
    }

    QList<qint64> terminated;

private:
    SystemProcessList m_real;
};

// Copies of sleep started under chosen file names; all of them are ended when
// the fixture goes, whatever the test did.
class StartedPrograms
{
public:
    ~StartedPrograms()
    {
        for (const auto &[pid, process] : m_processes) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }

    // Starts a program file named name; the pid, or 0 when it cannot run.
    qint64 start(const QString &name)
    {
        const QString sleep = QStandardPaths::findExecutable(QStringLiteral("sleep"));
        if (sleep.isEmpty() || !m_dir.isValid())
            return 0;
        const QString path = m_dir.filePath(name);
        if (!QFile::exists(path)) {
            if (!QFile::copy(sleep, path))
                return 0;
            QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
        }
        auto process = std::make_unique<QProcess>();
        process->start(path, {QStringLiteral("300")});
        if (!process->waitForStarted(10000))
            return 0;
        const qint64 pid = process->processId();
        m_processes.emplace_back(pid, std::move(process));
        return pid;
    }

    // Waits (bounded) until the program with pid has ended.
    bool ended(qint64 pid)
    {
        for (const auto &[started, process] : m_processes)
            if (started == pid)
                return process->state() == QProcess::NotRunning || process->waitForFinished(10000);
        return false;
    }

private:
    QTemporaryDir m_dir;
    std::vector<std::pair<qint64, std::unique_ptr<QProcess>>> m_processes;
};

QString nameOf(const QList<ProcessEntry> &list, qint64 pid)
{
    for (const ProcessEntry &e : list)
        if (e.pid == pid)
            return e.exeFile;
    return {};
}

qsizetype countExact(const QList<ProcessEntry> &list, const QString &name)
{
    return std::count_if(list.cbegin(), list.cend(),
                         [&](const ProcessEntry &e) { return e.exeFile == name; });
}

} // namespace

class tst_Guard : public QObject
{
    Q_OBJECT

private slots:
    void snapshotNamesProgramFiles();
    void realProcesses_data();
    void realProcesses();
    void killByNameIgnoresCase();
    void scripted_data();
    void scripted();
    void killResult_data();
    void killResult();
};

// The name is the program file's name as it was started: whole, with its case,
// and not cut to the kernel's 15-character short name.
void tst_Guard::snapshotNamesProgramFiles()
{
    StartedPrograms programs;
    const QStringList names{ServerName, QStringLiteral("qpstse~1.exe"),
                            QStringLiteral("QPST Server with a long name.exe")};
    QList<qint64> pids;
    for (const QString &name : names) {
        pids.append(programs.start(name));
        QVERIFY2(pids.last() > 0, qPrintable(name));
    }

    const auto list = SystemProcessList().snapshot();
    QVERIFY(list);
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(nameOf(*list, pids.at(i)), names.at(i));
    QCOMPARE(nameOf(*list, QCoreApplication::applicationPid()), QStringLiteral("tst_guard"));
}

void tst_Guard::realProcesses_data()
{
    QTest::addColumn<QList<Answer>>("answers");
    QTest::addColumn<int>("expectedQuestions"); // -1: one per server running
    QTest::addColumn<bool>("ended");

    QTest::newRow("no to every server") << QList<Answer>{Answer::No, Answer::No} << -1 << false;
    QTest::newRow("yes to the first") << QList<Answer>{Answer::Yes} << 1 << true;
    QTest::newRow("no, then yes") << QList<Answer>{Answer::No, Answer::Yes} << 2 << true;
}

// Two servers, one under the lower-case name and a look-alike. The guard
// walks every process of the machine, so the assertions look only at the
// programs started here.
void tst_Guard::realProcesses()
{
    QFETCH(QList<Answer>, answers);
    QFETCH(int, expectedQuestions);
    QFETCH(bool, ended);

    StartedPrograms programs;
    const qint64 server1 = programs.start(ServerName);
    const qint64 server2 = programs.start(ServerName);
    const qint64 lower = programs.start(QStringLiteral("qpstse~1.exe"));
    const qint64 lookAlike = programs.start(QStringLiteral("XQPSTSE~1.EXE"));
    QVERIFY(server1 > 0 && server2 > 0 && lower > 0 && lookAlike > 0);

    RecordingProcessList processes;
    const auto before = processes.snapshot();
    QVERIFY(before);
    if (expectedQuestions < 0)
        expectedQuestions = int(countExact(*before, ServerName));

    ScriptedDialogs dialogs;
    dialogs.answers.assign(answers.cbegin(), answers.cend());
    QWidget window;
    window.show();

    // Fires only if the guard lets events through while it waits.
    bool eventsDuringWait = false;
    QTimer::singleShot(0, &window, [&] { eventsDuringWait = true; });

    const GuardContext context{processes, dialogs,
                               GuardTexts::fromMessageTexts(MessageTexts::defaults()), &window,
                               300ms};
    QElapsedTimer clock;
    clock.start();
    CheckConflictingProcess(context);
    const qint64 elapsed = clock.elapsed();

    const auto questions = dialogs.messages();
    QCOMPARE(questions.size(), expectedQuestions);
    for (const auto &q : questions) {
        QCOMPARE(q.icon, Dialogs::Icon::Question);
        QCOMPARE(q.buttons, Dialogs::Buttons::YesNo);
        QCOMPARE(q.caption, QString::fromUtf8("Upozornění"));
        QCOMPARE(q.text, QString::fromUtf8("Byl zjištěn běžící Quallcomm Server\n"
                                           "Komunikátor nemusí pracovat korektně\n"
                                           "Chcete process ukončit"));
    }

    QVERIFY(!processes.terminated.contains(lookAlike));
    if (ended) {
        for (qint64 pid : {server1, server2, lower}) {
            QVERIFY(processes.terminated.contains(pid));
            QVERIFY2(programs.ended(pid), qPrintable(QString::number(pid)));
        }
        QVERIFY2(elapsed >= 300, qPrintable(QString::number(elapsed)));
        QVERIFY(eventsDuringWait);
    } else {
        QVERIFY(processes.terminated.isEmpty());
        const auto after = processes.snapshot();
        QVERIFY(after);
        for (qint64 pid : {server1, server2, lower})
            QVERIFY(!nameOf(*after, pid).isEmpty());
    }
    QVERIFY(!nameOf(*processes.snapshot(), lookAlike).isEmpty());
}

// The guard never asks about the lower-case name, but the kill routine ends it.
void tst_Guard::killByNameIgnoresCase()
{
    StartedPrograms programs;
    const qint64 lower = programs.start(QStringLiteral("qpstse~1.exe"));
    const qint64 lookAlike = programs.start(QStringLiteral("QPSTSE~1.EXE.old"));
    QVERIFY(lower > 0 && lookAlike > 0);

    RecordingProcessList processes;
    QVERIFY(KillProcessByName(processes, ServerName));
    QVERIFY(programs.ended(lower));
    QVERIFY(!processes.terminated.contains(lookAlike));
}

void tst_Guard::scripted_data()
{
    QTest::addColumn<std::optional<QList<ProcessEntry>>>("entries");
    QTest::addColumn<QList<Answer>>("answers");
    QTest::addColumn<int>("questions");
    QTest::addColumn<QList<qint64>>("terminated");

    using List = QList<ProcessEntry>;
    const List two{{10, ServerName}, {20, QStringLiteral("explorer.exe")}, {30, ServerName}};

    QTest::newRow("no snapshot") << std::optional<List>() << QList<Answer>{Answer::Yes} << 0
                                 << QList<qint64>{};
    QTest::newRow("no processes") << std::optional<List>(List{}) << QList<Answer>{Answer::Yes} << 0
                                  << QList<qint64>{};
    QTest::newRow("other case is not asked about")
        << std::optional<List>(List{{7, QStringLiteral("qpstse~1.exe")},
                                    {8, QStringLiteral("Qpstse~1.exe")}})
        << QList<Answer>{Answer::Yes} << 0 << QList<qint64>{};
    QTest::newRow("long name or folder is not asked about")
        << std::optional<List>(List{{7, QStringLiteral("QPSTServer.exe")},
                                    {8, QStringLiteral("C:\\QPST\\QPSTSE~1.EXE")}})
        << QList<Answer>{Answer::Yes} << 0 << QList<qint64>{};
    QTest::newRow("yes ends every form of the name")
        << std::optional<List>(List{{5, QStringLiteral("notepad.exe")},
                                    {10, ServerName},
                                    {11, QStringLiteral("qpstse~1.exe")},
                                    {12, QStringLiteral("C:\\QPST\\Qpstse~1.exe")},
                                    {13, QStringLiteral("D:/bin/QPSTSE~1.EXE")},
                                    {14, QStringLiteral("QPSTSE~1.EXE.old")}})
        << QList<Answer>{Answer::Yes} << 1 << QList<qint64>{10, 11, 12, 13};
    QTest::newRow("no asks again") << std::optional<List>(two)
                                   << QList<Answer>{Answer::No, Answer::No} << 2 << QList<qint64>{};
    QTest::newRow("no, then yes") << std::optional<List>(two)
                                  << QList<Answer>{Answer::No, Answer::Yes} << 2
                                  << QList<qint64>{10, 30};
    QTest::newRow("yes stops the walk") << std::optional<List>(two)
                                        << QList<Answer>{Answer::Yes, Answer::Yes} << 1
                                        << QList<qint64>{10, 30};
}

void tst_Guard::scripted()
{
    QFETCH(std::optional<QList<ProcessEntry>>, entries);
    QFETCH(QList<Answer>, answers);
    QFETCH(int, questions);
    QFETCH(QList<qint64>, terminated);

    ScriptedProcessList processes;
    processes.entries = entries;
    ScriptedDialogs dialogs;
    dialogs.answers.assign(answers.cbegin(), answers.cend());

    CheckConflictingProcess({processes, dialogs,
                             GuardTexts::fromMessageTexts(MessageTexts::defaults()), nullptr, 0ms});

    QCOMPARE(dialogs.messages().size(), questions);
    QCOMPARE(processes.terminated, terminated);
}

void tst_Guard::killResult_data()
{
    QTest::addColumn<std::optional<QList<ProcessEntry>>>("entries");
    QTest::addColumn<QList<qint64>>("refuse");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("name");  // as the caller gives it

    using List = QList<ProcessEntry>;
    const List two{{1, ServerName}, {2, QStringLiteral("other.exe")}, {3, ServerName}};

    QTest::newRow("no snapshot") << std::optional<List>() << QList<qint64>{} << false << ServerName;
    QTest::newRow("nothing matches") << std::optional<List>(List{{2, QStringLiteral("other.exe")}})
                                     << QList<qint64>{} << false << ServerName;
    QTest::newRow("all ended") << std::optional<List>(two) << QList<qint64>{} << true << ServerName;
    QTest::newRow("first refused, last ended") << std::optional<List>(two) << QList<qint64>{1} << true << ServerName;
    QTest::newRow("name given in lower case") << std::optional<List>(two) << QList<qint64>{} << true
                                              << ServerName.toLower();
    QTest::newRow("last refused") << std::optional<List>(two) << QList<qint64>{3} << false << ServerName;
}

// The routine reports the last termination attempt, not the first or any.
void tst_Guard::killResult()
{
    QFETCH(std::optional<QList<ProcessEntry>>, entries);
    QFETCH(QList<qint64>, refuse);
    QFETCH(bool, result);
    QFETCH(QString, name);

    ScriptedProcessList processes;
    processes.entries = entries;
    processes.refuse = QSet<qint64>(refuse.cbegin(), refuse.cend());
    QCOMPARE(KillProcessByName(processes, name), result);
}

QTEST_MAIN(tst_Guard)
#include "tst_guard.moc"
