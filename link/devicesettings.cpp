#include "devicesettings.h"

#include "clock.h"
#include "comport.h"
#include "dialogs.h"
#include "errorguard.h"
#include "heslo.h"
#include "infopage.h"
#include "lockspage.h"
#include "settingcommands.h"

#include "atvalues.h"
#include "cp1250.h"
#include "messagetexts.h"

#include <QDateTime>
#include <QPushButton>


namespace {

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
    connect(infoPage, &InfoPage::clockSetRequested, this, [this] { run([this] { SynchrCasClick(); }); });
    connect(infoPage, &InfoPage::powerOffRequested, this, [this] { run([this] { Vyp_telClick(); }); });

    connect(locksPage, &LocksPage::lockToggled, this, [this](int item, bool checked) {
        run([this, item, checked] { BlokovaniClickCheck(item, checked); });
    });
    connect(locksPage->ZmenitPIN(), &QPushButton::clicked, this, [this] { run([this] { ZmenitPINClick(); }); });
    connect(locksPage->ZmenitPIN2(), &QPushButton::clicked, this, [this] { run([this] { ZmenitPIN2Click(); }); });
    connect(locksPage->ZmenitKOD(), &QPushButton::clicked, this, [this] { run([this] { ZmenitKODClick(); }); });
    connect(locksPage, &LocksPage::dtmfSendRequested, this, [this] { run([this] { Poslat_DTMFClick(); }); });
    connect(locksPage, &LocksPage::dtmfDurationRequested, this,
            [this] { run([this] { ZmenitDTMFClick(); }); });
}

void DeviceSettings::setGuard(Guard guard)
{
    m_guard = std::move(guard);
}

void DeviceSettings::setMessageTexts(const MessageTexts *texts)
{
    m_texts = texts;
}

bool DeviceSettings::codesValid(std::initializer_list<QByteArray> codes)
{
    for (const QByteArray &code : codes) {
        if (IsSecurityCode(Cp1250::toUnicode(code)))
            continue;
        const QByteArray text = m_texts ? m_texts->badSecurityCode
                                        : MessageTexts::defaults().badSecurityCode;
        Dialogs::instance().message(m_heslo->parentWidget(), Dialogs::Icon::Warning,
                                    QStringLiteral("Upozornění"), Cp1250::toUnicode(text),
                                    Dialogs::Buttons::Ok);
        return false;
    }
    return true;
}

void DeviceSettings::run(const std::function<void()> &handler)
{
    if (m_guard)
        m_guard(handler);
    else
        RunShowingErrors(m_heslo->parentWidget(), QString(), handler);
}

void DeviceSettings::send(const QByteArray &command)
{
    if (!command.isEmpty())
        m_comPort1->SendText(command);
}

// --- Information page ---------------------------------------------------------

void DeviceSettings::Hlasitost_zvoneniChange(int index)
{
    if (!m_setModemPortOpen(true))
        return;
    send(SettingCommands::ringVolume(index));
}

void DeviceSettings::Hlasitost_reproChange(int index)
{
    if (!m_setModemPortOpen(true))
        return;
    send(SettingCommands::speakerVolume(index));
}

void DeviceSettings::UmlceniChange(int index)
{
    if (!m_setModemPortOpen(true))
        return;
    send(SettingCommands::alertMode(index));
}

void DeviceSettings::OstatniBoxClickCheck(int item, bool checked)
{
    if (!m_setModemPortOpen(true))
        return;
    send(SettingCommands::option(item, checked));
}

void DeviceSettings::SynchrCasClick()
{
    if (!m_setModemPortOpen(true))
        return;
    send(SettingCommands::clock(m_clock.now()));
}

void DeviceSettings::Vyp_telClick()
{
    if (!m_setModemPortOpen(true))
        return;
    send(SettingCommands::powerOff());
}

QByteArray DeviceSettings::ClockCommand(const QDateTime &now)
{
    return SettingCommands::clock(now);
}

// --- Locks page -------------------------------------------------------------------

void DeviceSettings::BlokovaniClickCheck(int item, bool checked)
{
    if (!m_setModemPortOpen(true))
        return;
    CodeWiper wiper(m_heslo);
    if (SettingCommands::lock(item, checked, "0000").isEmpty())
        return;  // no such lock item

    m_heslo->prepare(item == 0 ? QStringLiteral("Zadejte PIN") : QStringLiteral("Zadejte kód přístroje"),
                     true, false);
    Dialogs::instance().execDialog(m_heslo);
    const QByteArray code = m_heslo->oldCode();
    // A code that is no code goes nowhere (it would become part of the command).
    if (code.isEmpty() || !codesValid({code})) {
        m_locksPage->setLock(item, !checked);
        return;
    }
    send(SettingCommands::lock(item, checked, code));
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
    if (!codesValid({oldCode, newCode}))
        return;
    send(SettingCommands::changeCode(facility, oldCode, newCode));
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
    send(SettingCommands::dtmfTones(m_locksPage->dtmfTones()));
}

void DeviceSettings::ZmenitDTMFClick()
{
    if (!m_setModemPortOpen(true))
        return;
    send(SettingCommands::dtmfDuration(m_locksPage->dtmfDuration()));
}
