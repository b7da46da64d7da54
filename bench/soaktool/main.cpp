// bench/soak [MINUTES] [SEED]: the main window, in-process and offscreen,
// against the simulated handset while latency, split replies, gaps, junk
// lines and the power change at random (seeded). After each action of a
// user (the information readout "Aktualizuj Info", a phonebook read, an SMS
// listing) it compares what the window shows with what the handset holds
// (through the control socket) and counts:
//   actions         user actions and fault changes done
//   failures shown  the window said the action failed (fine)
//   mismatches      the window shows something else than the handset holds,
//                   without saying so (each printed with both sides)
//   freezes         gaps of over 2 s in the event loop (a 20 ms timer)
//   crashes         counted by bench/soak, which runs this program
// The counts so far are also written to the file named by SOAK_COUNTS, so
// that a crash still leaves them.

#include "clock.h"
#include "comport.h"
#include "hlavni.h"
#include "infopage.h"
#include "phonebookpage.h"
#include "phonebookreader.h"
#include "radiogroup.h"
#include "scripteddialogs.h"
#include "simprocess.h"
#include "smspage.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

namespace {

struct Counts
{
    int actions = 0;
    int failuresShown = 0;
    int mismatches = 0;
    int freezes = 0;
    qint64 longestGapMs = 0;
    QByteArray lastAction;
};

Counts g_counts;

void saveCounts()
{
    const QByteArray path = qgetenv("SOAK_COUNTS");
    if (path.isEmpty())
        return;
    QSaveFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(QByteArray("actions ") + QByteArray::number(g_counts.actions) + "\nfailures shown "
               + QByteArray::number(g_counts.failuresShown) + "\nmismatches " + QByteArray::number(g_counts.mismatches)
               + "\nfreezes over 2 s " + QByteArray::number(g_counts.freezes) + "\nlongest event-loop gap "
               + QByteArray::number(g_counts.longestGapMs) + " ms\nlast action " + g_counts.lastAction + "\n");
    file.commit();
}

QString trimmed(const QString &s)
{
    return s.trimmed();
}

QString digitsOf(QString number)
{
    number.remove(u'+');
    return number.trimmed();
}

// The window's own words for an action that did not work out.
bool looksLikeFailure(const QString &text)
{
    static const char *const words[] = {"Offline", "Nenalezen", "neodpov", "přerušen", "přestal", "Chyba", "chyb",
                                        "nelze", "nekompletn", "neúpln", "neuvedl", "odmítl", "Error", "error",
                                        "failed", "selhal", "ztracen", "nepřečten"};
    return std::any_of(std::begin(words), std::end(words),
                       [&](const char *w) { return text.contains(QString::fromUtf8(w), Qt::CaseInsensitive); });
}

class Soak
{
public:
    Soak(SimProcess &sim, TForm1 &form, ScriptedDialogs &dialogs, quint32 seed)
        : m_sim(sim), m_form(form), m_dialogs(dialogs), m_random(seed)
    {
    }

    void step();

private:
    QByteArray get(const QByteArray &key) { return m_sim.control("get " + key).trimmed(); }

    // What the window said during an action: new message boxes and panels.
    struct Said
    {
        qsizetype messages = 0;
        QStringList panels;
    };
    Said said() const
    {
        Said s;
        s.messages = m_dialogs.requests.size();
        for (int p = 0; p < 4; ++p)
            s.panels << m_form.panelText(p);
        return s;
    }
    bool failureShown(const Said &before) const;
    // A value the window shows that differs from the handset's.
    void mismatch(const char *action, const QString &what, const QString &shown, const QString &held);
    // After the comparison: differences the window explained by saying that
    // the action failed are failures shown; the others are mismatches.
    void settle(const Said &before);
    struct Difference
    {
        QByteArray action;
        QString what, shown, held;
    };
    QList<Difference> m_differences;

    void changeFault();
    void power();
    void readout();
    void phonebookRead();
    void smsListing();

    // Waits (events running) until done() or the bound; false past the bound.
    template<typename F>
    bool waitFor(F done, int boundMs)
    {
        QDeadlineTimer deadline(boundMs);
        while (!done() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }

    SimProcess &m_sim;
    TForm1 &m_form;
    ScriptedDialogs &m_dialogs;
    QRandomGenerator m_random;
    bool m_powered = true;
    int m_offFor = 0;  // user actions until the power comes back
    int m_smsMemory = -1;  // the SMS page's memory as last chosen
};

bool Soak::failureShown(const Said &before) const
{
    for (qsizetype i = before.messages; i < m_dialogs.requests.size(); ++i) {
        const auto &r = m_dialogs.requests[i];
        if (r.kind == ScriptedDialogs::Request::Kind::Message && r.icon != Dialogs::Icon::Information)
            return true;
    }
    for (int p = 0; p < 4; ++p)
        if (looksLikeFailure(m_form.panelText(p)))
            return true;
    return false;
}

void Soak::mismatch(const char *action, const QString &what, const QString &shown, const QString &held)
{
    m_differences.append({action, what, shown, held});
}

void Soak::settle(const Said &before)
{
    if (m_differences.isEmpty())
        return;
    if (failureShown(before)) {
        ++g_counts.failuresShown;
        m_differences.clear();
        return;
    }
    ++g_counts.mismatches;
    for (const Difference &d : m_differences)
        std::printf("MISMATCH after %s: %s shown \"%s\", the handset holds \"%s\" (latency %s, split %s, gap %s, "
                    "junk %s, power %s)\n",
                    d.action.constData(), qPrintable(d.what), qPrintable(d.shown), qPrintable(d.held),
                    get("latency").constData(), get("split").constData(), get("gap").constData(),
                    get("junk").constData(), get("power").constData());
    std::fflush(stdout);
    m_differences.clear();
}

void Soak::changeFault()
{
    struct Choice
    {
        const char *key;
        std::initializer_list<int> values;
    };
    static const Choice choices[] = {
        {"latency", {0, 0, 20, 50, 200, 700}},
        {"split", {0, 0, 1, 3, 8, 64}},
        {"gap", {0, 0, 5, 50, 200}},
        {"junk", {0, 0, 0, 20, 100, 300}},
    };
    // Half the time a whole line condition at once, as a loose cable brings.
    struct Profile
    {
        const char *name;
        int latency, split, gap, junk;
    };
    static const Profile profiles[] = {
        {"clean", 0, 0, 0, 0},       {"slow", 700, 0, 0, 0},      {"trickle", 0, 3, 200, 0},
        {"choppy", 20, 1, 5, 0},     {"noisy", 0, 0, 0, 100},     {"everything", 200, 3, 50, 50},
    };
    if (m_random.bounded(2) == 0) {
        const Profile &p = profiles[m_random.bounded(int(std::size(profiles)))];
        g_counts.lastAction = QByteArray("line ") + p.name;
        for (const auto &[key, value] : {std::pair{"latency", p.latency}, std::pair{"split", p.split},
                                         std::pair{"gap", p.gap}, std::pair{"junk", p.junk}})
            m_sim.control("set " + QByteArray(key) + ' ' + QByteArray::number(value));
        return;
    }
    const Choice &c = choices[m_random.bounded(int(std::size(choices)))];
    const int value = *(c.values.begin() + m_random.bounded(int(c.values.size())));
    g_counts.lastAction = QByteArray("set ") + c.key + ' ' + QByteArray::number(value);
    m_sim.control("set " + QByteArray(c.key) + ' ' + QByteArray::number(value));
}

// Off for the next one to three user actions, then on again (a restart).
void Soak::power()
{
    if (!m_powered)
        return;
    m_powered = false;
    m_offFor = 1 + int(m_random.bounded(3));
    g_counts.lastAction = "power off";
    m_sim.control("power off");
}

void Soak::readout()
{
    g_counts.lastAction = "readout";
    const Said before = said();
    m_form.refreshClick();
    if (!waitFor([&] { return !m_form.readoutRunning(); }, 120000)) {
        mismatch("readout", QStringLiteral("readout"), QStringLiteral("still running after 120 s"), QStringLiteral("-"));
        return settle(before);
    }
    InfoPage *info = m_form.infoPage();
    const std::pair<QLabel *, QByteArray> exact[] = {
        {info->Vyrobce(), "maker"}, {info->model(), "model"},  {info->IMEI(), "imei"},
        {info->IMSI(), "imsi"},     {info->cisloSIM(), "iccid"},
    };
    for (const auto &[label, key] : exact) {
        const QString held = QString::fromUtf8(get(key));
        if (trimmed(label->text()) != held)
            mismatch("readout", label->objectName(), label->text(), held);
    }
    const QString charge = QString::fromUtf8(get("battery.charge"));
    QString battery = info->Baterie()->text();
    if (!battery.contains(charge) || battery.remove(charge).contains(QRegularExpression(QStringLiteral("[0-9]"))))
        mismatch("readout", QStringLiteral("Baterie"), info->Baterie()->text(), charge + QStringLiteral(" %"));
    const QString op = QString::fromUtf8(get("operator.name"));
    if (!op.isEmpty() && trimmed(info->Operator()->text()) != op)
        mismatch("readout", QStringLiteral("Operator"), info->Operator()->text(), op);
    settle(before);
}

void Soak::phonebookRead()
{
    PhonebookPage *page = m_form.phonebookPage();
    if (!page->vybertypu()->isEnabled())
        return readout();
    g_counts.lastAction = "phonebook read SM";
    const Said before = said();
    bool ended = false;
    PhonebookReader *reader = page->reader();
    const auto a = QObject::connect(reader, &PhonebookReader::finished, [&] { ended = true; });
    const auto b = QObject::connect(reader, &PhonebookReader::failed, [&] { ended = true; });
    page->vybertypuClick(0);
    const bool done = waitFor([&] { return ended; }, 300000);
    QObject::disconnect(a);
    QObject::disconnect(b);
    QCoreApplication::processEvents();
    if (!done) {
        mismatch("phonebook read", QStringLiteral("the read"), QStringLiteral("not ended after 300 s"),
                 QStringLiteral("-"));
        return settle(before);
    }
    // "N number,type,name", one used location a line.
    std::map<QString, QString> held;
    for (const QByteArray &line : m_sim.control("pb SM").split('\n')) {
        const qsizetype sp = line.indexOf(' ');
        if (sp <= 0)
            continue;
        const QByteArray rest = line.mid(sp + 1);
        held[QString::fromUtf8(line.left(sp))] = digitsOf(QString::fromUtf8(rest.left(rest.indexOf(','))));
    }
    std::map<QString, QString> shown;
    QTreeWidget *list = page->Seznam();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = list->topLevelItem(i);
        if (!trimmed(row->text(3)).isEmpty())
            shown[trimmed(row->text(1))] = digitsOf(row->text(3));
    }
    for (const auto &[location, number] : held) {
        const auto it = shown.find(location);
        if (it == shown.end())
            mismatch("phonebook read", QStringLiteral("SM location ") + location, QStringLiteral("(no row)"), number);
        else if (it->second != number)
            mismatch("phonebook read", QStringLiteral("SM location ") + location, it->second, number);
    }
    for (const auto &[location, number] : shown)
        if (!held.count(location))
            mismatch("phonebook read", QStringLiteral("SM location ") + location, number, QStringLiteral("(empty)"));
    settle(before);
}

// As a user does: the memory is chosen when it changes, then "Aktualizuj"
// lists all messages of the memory chosen before (also after a restart).
void Soak::smsListing()
{
    SmsPage *page = m_form.smsPage();
    if (!page->Nacist_SMS()->isEnabled())
        return readout();
    const int memory = int(m_random.bounded(3));
    static const char *const names[] = {"SM", "ME", "MT"};
    g_counts.lastAction = QByteArray("sms listing ") + names[memory] + " all";
    const Said before = said();
    bool ended = false;
    const auto a = QObject::connect(page, &SmsPage::listingShown, [&] { ended = true; });
    const auto b = QObject::connect(page, &SmsPage::listingFailed, [&] { ended = true; });
    if (memory != m_smsMemory) {
        page->Nacist_SMS()->setItemIndex(memory);
        page->Nacist_SMSClick();
        m_smsMemory = memory;
    }
    page->Typ_SMS()->setItemIndex(4);
    ended = false;
    page->ListMessages();
    const bool done = waitFor([&] { return ended; }, 120000);
    QObject::disconnect(a);
    QObject::disconnect(b);
    if (!done) {
        mismatch("sms listing", QStringLiteral("the listing"), QStringLiteral("not ended after 120 s"),
                 QStringLiteral("-"));
        return settle(before);
    }
    // MT is both memories as one: the SIM's locations first, the phone's after them.
    const int simSize = get("sms.SM.size").toInt();
    std::set<int> held;
    for (const QByteArray &line : m_sim.control("dump").split('\n')) {
        for (int m = 0; m < 2; ++m) {
            const QByteArray prefix = QByteArray("sms.") + names[m] + '.';
            if (!line.startsWith(prefix) || !line.contains('=') || (memory != m && memory != 2))
                continue;
            bool number = false;
            const int location = line.mid(prefix.size(), line.indexOf('=') - prefix.size()).trimmed().toInt(&number);
            if (number)
                held.insert(memory == 2 && m == 1 ? simSize + location : location);
        }
    }
    std::set<int> shown;
    QTreeWidget *list = page->ListSMS();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        bool number = false;
        const int index = list->topLevelItem(i)->text(0).trimmed().toInt(&number);
        if (number)
            shown.insert(index);
    }
    if (shown != held) {
        QStringList sl, hl;
        for (int i : shown)
            sl << QString::number(i);
        for (int i : held)
            hl << QString::number(i);
        mismatch(g_counts.lastAction.constData(), QString::fromLatin1(names[memory]) + QStringLiteral(" locations"),
                 sl.join(u','), hl.join(u','));
    }
    settle(before);
}

void Soak::step()
{
    static const bool verbose = qEnvironmentVariableIsSet("SOAK_VERBOSE");
    QElapsedTimer took;
    took.start();
    const int pick = m_random.bounded(100);
    if (pick < 30)
        changeFault();
    else if (pick < 38)
        power();
    else {
        if (pick < 62)
            readout();
        else if (pick < 81)
            phonebookRead();
        else
            smsListing();
        if (!m_powered && --m_offFor <= 0) {
            m_powered = true;
            m_sim.control("power on");
        }
    }
    ++g_counts.actions;
    saveCounts();
    if (verbose)
        std::printf("%s: %lld ms\n", g_counts.lastAction.constData(), static_cast<long long>(took.elapsed()));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double minutes = argc > 1 ? QByteArray(argv[1]).toDouble() : 1.0;
    const quint32 seed = argc > 2 ? QByteArray(argv[2]).toUInt() : 1u;
    if (minutes <= 0) {
        std::fprintf(stderr, "usage: bench/soak [MINUTES] [SEED]\n");
        return 2;
    }
    ScriptedDialogs dialogs;
    QTemporaryDir dir;
    // A SIM of 40 locations: a read takes seconds, not minutes, under a slow
    // line, so that a run has many actions.
    QFile state(dir.filePath(QStringLiteral("soak-state.txt")));
    if (!state.open(QIODevice::WriteOnly) || state.write("pb.SM.size = 40\n") < 0)
        return 1;
    state.close();
    SimProcess sim({QStringLiteral("--state"), state.fileName()});
    if (!sim.start()) {
        std::fprintf(stderr, "zenksim did not start\n");
        return 1;
    }
    sim.control("set junk.seed " + QByteArray::number(seed));
    // SOAK_START: control commands to run first, separated by ";" (a fault
    // to begin with, e.g. "set split 3;set gap 200").
    for (const QByteArray &command : qgetenv("SOAK_START").split(';'))
        if (!command.trimmed().isEmpty())
            std::printf("start: %s -> %s", command.trimmed().constData(), sim.control(command.trimmed()).constData());

    const SystemClock clock;
    TForm1 form(dir.path(), clock);
    form.ComPort1->setPort(sim.modemPath());

    // The event loop's longest gap: a 20 ms timer that notes how late it runs.
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 gap = sinceTick.restart();
        g_counts.longestGapMs = std::max(g_counts.longestGapMs, gap);
        if (gap > 2000) {
            ++g_counts.freezes;
            std::printf("FREEZE of %lld ms during %s\n", static_cast<long long>(gap), g_counts.lastAction.constData());
        }
    });
    ticker.start(20);

    Soak soak(sim, form, dialogs, seed);
    QElapsedTimer run;
    run.start();
    const qint64 until = qint64(minutes * 60000);
    while (run.elapsed() < until) {
        soak.step();
        // A moment between actions, as a user takes.
        QDeadlineTimer pause(100);
        while (!pause.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    std::printf("soak %.1f min seed %u: actions %d, failures shown %d, mismatches %d, freezes over 2 s %d "
                "(longest gap %lld ms), crashes 0\n",
                minutes, seed, g_counts.actions, g_counts.failuresShown, g_counts.mismatches, g_counts.freezes,
                static_cast<long long>(g_counts.longestGapMs));
    return 0;
}
