#include "novasms.h"
#include "ui_novasms.h"

#include "comport.h"
#include "cp1250.h"
#include "dialogs.h"
#include "messagetexts.h"
#include "programfolder.h"
#include "smssend.h"
#include "text2pdu.h"

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QShowEvent>
#include <QTextCursor>
#include <QTreeWidget>

// The centre of T-Mobile Czech Republic, in international form without "+".
const QString TNovaSMSDlg::DefaultCentre = QStringLiteral("420603052000");

namespace {

// Columns of the source lists.
constexpr int kSeznamName = 2;
constexpr int kSeznamNumber = 3;
constexpr int kAdresarName = 1;
constexpr int kListSmsNumber = 1;

// A text file bigger than this is no message.
constexpr qint64 kMaxFileBytes = 1 << 20;

const QString kCaption = QStringLiteral("Nová SMS");

} // namespace

TNovaSMSDlg::TNovaSMSDlg(const NovaSmsLinks &links, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::TNovaSMSDlg)
    , m_links(links)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("NovaSMSDlg"));
    if (m_links.port)
        m_sender = new SmsSender(*m_links.port, this);

    connect(ui->SMS, &QTextEdit::textChanged, this, &TNovaSMSDlg::SMSChange);
    connect(ui->CisloPrijemce, &QLineEdit::textChanged, this, &TNovaSMSDlg::SMSChange);
    connect(ui->SmazatSMS, &QPushButton::clicked, this, &TNovaSMSDlg::SmazatSMSClick);
    connect(ui->NactiText, &QPushButton::clicked, this, &TNovaSMSDlg::NactiTextClick);
    connect(ui->SMSSeznam, &QComboBox::activated, this, &TNovaSMSDlg::SMSSeznamSelect);
    connect(ui->SMSAdresar, &QComboBox::activated, this, &TNovaSMSDlg::SMSAdresarSelect);
    connect(ui->PoslatSMS, &QPushButton::clicked, this, &TNovaSMSDlg::PoslatSMSClick);
    connect(ui->SMS_zrus, &QPushButton::clicked, this, &TNovaSMSDlg::reject);
    if (m_sender) {
        connect(m_sender, &SmsSender::finished, this, &TNovaSMSDlg::sendingDone);
        connect(m_sender, &SmsSender::progress, this, [this](int step, int steps) {
            if (m_links.Progres) {
                m_links.Progres->setRange(0, steps);
                m_links.Progres->setValue(step);
            }
            m_sendingProgress->setRange(0, steps);
            m_sendingProgress->setValue(step);
            m_sendingStatus->setText(message(&MessageTexts::smsSendingStep).arg(step).arg(steps));
        });
    }
    // The sending as the dialog shows it, above its buttons: the main
    // window's progress panel is behind the dialog.
    m_sendingStatus = new QLabel(this);
    m_sendingStatus->setObjectName(QStringLiteral("lbOdesilani"));
    m_sendingProgress = new QProgressBar(this);
    m_sendingProgress->setObjectName(QStringLiteral("ProgresOdesilani"));
    m_sendingProgress->setAccessibleName(QStringLiteral("Průběh odesílání"));
    m_sendingStatus->hide();
    m_sendingProgress->hide();
    const int buttons = ui->hlavniLayout->indexOf(ui->tlacitkaLayout);
    ui->hlavniLayout->insertWidget(buttons, m_sendingProgress);
    ui->hlavniLayout->insertWidget(buttons, m_sendingStatus);
    updateLimit();
}

TNovaSMSDlg::~TNovaSMSDlg()
{
    delete ui;
}

QTextEdit *TNovaSMSDlg::SMS() const { return ui->SMS; }
QLabel *TNovaSMSDlg::Znaku() const { return ui->Znaku; }
QLineEdit *TNovaSMSDlg::CisloPrijemce() const { return ui->CisloPrijemce; }
QComboBox *TNovaSMSDlg::SMSSeznam() const { return ui->SMSSeznam; }
QComboBox *TNovaSMSDlg::SMSAdresar() const { return ui->SMSAdresar; }
QCheckBox *TNovaSMSDlg::cbPotvrzeni() const { return ui->cbPotvrzeni; }
QSpinBox *TNovaSMSDlg::Platnost() const { return ui->Platnost; }
QComboBox *TNovaSMSDlg::ComboPlatnost() const { return ui->ComboPlatnost; }
QPushButton *TNovaSMSDlg::PoslatSMS() const { return ui->PoslatSMS; }
QPushButton *TNovaSMSDlg::SMS_zrus() const { return ui->SMS_zrus; }
QPushButton *TNovaSMSDlg::SmazatSMS() const { return ui->SmazatSMS; }
QPushButton *TNovaSMSDlg::NactiText() const { return ui->NactiText; }

bool TNovaSMSDlg::isSending() const
{
    return m_sender && m_sender->isBusy();
}

QString TNovaSMSDlg::message(QByteArray MessageTexts::*text) const
{
    static const MessageTexts defaults = MessageTexts::defaults();
    return Cp1250::toUnicode((m_links.texts ? *m_links.texts : defaults).*text);
}

QString TNovaSMSDlg::CounterText(const QByteArray &text) const
{
    const SmsTextSize size = MeasureSmsText(text);
    if (size.parts <= 1)
        return QString::asprintf("%0.3d / %0.3d max", size.units, size.limit);
    return message(&MessageTexts::smsCounterParts)
        .arg(size.units, 3, 10, QLatin1Char('0'))
        .arg(size.parts * size.partLimit, 3, 10, QLatin1Char('0'))
        .arg(size.parts);
}

QByteArray TNovaSMSDlg::messageText() const
{
    // QTextEdit keeps paragraph breaks as U+2029 in some paths; toPlainText gives LF.
    return Cp1250::fromUnicode(ui->SMS->toPlainText());
}

void TNovaSMSDlg::FillRecipientLists()
{
    ui->SMSSeznam->clear();
    ui->SMSAdresar->clear();
    if (m_links.Seznam) {
        for (int i = 0; i < m_links.Seznam->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *row = m_links.Seznam->topLevelItem(i);
            ui->SMSSeznam->addItem(row->text(kSeznamName) + QStringLiteral(" - ") + row->text(kSeznamNumber));
        }
    }
    if (m_links.lvAdresar) {
        for (int i = 0; i < m_links.lvAdresar->topLevelItemCount(); ++i)
            ui->SMSAdresar->addItem(m_links.lvAdresar->topLevelItem(i)->text(kAdresarName));
    }
    // An editable combo box shows its first entry after filling; it starts empty instead.
    ui->SMSSeznam->setCurrentIndex(-1);
    ui->SMSAdresar->setCurrentIndex(-1);
}

void TNovaSMSDlg::NewMessage()
{
    FillRecipientLists();
    Dialogs::instance().execDialog(this);
}

void TNovaSMSDlg::Reply(QTreeWidget *ListSMS, QPlainTextEdit *SMSText)
{
    FillRecipientLists();
    ui->SMSSeznam->setEditText(QString());
    ui->SMSAdresar->setEditText(QString());
    const QList<QTreeWidgetItem *> selected = ListSMS ? ListSMS->selectedItems() : QList<QTreeWidgetItem *>();
    if (selected.isEmpty()) {
        ui->SMS->clear();
        ui->CisloPrijemce->clear();
        return;
    }
    ui->CisloPrijemce->setText(selected.first()->text(kListSmsNumber));
    m_loading = true; // a preview of a long message may be longer than the limit
    ui->SMS->setPlainText(SMSText ? SMSText->toPlainText() : QString());
    m_loading = false;
    SMSChange();
    Dialogs::instance().execDialog(this);
}

// Activation: centred over the main window, the counter and the limit for
// what the text holds now, the text focused.
void TNovaSMSDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_links.mainWindow) {
        const QRect main = m_links.mainWindow->frameGeometry();
        move(main.left() + main.width() / 2 - frameGeometry().width() / 2,
             main.top() + main.height() / 2 - frameGeometry().height() / 2);
    }
    updateLimit();
    ui->SMS->setFocus();
}

void TNovaSMSDlg::SMSChange()
{
    if (m_updating)
        return;
    const QByteArray text = messageText();
    if (!m_loading && !MeasureSmsText(text).fits()) {
        // Beyond ten parts: typing and pasting stop here, as a maximum length
        // would stop them. A text that was already longer stays as it is.
        if (ui->SMS->toPlainText().size() > m_acceptedText.size()
            && MeasureSmsText(Cp1250::fromUnicode(m_acceptedText)).fits()) {
            m_updating = true;
            const int position = qMin<int>(ui->SMS->textCursor().position(), int(m_acceptedText.size()));
            ui->SMS->setPlainText(m_acceptedText);
            QTextCursor cursor = ui->SMS->textCursor();
            cursor.setPosition(position);
            ui->SMS->setTextCursor(cursor);
            m_updating = false;
        }
    }
    updateLimit();
}

void TNovaSMSDlg::updateLimit()
{
    const QByteArray text = messageText();
    m_acceptedText = ui->SMS->toPlainText();
    ui->Znaku->setText(CounterText(text));
    ui->PoslatSMS->setEnabled(!isSending() && !text.isEmpty() && !ui->CisloPrijemce->text().isEmpty());
}

void TNovaSMSDlg::SmazatSMSClick()
{
    ui->SMS->clear();
    ui->PoslatSMS->setEnabled(false);
    ui->SMS->setFocus();
}

void TNovaSMSDlg::NactiTextClick()
{
    const QString folder = userFilesFolder(m_links.programFolder, QStringLiteral("SMS"));
    const QString name = Dialogs::instance().openFileName(this, QStringLiteral("Načti text"), folder,
                                                          QStringLiteral("*.sms (*.sms)"));
    if (name.isEmpty())
        return;
    ui->SMS->clear();
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileBytes)
        return; // the text stays empty
    QByteArray bytes = file.readAll();
    bytes.replace("\r\n", "\n");
    m_loading = true;
    ui->SMS->setPlainText(Cp1250::toUnicode(bytes));
    m_loading = false;
    SMSChange();
}

void TNovaSMSDlg::SMSSeznamSelect(int index)
{
    const QTreeWidgetItem *row = m_links.Seznam && index >= 0 ? m_links.Seznam->topLevelItem(index) : nullptr;
    ui->CisloPrijemce->setText(row ? row->text(kSeznamNumber) : ui->SMSSeznam->currentText());
}

void TNovaSMSDlg::SMSAdresarSelect(int index)
{
    std::optional<QString> number;
    if (m_links.privateNumber && index >= 0)
        number = m_links.privateNumber(index + 1);
    ui->CisloPrijemce->setText(number ? *number : ui->SMSAdresar->currentText());
}

std::optional<QString> TNovaSMSDlg::serviceCentre(bool *asked)
{
    *asked = false;
    const QString stored = m_links.strediskoSMS ? m_links.strediskoSMS->text().trimmed() : QString();
    if (!stored.isEmpty())
        return QString(); // the handset has its centre: it is left as it is
    *asked = true;
    return Dialogs::instance().inputBox(this, QStringLiteral("Číslo SMS centra"), QStringLiteral("Číslo:"),
                                        DefaultCentre);
}

void TNovaSMSDlg::showError(const QString &text)
{
    Dialogs::instance().message(this, Dialogs::Icon::Error, kCaption, text, Dialogs::Buttons::Ok);
}

void TNovaSMSDlg::PoslatSMSClick()
{
    if (isSending() || !m_sender)
        return;
    // Everything is checked before anything goes to the handset.
    const std::optional<QByteArray> number = NormalizeSmsNumber(ui->CisloPrijemce->text());
    if (!number) {
        showError(message(&MessageTexts::smsBadNumber).arg(ui->CisloPrijemce->text()));
        ui->CisloPrijemce->setFocus();
        return;
    }
    const QString typed = ui->SMS->toPlainText();
    if (!Cp1250::canEncode(typed)) {
        QStringList missing;
        for (qsizetype i = 0; i < typed.size(); ++i) {
            const qsizetype n = typed[i].isHighSurrogate() && i + 1 < typed.size() ? 2 : 1;
            const QString one = typed.mid(i, n);
            if (!Cp1250::canEncode(one) && !missing.contains(one))
                missing.append(one);
            i += n - 1;
        }
        showError(message(&MessageTexts::smsUnencodable).arg(missing.join(u' ')));
        ui->SMS->setFocus();
        return;
    }
    const QByteArray text = messageText();
    const SmsTextSize size = MeasureSmsText(text);
    if (text.isEmpty())
        return;
    if (!size.fits()) {
        showError(message(&MessageTexts::smsTooLong).arg(size.units).arg(size.maxUnits()).arg(kMaxSmsParts));
        return;
    }
    // AT+CSCA rewrites the handset's own centre: only a centre the user gave
    // (the readout found none) is written. Cancel in the prompt cancels the
    // send.
    bool asked = false;
    const std::optional<QString> centreText = serviceCentre(&asked);
    if (!centreText)
        return;
    QByteArray centre;
    if (asked) {
        const std::optional<QByteArray> typed = NormalizeSmsNumber(*centreText);
        if (!typed) {
            showError(message(&MessageTexts::smsBadCentre).arg(*centreText));
            return;
        }
        centre = *typed;
    }

    SmsMessage message;
    message.number = *number;
    message.centre = centre;
    message.text = text;
    message.validity = ValidityOctet(ui->Platnost->value(), ui->ComboPlatnost->currentIndex());
    message.statusReport = ui->cbPotvrzeni->isChecked();

    if (m_links.installDefaultRxHandler)
        m_links.installDefaultRxHandler(); // ends any listing handler
    if (m_links.openModemPort && !m_links.openModemPort())
        return; // the main window has said why
    if (m_links.Progres) {
        m_links.Progres->setRange(0, 3 + 2 * size.parts);
        m_links.Progres->setValue(0);
    }
    if (m_links.lbProgres)
        m_links.lbProgres->setText(QStringLiteral("Čekejte prosím posílám SMS ..."));
    if (m_links.ProgresPanel) {
        m_links.ProgresPanel->show();
        m_links.ProgresPanel->repaint();
    }
    // The rest of a message of which the handset took some parts goes under
    // the same reference, so the recipient's phone joins it.
    // The dialog shows the sending (the main window is behind it).
    m_sendingStatus->setText(this->message(&MessageTexts::smsSendingStep).arg(0).arg(3 + 2 * size.parts));
    m_sendingProgress->setValue(0);
    m_sendingStatus->show();
    m_sendingProgress->show();
    if (m_sender->canResume(message))
        m_sender->resume();
    else
        m_sender->send(message);
    // Busy from here on: "Poslat" is off until the exchange is over.
    setEditable(false);
}

void TNovaSMSDlg::setEditable(bool on)
{
    for (QWidget *w : std::initializer_list<QWidget *>{ui->SMS, ui->CisloPrijemce, ui->SMSSeznam, ui->SMSAdresar,
                                                       ui->Platnost, ui->ComboPlatnost, ui->cbPotvrzeni,
                                                       ui->SmazatSMS, ui->NactiText})
        w->setEnabled(on);
    updateLimit();
}

void TNovaSMSDlg::sendingDone(bool ok)
{
    m_sendingStatus->hide();
    m_sendingProgress->hide();
    if (m_links.ProgresPanel)
        m_links.ProgresPanel->hide();
    if (m_links.lbProgres)
        m_links.lbProgres->setText(QStringLiteral("Čekejte prosím načítám data ..."));
    setEditable(true);

    const int parts = m_sender->partCount();
    if (ok) {
        if (m_links.setStatusText)
            m_links.setStatusText(parts > 1 ? message(&MessageTexts::smsSentParts).arg(parts)
                                            : message(&MessageTexts::smsSent));
        emit sendingFinished(true);
        accept();
        return;
    }

    QString why;
    switch (m_sender->failure()) {
    case SmsSender::Failure::HandsetError:
        why = message(&MessageTexts::smsSendRefused).arg(QString::fromLatin1(m_sender->handsetError()));
        break;
    case SmsSender::Failure::NoPrompt:
        why = message(&MessageTexts::smsSendNoPrompt).arg(m_sender->timeouts().promptMs / 1000);
        break;
    case SmsSender::Failure::NoAnswer:
        why = message(&MessageTexts::smsSendNoAnswer);
        break;
    case SmsSender::Failure::PortError:
        why = message(&MessageTexts::smsSendPortError).arg(m_sender->errorText());
        break;
    case SmsSender::Failure::Cancelled:
        why = message(&MessageTexts::smsSendCancelled);
        break;
    case SmsSender::Failure::InvalidMessage:
    case SmsSender::Failure::None:
        why = m_sender->errorText();
        break;
    }
    QString text = message(&MessageTexts::smsSendFailed) + u'\n' + why;
    if (parts > 1) {
        const int taken = m_sender->partsSent();
        text += u'\n' + message(&MessageTexts::smsPartsSent).arg(taken).arg(parts);
        if (taken > 0 && taken < parts) {
            QStringList which;
            for (int p = 1; p <= taken; ++p)
                which.append(QString::number(p));
            text += u'\n' + message(&MessageTexts::smsRetryRemaining).arg(which.join(QStringLiteral(", ")));
        }
    }
    emit sendingFinished(false);
    showError(text);
}

void TNovaSMSDlg::reject()
{
    if (isSending()) {
        m_sender->cancel();
        return;
    }
    QDialog::reject();
}
