#include "devicesettings.h"

#include "clock.h"
#include "comport.h"
#include "cp1250.h"
#include "dialogs.h"
#include "heslo.h"
#include "infopage.h"
#include "lockspage.h"

#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>

#include <iterator>

namespace {

QByteArray number(int n)
{
    return QByteArray::number(n);
}

QByteArray twoDigits(int n)
{
    return QByteArray::number(n).rightJustified(2, '0');
}

// Empties the code dialog's edits when a handler leaves, also by an exception,
// so that no code stays behind in the dialog.
class CodeWiper
{
public:
    explicit CodeWiper(THesloForm *heslo) : m_heslo(heslo) {}
    ~CodeWiper() { m_heslo->clearCodes(); }
    CodeWiper(const CodeWiper &) = delete;
    CodeWiper &operator=(const CodeWiper &) = delete;

private:
    THesloForm *m_heslo;
};

} // namespace

DeviceSettings::DeviceSettings(InfoPage *infoPage, LocksPage *locksPage, TComPort *comPort1,
                               THesloForm *heslo, const Clock &clock,
                               std::function<bool(bool)> setModemPortOpen, QObject *parent)
    : QObject(parent)
    , m_infoPage(infoPage)
    , m_locksPage(locksPage)
    , m_comPort1(comPort1)
    , m_heslo(heslo)
    , m_clock(clock)
    , m_setModemPortOpen(std::move(setModemPortOpen))
{
    connect(infoPage, &InfoPage::ringVolumePicked, this,
            [this](int index) { run([this, index] { Hlasitost_zvoneniChange(index); }); });
    connect(infoPage, &InfoPage::speakerVolumePicked, this,
            [this](int index) { run([this, index] { Hlasitost_reproChange(index); }); });
    connect(infoPage, &InfoPage::alertModePicked, this,
            [this](int index) { run([this, index] { UmlceniChange(index); }); });
    connect(infoPage, &InfoPage::optionToggled, this, [this](int item, bool checked) {
        run([this, item, checked] { OstatniBoxClickCheck(item, checked); });
    });
    connect(infoPage->SynchrCas(), &QPushButton::clicked, this, [this] { run([this] { SynchrCasClick(); }); });
    connect(infoPage->Vyp_tel(), &QPushButton::clicked, this, [this] { run([this] { Vyp_telClick(); }); });

    connect(locksPage, &LocksPage::lockToggled, this, [this](int item, bool checked) {
        run([this, item, checked] { BlokovaniClickCheck(item, checked); });
    });
    connect(locksPage->ZmenitPIN(), &QPushButton::clicked, this, [this] { run([this] { ZmenitPINClick(); }); });
    connect(locksPage->ZmenitPIN2(), &QPushButton::clicked, this, [this] { run([this] { ZmenitPIN2Click(); }); });
    connect(locksPage->ZmenitKOD(), &QPushButton::clicked, this, [this] { run([this] { ZmenitKODClick(); }); });
    connect(locksPage->Poslat_DTMF(), &QPushButton::clicked, this,
            [this] { run([this] { Poslat_DTMFClick(); }); });
    connect(locksPage->ZmenitDTMF(), &QPushButton::clicked, this,
            [this] { run([this] { ZmenitDTMFClick(); }); });
}

void DeviceSettings::setGuard(Guard guard)
{
    m_guard = std::move(guard);
}

void DeviceSettings::run(const std::function<void()> &handler)
{
    if (m_guard) {
        m_guard(handler);
        return;
    }
    // An exception must not unwind through Qt's signal delivery.
    try {
        handler();
    } catch (const EComPort &e) {
        Dialogs::instance().message(m_heslo->parentWidget(), Dialogs::Icon::Error, QString(), e.text(),
                                    Dialogs::Buttons::Ok);
    } catch (const std::exception &e) {
        Dialogs::instance().message(m_heslo->parentWidget(), Dialogs::Icon::Error, QString(),
                                    QString::fromLocal8Bit(e.what()), Dialogs::Buttons::Ok);
    }
}

void DeviceSettings::send(const QByteArray &command)
{
    m_comPort1->SendText(command);
}

// --- Information page ---------------------------------------------------------

void DeviceSettings::Hlasitost_zvoneniChange(int index)
{
    if (!m_setModemPortOpen(true))
        return;
    if (index >= 0)
        send("AT+CRSL=" + number(index + 1) + '\r');
}

void DeviceSettings::Hlasitost_reproChange(int index)
{
    if (!m_setModemPortOpen(true))
        return;
    if (index >= 0)
        send("AT+CLVL=" + number(index) + '\r');
}

void DeviceSettings::UmlceniChange(int index)
{
    if (!m_setModemPortOpen(true))
        return;
    if (index >= 0)
        send("AT+CALM=" + number(index) + '\r');
}

void DeviceSettings::OstatniBoxClickCheck(int item, bool checked)
{
    if (!m_setModemPortOpen(true))
        return;
    // Items 2 and 3 use the commands this handset has always been sent for
    // them; the readout reads them back through other queries.
    static const char *const commands[] = {"at+clck=\"CS\",", "at+cvib=", "AT+CLIR=", "AT+CMUT="};
    if (item < 0 || item >= int(std::size(commands)))
        return;
    send(QByteArray(commands[item]) + (checked ? '1' : '0') + '\r');
}

void DeviceSettings::SynchrCasClick()
{
    if (!m_setModemPortOpen(true))
        return;
    const QByteArray command = ClockCommand(m_clock.now());
    if (!command.isEmpty())
        send(command);
}

void DeviceSettings::Vyp_telClick()
{
    if (!m_setModemPortOpen(true))
        return;
    send("AT^SMSO\r");
}

QByteArray DeviceSettings::ClockCommand(const QDateTime &now)
{
    if (!now.isValid())
        return {};
    const QDate d = now.date();
    const QTime t = now.time();
    // The year modulo 100 stays two digits for any year, also before 2000.
    const int year = ((d.year() % 100) + 100) % 100;
    const QByteArray date = twoDigits(year) + '/' + twoDigits(d.month()) + '/' + twoDigits(d.day());
    const QByteArray time = number(t.hour()) + ':' + twoDigits(t.minute()) + ':' + twoDigits(t.second());
    return "AT+CCLK=\"" + date + ',' + time + "\"\r";
}

// --- Locks page -------------------------------------------------------------------

void DeviceSettings::BlokovaniClickCheck(int item, bool checked)
{
    if (!m_setModemPortOpen(true))
        return;
    CodeWiper wiper(m_heslo);
    static const char *const facilities[] = {"SC", "PS"};
    if (item < 0 || item >= int(std::size(facilities)))
        return;

    m_heslo->prepare(item == 0 ? QStringLiteral("Zadejte PIN") : QStringLiteral("Zadejte kód přístroje"),
                     true, false);
    Dialogs::instance().execDialog(m_heslo);
    const QByteArray code = m_heslo->oldCode();
    if (code.isEmpty()) {
        m_locksPage->setLock(item, !checked);
        return;
    }
    send("at^slck=\"" + QByteArray(facilities[item]) + "\"," + (checked ? '1' : '0') + ',' + code + '\r');
}

void DeviceSettings::changeCode(const QString &caption, const char *facility)
{
    if (!m_setModemPortOpen(true))
        return;
    m_heslo->prepare(caption, true, true);
    Dialogs::instance().execDialog(m_heslo);
    const QByteArray oldCode = m_heslo->oldCode();
    const QByteArray newCode = m_heslo->newCode();
    // With either code missing the texts stay (only cancelling empties them).
    if (oldCode.isEmpty() || newCode.isEmpty())
        return;
    CodeWiper wiper(m_heslo);
    send("AT+CPWD=\"" + QByteArray(facility) + "\"," + oldCode + ',' + newCode + '\r');
}

void DeviceSettings::ZmenitPINClick()
{
    changeCode(QStringLiteral("Zadejte PIN"), "SC");
}

void DeviceSettings::ZmenitPIN2Click()
{
    changeCode(QStringLiteral("Zadejte PIN2"), "P2");
}

void DeviceSettings::ZmenitKODClick()
{
    changeCode(QStringLiteral("Zadejte kód přístroje"), "PS");
}

void DeviceSettings::Poslat_DTMFClick()
{
    if (!m_setModemPortOpen(true))
        return;
    send("AT+VTS=" + Cp1250::fromUnicode(m_locksPage->DTMF()->text()) + '\r');
}

void DeviceSettings::ZmenitDTMFClick()
{
    if (!m_setModemPortOpen(true))
        return;
    send("AT+VTD=" + number(m_locksPage->DTMF_D()->value()) + '\r');
}
