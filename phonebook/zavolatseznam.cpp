#include "zavolatseznam.h"

#include "atvalues.h"
#include "comport.h"
#include "cp1250.h"
#include "dialogs.h"
#include "messagetexts.h"
#include "radiogroup.h"

#include <QShowEvent>
#include <QVBoxLayout>

TZavolatSeznam::TZavolatSeznam(QWidget *mainWindow, TComPort *comPort1,
                               std::function<bool(bool)> setModemPortOpen)
    : QDialog(mainWindow)
    , m_mainWindow(mainWindow)
    , m_comPort1(comPort1)
    , m_setModemPortOpen(std::move(setModemPortOpen))
    , m_cislo(new RadioGroup(this))
{
    setObjectName(QStringLiteral("TZavolatSeznam"));
    setWindowTitle(QStringLiteral("Vyberte číslo"));
    // A single border with the system menu only: no minimize or maximize box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    m_cislo->setObjectName(QStringLiteral("cislo"));
    m_cislo->setCaption(QStringLiteral("Číslo"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_cislo);
    resize(DesignWidth, DesignHeight);

    // A click on the item already chosen emits nothing, so cisloClick takes
    // the choice back each time: at the next showing every item dials.
    connect(m_cislo, &RadioGroup::clicked, this, [this](int) {
        if (m_guard)
            m_guard([this] { cisloClick(); });
        else
            cisloClick();
    });
}

QByteArray TZavolatSeznam::DialCommand(const QByteArray &number)
{
    return "ATD" + number + ";\r";
}

void TZavolatSeznam::cisloClick()
{
    const int index = m_cislo->itemIndex();
    // The choice is spent either way: the next showing starts with none.
    m_cislo->setItemIndex(-1);
    // Closing first: a port error below must not leave the dialog on screen.
    accept();
    if (index < 0 || index > 3 || !m_comPort1)
        return;
    // Blanks around the number are dropped; any other character makes it no dial string.
    QString number = m_cislo->itemText(index);
    while (number.startsWith(QLatin1Char(' ')))
        number.remove(0, 1);
    while (number.endsWith(QLatin1Char(' ')))
        number.chop(1);
    if (number.isEmpty())
        return;
    if (!IsDialString(number)) {
        static const MessageTexts defaults = MessageTexts::defaults();
        QString text = Cp1250::toUnicode(m_texts ? m_texts->pbBadDialString : defaults.pbBadDialString);
        text.replace(QLatin1String("%1"), number);
        Dialogs::instance().message(m_mainWindow, Dialogs::Icon::Warning, QStringLiteral("Upozornění"), text,
                                    Dialogs::Buttons::Ok);
        return;
    }
    if (m_setModemPortOpen && !m_setModemPortOpen(true))
        return;
    if (m_beforeSend)
        m_beforeSend();
    m_comPort1->SendText(DialCommand(number.toLatin1()));
}

void TZavolatSeznam::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous() || !m_mainWindow)
        return;
    const QRect main = m_mainWindow->window()->frameGeometry();
    const QRect own = frameGeometry();
    move(main.left() + main.width() / 2 - own.width() / 2,
         main.top() + main.height() / 2 - own.height() / 2);
}
