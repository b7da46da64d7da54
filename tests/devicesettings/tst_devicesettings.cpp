// The controls that change the handset, driven as the user drives them on the
// real pages, through the real serial layer to the simulated handset: each
// one must change the handset's state (not only send bytes), a cancelled or
// wrong code must leave the handset as it was, and a port that cannot be
// opened must send nothing. Also the code-entry dialog itself.

#include "attransport.h"
#include "clock.h"
#include "comport.h"
#include "devicesettings.h"
#include "heslo.h"
#include "infopage.h"
#include "lockspage.h"
#include "scripteddialogs.h"
#include "simprocess.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include <memory>

namespace {

// Everything one case needs: a fresh handset, the port, the two pages, the
// code dialog over a stand-in main window, and the settings wired to them.
struct Fixture
{
    SimProcess sim;
    TComPort port{QStringLiteral("ComPort1")};
    ScriptedDialogs dialogs;
    QWidget mainWindow;
    InfoPage info;
    LocksPage locks;
    THesloForm heslo{&mainWindow};
    FixedClock clock{QDateTime(QDate(2006, 12, 8), QTime(9, 5, 7))};
    bool portOpens = true;
    QList<bool> openRequests;
    QByteArray received;
    std::unique_ptr<DeviceSettings> settings;

    Fixture()
    {
        port.setPort(sim.modemPath());
        settings = std::make_unique<DeviceSettings>(&info, &locks, &port, &heslo, clock, [this](bool open) {
            openRequests.append(open);
            if (!portOpens)
                return false;
            try {
                port.OpenPort();
            } catch (const EComPort &) {
                return false;
            }
            return true;
        });
        // As the main window's default handler does: every answer is consumed.
        port.OnRxChar = [this](int count) { received += port.ReceiveBytes(count); };
    }

    QByteArray get(const QByteArray &key) const { return sim.control("get " + key).trimmed(); }
    void set(const QByteArray &key, const QByteArray &value) const
    {
        QCOMPARE(sim.control("set " + key + ' ' + value).trimmed(), QByteArray("OK"));
    }
    QByteArrayList log() const
    {
        QByteArrayList lines = sim.control("log").split('\n');
        lines.removeAll(QByteArray());
        return lines;
    }

    // Sends a command of the test's own and waits for its final result: the
    // handset has then dealt with everything written before it.
    bool barrier()
    {
        port.OpenPort();
        received.clear();
        port.SendText("AT\r");
        return QTest::qWaitFor([this] { return HasFinalResult(received); }, 5000);
    }
};

using Action = std::function<void(Fixture &)>;
using Answer = std::function<int(QDialog *)>;

// The user picks an entry of a combo box.
void pick(QComboBox *box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// The user clicks the check box of a list item.
void toggle(QListWidget *list, int row)
{
    QListWidgetItem *item = list->item(row);
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

// The user types the codes into whichever edits take input and presses OK.
Answer typeCodes(const QString &oldCode, const QString &newCode = {})
{
    return [oldCode, newCode](QDialog *dialog) {
        auto *heslo = qobject_cast<THesloForm *>(dialog);
        QTest::keyClicks(heslo->PuvodniHeslo(), oldCode);
        QTest::keyClicks(heslo->NoveHeslo(), newCode);
        heslo->Heslo_OK()->click();
        return heslo->result();
    };
}

// The user types a code, then thinks better of it and presses "Zrušit".
Answer typeAndCancel(const QString &oldCode)
{
    return [oldCode](QDialog *dialog) {
        auto *heslo = qobject_cast<THesloForm *>(dialog);
        QTest::keyClicks(heslo->PuvodniHeslo(), oldCode);
        heslo->Heslo_zrus()->click();
        return heslo->result();
    };
}

// The user types a code and closes the dialog with its close box.
Answer typeAndClose(const QString &oldCode)
{
    return [oldCode](QDialog *dialog) {
        auto *heslo = qobject_cast<THesloForm *>(dialog);
        heslo->show();
        QTest::keyClicks(heslo->PuvodniHeslo(), oldCode);
        heslo->close();
        return heslo->result();
    };
}

// The user types a code and presses Escape.
Answer typeAndEscape(const QString &oldCode)
{
    return [oldCode](QDialog *dialog) {
        auto *heslo = qobject_cast<THesloForm *>(dialog);
        QTest::keyClicks(heslo->PuvodniHeslo(), oldCode);
        QTest::keyClick(heslo->PuvodniHeslo(), Qt::Key_Escape);
        return heslo->result();
    };
}

} // namespace

Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(Answer)

class TestDeviceSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void controlChangesHandset_data();
    void controlChangesHandset();
    void portCannotOpen_data();
    void portCannotOpen();
    void lockWithoutCode_data();
    void lockWithoutCode();
    void wrongLockCode();
    void incompleteCodeChange();
    void badCode_data();
    void badCode();
    void dialogPreparedForEachUse_data();
    void dialogPreparedForEachUse();
    void clockSet_data();
    void clockSet();
    void powerOffSilencesHandset();

    void hesloForm();

private:
    std::unique_ptr<Fixture> f;
};

void TestDeviceSettings::init()
{
    f = std::make_unique<Fixture>();
    QVERIFY(f->sim.start());
}

void TestDeviceSettings::cleanup()
{
    f.reset();
    QLocale::setDefault(QLocale::c());
}

void TestDeviceSettings::controlChangesHandset_data()
{
    QTest::addColumn<Action>("prepare");      // what the handset and the pages showed before
    QTest::addColumn<Action>("action");       // what the user does
    QTest::addColumn<int>("dialogs");         // code dialogs the user answers
    QTest::addColumn<QByteArray>("command");  // as the handset logged it
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");

    const Action nothing = [](Fixture &) {};
    QTest::newRow("ring volume Nízká")
        << nothing << Action([](Fixture &f) { pick(f.info.Hlasitost_zvoneni(), 1); }) << 0
        << QByteArray("AT+CRSL=2") << QByteArray("ring.level") << QByteArray("3") << QByteArray("2");
    QTest::newRow("speaker volume Nízká")
        << nothing << Action([](Fixture &f) { pick(f.info.Hlasitost_repro(), 1); }) << 0
        << QByteArray("AT+CLVL=1") << QByteArray("speaker.level") << QByteArray("2") << QByteArray("1");
    QTest::newRow("alert mode Pípnutí")
        << nothing << Action([](Fixture &f) { pick(f.info.Umlceni(), 2); }) << 0
        << QByteArray("AT+CALM=2") << QByteArray("alert.mode") << QByteArray("0") << QByteArray("2");
    QTest::newRow("keypad lock on")
        << nothing << Action([](Fixture &f) { toggle(f.info.OstatniBox(), 0); }) << 0
        << QByteArray("at+clck=\"CS\",1") << QByteArray("lock.cs") << QByteArray("0") << QByteArray("1");
    QTest::newRow("vibration off")
        << Action([](Fixture &f) { f.info.setOption(1, true); })
        << Action([](Fixture &f) { toggle(f.info.OstatniBox(), 1); }) << 0
        << QByteArray("at+cvib=0") << QByteArray("vibration") << QByteArray("1") << QByteArray("0");
    QTest::newRow("item 2 on")
        << nothing << Action([](Fixture &f) { toggle(f.info.OstatniBox(), 2); }) << 0
        << QByteArray("AT+CLIR=1") << QByteArray("clir.mode") << QByteArray("0") << QByteArray("1");
    QTest::newRow("item 3 on")
        << nothing << Action([](Fixture &f) { toggle(f.info.OstatniBox(), 3); }) << 0
        << QByteArray("AT+CMUT=1") << QByteArray("mute") << QByteArray("0") << QByteArray("1");
    QTest::newRow("item 3 off")
        << Action([](Fixture &f) {
               f.set("mute", "1");
               f.info.setOption(3, true);
           })
        << Action([](Fixture &f) { toggle(f.info.OstatniBox(), 3); }) << 0
        << QByteArray("AT+CMUT=0") << QByteArray("mute") << QByteArray("1") << QByteArray("0");
    QTest::newRow("clock")
        << nothing << Action([](Fixture &f) { f.info.SynchrCas()->click(); }) << 0
        << QByteArray("AT+CCLK=\"06/12/08,9:05:07\"") << QByteArray("clock.set") << QByteArray()
        << QByteArray("06/12/08,9:05:07");
    QTest::newRow("power off")
        << nothing << Action([](Fixture &f) { f.info.Vyp_tel()->click(); }) << 0
        << QByteArray("AT^SMSO") << QByteArray("power") << QByteArray("on") << QByteArray("off");
    QTest::newRow("PIN lock on")
        << nothing
        << Action([](Fixture &f) {
               f.dialogs.dialogActions.push_back(typeCodes("1234"));
               toggle(f.locks.Blokovani(), 0);
           })
        << 1 << QByteArray("at^slck=\"SC\",1,1234") << QByteArray("lock.sc") << QByteArray("0")
        << QByteArray("1");
    QTest::newRow("PIN lock off")
        << Action([](Fixture &f) {
               f.set("lock.sc", "1");
               f.locks.setLock(0, true);
           })
        << Action([](Fixture &f) {
               f.dialogs.dialogActions.push_back(typeCodes("1234"));
               toggle(f.locks.Blokovani(), 0);
           })
        << 1 << QByteArray("at^slck=\"SC\",0,1234") << QByteArray("lock.sc") << QByteArray("1")
        << QByteArray("0");
    QTest::newRow("SIM binding on")
        << nothing
        << Action([](Fixture &f) {
               f.dialogs.dialogActions.push_back(typeCodes("0000"));
               toggle(f.locks.Blokovani(), 1);
           })
        << 1 << QByteArray("at^slck=\"PS\",1,0000") << QByteArray("lock.ps") << QByteArray("0")
        << QByteArray("1");
    QTest::newRow("change PIN")
        << nothing
        << Action([](Fixture &f) {
               f.dialogs.dialogActions.push_back(typeCodes("1234", "4321"));
               f.locks.ZmenitPIN()->click();
           })
        << 1 << QByteArray("AT+CPWD=\"SC\",1234,4321") << QByteArray("code.pin") << QByteArray("1234")
        << QByteArray("4321");
    QTest::newRow("change PIN2")
        << nothing
        << Action([](Fixture &f) {
               f.dialogs.dialogActions.push_back(typeCodes("5678", "87654321"));
               f.locks.ZmenitPIN2()->click();
           })
        << 1 << QByteArray("AT+CPWD=\"P2\",5678,87654321") << QByteArray("code.pin2") << QByteArray("5678")
        << QByteArray("87654321");
    QTest::newRow("change phone code")
        << nothing
        << Action([](Fixture &f) {
               f.dialogs.dialogActions.push_back(typeCodes("0000", "1111"));
               f.locks.ZmenitKOD()->click();
           })
        << 1 << QByteArray("AT+CPWD=\"PS\",0000,1111") << QByteArray("code.phone") << QByteArray("0000")
        << QByteArray("1111");
    QTest::newRow("DTMF initial text")
        << nothing << Action([](Fixture &f) { f.locks.Poslat_DTMF()->click(); }) << 0
        << QByteArray("AT+VTS=0123456789") << QByteArray("dtmf.last") << QByteArray()
        << QByteArray("0123456789");
    QTest::newRow("DTMF typed")
        << nothing
        << Action([](Fixture &f) {
               f.locks.DTMF()->clear();
               QTest::keyClicks(f.locks.DTMF(), "#12*");
               f.locks.Poslat_DTMF()->click();
           })
        << 0 << QByteArray("AT+VTS=#12*") << QByteArray("dtmf.last") << QByteArray() << QByteArray("#12*");
    QTest::newRow("DTMF duration two steps up")
        << nothing
        << Action([](Fixture &f) {
               f.locks.DTMF_D()->stepUp();
               f.locks.DTMF_D()->stepUp();
               f.locks.ZmenitDTMF()->click();
           })
        << 0 << QByteArray("AT+VTD=21") << QByteArray("dtmf.duration") << QByteArray("1") << QByteArray("21");
    QTest::newRow("DTMF duration initial")
        << Action([](Fixture &f) { f.set("dtmf.duration", "50"); })
        << Action([](Fixture &f) { f.locks.ZmenitDTMF()->click(); }) << 0
        << QByteArray("AT+VTD=1") << QByteArray("dtmf.duration") << QByteArray("50") << QByteArray("1");
}

void TestDeviceSettings::controlChangesHandset()
{
    QFETCH(Action, prepare);
    QFETCH(Action, action);
    QFETCH(int, dialogs);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);

    prepare(*f);
    QCOMPARE(f->get(key), before);
    action(*f);

    QTRY_VERIFY_WITH_TIMEOUT(HasFinalResult(f->received), 5000);
    QVERIFY2(f->received.contains("\r\nOK\r\n"), f->received.constData());
    QCOMPARE(f->log(), QByteArrayList{command});
    QCOMPARE(f->get(key), after);
    QCOMPARE(f->openRequests, QList<bool>{true});
    QCOMPARE(f->dialogs.requests.size(), dialogs);
    // No code stays behind in the dialog once it has been used.
    QVERIFY(f->heslo.PuvodniHeslo()->text().isEmpty());
    QVERIFY(f->heslo.NoveHeslo()->text().isEmpty());
}

void TestDeviceSettings::portCannotOpen_data()
{
    controlChangesHandset_data();
}

void TestDeviceSettings::portCannotOpen()
{
    QFETCH(Action, prepare);
    QFETCH(Action, action);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, before);

    f->portOpens = false;
    prepare(*f);
    QSignalSpy toggles(&f->locks, &LocksPage::lockToggled);
    action(*f);

    QCOMPARE(f->openRequests, QList<bool>{true});
    // No code is asked for, and a lock keeps the check the user gave it.
    QCOMPARE(f->dialogs.requests.size(), 0);
    for (const QList<QVariant> &t : toggles)
        QCOMPARE(f->locks.lock(t.at(0).toInt()), t.at(1).toBool());
    QVERIFY(f->barrier());
    QCOMPARE(f->log(), QByteArrayList{"AT"});
    QCOMPARE(f->get(key), before);
}

void TestDeviceSettings::lockWithoutCode_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<bool>("checkedBefore");
    QTest::addColumn<Answer>("answer");

    QTest::newRow("PIN on, Zrušit") << 0 << false << typeAndCancel("1234");
    QTest::newRow("PIN off, Zrušit") << 0 << true << typeAndCancel("1234");
    QTest::newRow("SIM binding on, OK without a code") << 1 << false << typeCodes(QString());
    QTest::newRow("SIM binding on, close box") << 1 << false << typeAndClose("0000");
    QTest::newRow("SIM binding off, Escape") << 1 << true << typeAndEscape("0000");
}

void TestDeviceSettings::lockWithoutCode()
{
    QFETCH(int, item);
    QFETCH(bool, checkedBefore);
    QFETCH(Answer, answer);

    const QByteArray key = item == 0 ? "lock.sc" : "lock.ps";
    const QByteArray state = checkedBefore ? "1" : "0";
    f->set(key, state);
    f->locks.setLock(item, checkedBefore);
    QSignalSpy toggles(&f->locks, &LocksPage::lockToggled);
    f->dialogs.dialogActions.push_back(answer);
    toggle(f->locks.Blokovani(), item);

    QCOMPARE(f->dialogs.requests.size(), 1);
    // The check is back, and putting it back was not taken for a user toggle.
    QCOMPARE(f->locks.lock(item), checkedBefore);
    QCOMPARE(toggles.size(), 1);
    QVERIFY(f->heslo.PuvodniHeslo()->text().isEmpty());
    QVERIFY(f->barrier());
    QCOMPARE(f->log(), QByteArrayList{"AT"});
    QCOMPARE(f->get(key), state);
}

void TestDeviceSettings::wrongLockCode()
{
    f->dialogs.dialogActions.push_back(typeCodes("9999"));
    toggle(f->locks.Blokovani(), 0);

    QTRY_VERIFY_WITH_TIMEOUT(HasFinalResult(f->received), 5000);
    QVERIFY2(f->received.contains("+CME ERROR: 16"), f->received.constData());
    QCOMPARE(f->get("lock.sc"), QByteArray("0"));
    // The answer is not read back: the check shows the user's choice until the next readout.
    QVERIFY(f->locks.lock(0));
    QVERIFY(f->heslo.PuvodniHeslo()->text().isEmpty());
}

void TestDeviceSettings::incompleteCodeChange()
{
    // Only the old code typed: nothing goes out, and the typed text stays.
    f->dialogs.dialogActions.push_back(typeCodes("1234"));
    f->locks.ZmenitPIN()->click();
    QCOMPARE(f->heslo.PuvodniHeslo()->text(), QStringLiteral("1234"));

    // Cancelling the next try empties it.
    f->dialogs.dialogActions.push_back(typeAndCancel(QString()));
    f->locks.ZmenitPIN()->click();
    QVERIFY(f->heslo.PuvodniHeslo()->text().isEmpty());

    QCOMPARE(f->dialogs.requests.size(), 2);
    QVERIFY(f->barrier());
    QCOMPARE(f->log(), QByteArrayList{"AT"});
    QCOMPARE(f->get("code.pin"), QByteArray("1234"));
}

void TestDeviceSettings::badCode_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QByteArray>("key");  // the handset's state that must stay

    // What the dialog takes (up to 8 characters) but a code is not: it would
    // become part of the command line.
    QTest::newRow("PIN lock, code with a command")
        << Action([](Fixture &f) {
               f.dialogs.dialogActions.push_back(typeCodes("1;+CFUN"));
               toggle(f.locks.Blokovani(), 0);
           })
        << QByteArray("lock.sc");
    QTest::newRow("SIM binding, 3 digits")
        << Action([](Fixture &f) {
               f.dialogs.dialogActions.push_back(typeCodes("000"));
               toggle(f.locks.Blokovani(), 1);
           })
        << QByteArray("lock.ps");
    QTest::newRow("PIN change, old code with a quote")
        << Action([](Fixture &f) {
               f.dialogs.dialogActions.push_back(typeCodes("12\"4", "4321"));
               f.locks.ZmenitPIN()->click();
           })
        << QByteArray("code.pin");
    QTest::newRow("PIN2 change, new code with letters")
        << Action([](Fixture &f) {
               f.dialogs.dialogActions.push_back(typeCodes("5678", "87ab"));
               f.locks.ZmenitPIN2()->click();
           })
        << QByteArray("code.pin2");
    QTest::newRow("phone code change, new code of 2 digits")
        << Action([](Fixture &f) {
               f.dialogs.dialogActions.push_back(typeCodes("0000", "11"));
               f.locks.ZmenitKOD()->click();
           })
        << QByteArray("code.phone");
}

void TestDeviceSettings::badCode()
{
    QFETCH(Action, action);
    QFETCH(QByteArray, key);

    const QByteArray before = f->get(key);
    action(*f);

    // The user is told, nothing goes to the handset, and no code stays behind.
    const auto boxes = f->dialogs.messages();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].icon, Dialogs::Icon::Warning);
    QCOMPARE(boxes[0].text, QStringLiteral("Kód musí mít 4 až 8 číslic."));
    QVERIFY(f->heslo.PuvodniHeslo()->text().isEmpty());
    QVERIFY(f->heslo.NoveHeslo()->text().isEmpty());
    QVERIFY(!f->locks.lock(0) && !f->locks.lock(1));
    QVERIFY(f->barrier());
    QCOMPARE(f->log(), QByteArrayList{"AT"});
    QCOMPARE(f->get(key), before);
}

void TestDeviceSettings::dialogPreparedForEachUse_data()
{
    QTest::addColumn<Action>("first");
    QTest::addColumn<Action>("second");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QList<bool>>("newEnabled");

    const Action lockPin = [](Fixture &f) { toggle(f.locks.Blokovani(), 0); };
    const Action lockPhone = [](Fixture &f) { toggle(f.locks.Blokovani(), 1); };
    QTest::newRow("PIN lock, then PIN2")
        << lockPin << Action([](Fixture &f) { f.locks.ZmenitPIN2()->click(); })
        << QStringList{"Zadejte PIN", "Zadejte PIN2"} << QList<bool>{false, true};
    QTest::newRow("SIM binding, then PIN")
        << lockPhone << Action([](Fixture &f) { f.locks.ZmenitPIN()->click(); })
        << QStringList{"Zadejte kód přístroje", "Zadejte PIN"} << QList<bool>{false, true};
    QTest::newRow("phone code, then PIN lock")
        << Action([](Fixture &f) { f.locks.ZmenitKOD()->click(); }) << lockPin
        << QStringList{"Zadejte kód přístroje", "Zadejte PIN"} << QList<bool>{true, false};
}

void TestDeviceSettings::dialogPreparedForEachUse()
{
    QFETCH(Action, first);
    QFETCH(Action, second);
    QFETCH(QStringList, captions);
    QFETCH(QList<bool>, newEnabled);

    QStringList seenCaptions;
    QList<bool> seenOld;
    QList<bool> seenNew;
    for (int i = 0; i < 2; ++i) {
        f->dialogs.dialogActions.push_back([&](QDialog *dialog) {
            auto *heslo = qobject_cast<THesloForm *>(dialog);
            seenCaptions.append(heslo->windowTitle());
            seenOld.append(heslo->PuvodniHeslo()->isEnabled());
            seenNew.append(heslo->NoveHeslo()->isEnabled());
            heslo->Heslo_zrus()->click();
            return heslo->result();
        });
    }
    first(*f);
    second(*f);
    QCOMPARE(seenCaptions, captions);
    QCOMPARE(seenOld, (QList<bool>{true, true}));
    QCOMPARE(seenNew, newEnabled);
}

void TestDeviceSettings::clockSet_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QByteArray>("command");

    QTest::newRow("8 Dec 2006 9:05:07") << QDateTime(QDate(2006, 12, 8), QTime(9, 5, 7)) << QLocale(QLocale::Czech)
                                        << QByteArray("AT+CCLK=\"06/12/08,9:05:07\"");
    // A month/day/year short date must not swap day and month.
    QTest::newRow("US locale, 2 Jan 2031 23:59:58")
        << QDateTime(QDate(2031, 1, 2), QTime(23, 59, 58)) << QLocale(QLocale::English, QLocale::UnitedStates)
        << QByteArray("AT+CCLK=\"31/01/02,23:59:58\"");
    QTest::newRow("ISO locale, 31 Oct 2000 midnight")
        << QDateTime(QDate(2000, 10, 31), QTime(0, 0, 0)) << QLocale(QLocale::Swedish)
        << QByteArray("AT+CCLK=\"00/10/31,0:00:00\"");
}

void TestDeviceSettings::clockSet()
{
    QFETCH(QDateTime, now);
    QFETCH(QLocale, locale);
    QFETCH(QByteArray, command);

    QLocale::setDefault(locale);
    f->clock.set(now);
    f->info.SynchrCas()->click();
    QTRY_VERIFY_WITH_TIMEOUT(HasFinalResult(f->received), 5000);
    QVERIFY2(f->received.contains("\r\nOK\r\n"), f->received.constData());
    QCOMPARE(f->log(), QByteArrayList{command});

    // The handset's clock now runs from the time that was set.
    f->received.clear();
    f->port.SendText("AT+CCLK?\r");
    QTRY_VERIFY_WITH_TIMEOUT(HasFinalResult(f->received), 5000);
    const qsizetype start = f->received.indexOf("+CCLK: \"");
    QVERIFY2(start >= 0, f->received.constData());
    const QByteArray shown = f->received.mid(start + 8, 17);
    QDateTime back = QDateTime::fromString(QString::fromLatin1(shown), QStringLiteral("yy/MM/dd,HH:mm:ss"));
    QVERIFY2(back.isValid(), shown.constData());
    back = back.addYears(100);  // two-digit years read as 19xx
    const qint64 drift = now.secsTo(back);
    QVERIFY2(drift >= 0 && drift <= 60, shown.constData());
}

void TestDeviceSettings::powerOffSilencesHandset()
{
    f->info.Vyp_tel()->click();
    QTRY_VERIFY_WITH_TIMEOUT(HasFinalResult(f->received), 5000);
    QCOMPARE(f->dialogs.requests.size(), 0);  // no confirmation
    QCOMPARE(f->get("power"), QByteArray("off"));

    // A switched-off handset leaves even a plain AT unanswered.
    f->port.SendText("AT\r");
    QCOMPARE(f->port.ReceiveText(20), QByteArray());
}

void TestDeviceSettings::hesloForm()
{
    THesloForm &heslo = f->heslo;
    QCOMPARE(heslo.objectName(), QStringLiteral("THesloForm"));
    QCOMPARE(heslo.windowTitle(), QStringLiteral("Heslo"));
    QCOMPARE(heslo.Label1()->text(), QStringLiteral("Původní:"));
    QCOMPARE(heslo.Label2()->text(), QStringLiteral("Nový:"));
    QCOMPARE(heslo.Heslo_zrus()->text(), QStringLiteral("Zrušit"));
    QVERIFY(heslo.width() >= THesloForm::DesignWidth && heslo.height() >= THesloForm::DesignHeight);
    QCOMPARE(heslo.minimumSize(), heslo.maximumSize());
    QVERIFY(heslo.Heslo_OK()->isDefault());

    // At most eight characters, each shown as "*".
    for (QLineEdit *edit : {heslo.PuvodniHeslo(), heslo.NoveHeslo()}) {
        QTest::keyClicks(edit, "123456789");
        QCOMPARE(edit->text(), QStringLiteral("12345678"));
        QCOMPARE(edit->displayText(), QStringLiteral("********"));
    }

    // OK keeps the texts; caption and enabled states stay for the next use.
    heslo.prepare(QStringLiteral("Zadejte PIN2"), true, false);
    heslo.Heslo_OK()->click();
    QCOMPARE(heslo.result(), int(QDialog::Accepted));
    QCOMPARE(heslo.PuvodniHeslo()->text(), QStringLiteral("12345678"));
    QCOMPARE(heslo.windowTitle(), QStringLiteral("Zadejte PIN2"));
    QVERIFY(!heslo.NoveHeslo()->isEnabled());

    // Shown over the main window, centred on it each time.
    f->mainWindow.setGeometry(100, 120, 600, 400);
    f->mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f->mainWindow));
    for (int i = 0; i < 2; ++i) {
        heslo.show();
        QVERIFY(QTest::qWaitForWindowExposed(&heslo));
        const QPoint offCentre = heslo.frameGeometry().center() - f->mainWindow.frameGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 2, qPrintable(QStringLiteral("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
        heslo.move(0, 0);
        // "Zrušit" empties both edits and cancels.
        heslo.Heslo_zrus()->click();
        QCOMPARE(heslo.result(), int(QDialog::Rejected));
        QVERIFY(heslo.PuvodniHeslo()->text().isEmpty());
        QVERIFY(heslo.NoveHeslo()->text().isEmpty());
        QVERIFY(!heslo.isVisible());
        QTest::keyClicks(heslo.PuvodniHeslo(), "1");
        f->mainWindow.move(200 * (i + 1), 50);
    }
}

QTEST_MAIN(TestDeviceSettings)
#include "tst_devicesettings.moc"
