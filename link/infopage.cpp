#include "infopage.h"
#include "ui_infopage.h"

#include "cp1250.h"
#include "phoneinfo.h"

#include <QDateTime>
#include <QListWidgetItem>

#include <algorithm>
#include <initializer_list>
#include <QSignalBlocker>

namespace {

QString text(const QByteArray &bytes)
{
    return Cp1250::toUnicode(bytes);
}

void setComboIndex(QComboBox *box, const std::optional<int> &index)
{
    if (!index)
        return;
    const QSignalBlocker block(box);
    box->setCurrentIndex(InfoCut::indexWithin(index, box->count()).value_or(-1));
}

} // namespace


InfoPage::InfoPage(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::InfoPage)
{
    ui->setupUi(this);
    setOptionItems({QStringLiteral("zamknutí kláves"), QStringLiteral("vibrace"),
                    QStringLiteral("umlčet mikrofon"), QStringLiteral("handsfree")});
    // The combo boxes start without a choice until a readout has set them.
    for (QComboBox *box : {ui->Hlasitost_zvoneni, ui->Umlceni, ui->Hlasitost_repro})
        box->setCurrentIndex(-1);

    connect(ui->Hlasitost_zvoneni, &QComboBox::activated, this, &InfoPage::ringVolumePicked);
    connect(ui->Hlasitost_repro, &QComboBox::activated, this, &InfoPage::speakerVolumePicked);
    connect(ui->Umlceni, &QComboBox::activated, this, &InfoPage::alertModePicked);
    connect(ui->OstatniBox, &QListWidget::itemChanged, this, &InfoPage::onOptionItemChanged);
    connect(ui->SynchrCas, &QPushButton::clicked, this, &InfoPage::clockSetRequested);
    connect(ui->Vyp_tel, &QPushButton::clicked, this, &InfoPage::powerOffRequested);
}

InfoPage::~InfoPage()
{
    delete ui;
}

QLabel *InfoPage::Vyrobce() const { return ui->Vyrobce; }
QLabel *InfoPage::model() const { return ui->model; }
QLabel *InfoPage::VerzeGSM() const { return ui->VerzeGSM; }
QLabel *InfoPage::Operator() const { return ui->Operator; }
QLabel *InfoPage::Baterie() const { return ui->Baterie; }
QLabel *InfoPage::Signal() const { return ui->Signal; }
QLabel *InfoPage::IMEI() const { return ui->IMEI; }
QLabel *InfoPage::IMSI() const { return ui->IMSI; }
QLabel *InfoPage::cisloSIM() const { return ui->cisloSIM; }
QLabel *InfoPage::strediskoSMS() const { return ui->strediskoSMS; }
QLabel *InfoPage::Poplatky() const { return ui->Poplatky; }
QLabel *InfoPage::Datum_PC_R() const { return ui->Datum_PC_R; }
QLabel *InfoPage::Cas_PC_R() const { return ui->Cas_PC_R; }
QComboBox *InfoPage::Hlasitost_zvoneni() const { return ui->Hlasitost_zvoneni; }
QComboBox *InfoPage::Umlceni() const { return ui->Umlceni; }
QComboBox *InfoPage::Hlasitost_repro() const { return ui->Hlasitost_repro; }
QListWidget *InfoPage::OstatniBox() const { return ui->OstatniBox; }
QPushButton *InfoPage::refresh() const { return ui->refresh; }
QPushButton *InfoPage::btnExplorer() const { return ui->btnExplorer; }
QPushButton *InfoPage::Vyp_tel() const { return ui->Vyp_tel; }
QPushButton *InfoPage::BitBtn1() const { return ui->BitBtn1; }
QPushButton *InfoPage::SynchrCas() const { return ui->SynchrCas; }

void InfoPage::clearReadout()
{
    for (QLabel *panel : {ui->Vyrobce, ui->model, ui->VerzeGSM, ui->IMEI, ui->Baterie, ui->Signal,
                          ui->Operator, ui->IMSI, ui->cisloSIM, ui->strediskoSMS})
        panel->clear();
    ui->Poplatky->setText(QStringLiteral("???"));
}

void InfoPage::showReadout(const PhoneInfo &info)
{
    ui->Vyrobce->setText(text(info.Vyrobce));
    ui->model->setText(text(info.model));
    // A readout that was cancelled or found the handset gone shows what it
    // read; the fields it did not reach are empty, as the presence check left them.
    if (!info.complete && info.end == ReadoutEnd::MakerAndModel)
        return;
    ui->VerzeGSM->setText(text(info.VerzeGSM));
    ui->VerzeGSM->setToolTip(ui->VerzeGSM->text());
    ui->IMEI->setText(text(info.IMEI));
    ui->Baterie->setText(text(info.Baterie));
    ui->Signal->setText(text(info.Signal));
    ui->Operator->setText(text(info.Operator));
    ui->IMSI->setText(text(info.IMSI));
    ui->cisloSIM->setText(text(info.cisloSIM));
    ui->strediskoSMS->setText(text(info.strediskoSMS));
    setComboIndex(ui->Hlasitost_zvoneni, info.ringIndex);
    setComboIndex(ui->Hlasitost_repro, info.speakerIndex);
    setComboIndex(ui->Umlceni, info.alertIndex);
    const std::optional<bool> options[] = {info.keyLock, info.vibration, info.microphoneMute,
                                           info.handsFree};
    for (int i = 0; i < 4; ++i)
        if (options[i])
            setOption(i, *options[i]);
    if (info.complete)
        ui->Poplatky->setText(text(info.Poplatky));
}

void InfoPage::disableUnread(const PhoneInfo &info)
{
    // Values a finished readout left without one were refused by the
    // handset: their controls work as before.
    const bool stopped = info.end != ReadoutEnd::Complete && info.end != ReadoutEnd::MakerAndModel;
    const auto unread = [&](bool hasValue, std::initializer_list<const char *> commands) {
        if (hasValue || info.end == ReadoutEnd::MakerAndModel)
            return false;
        if (stopped)
            return true;
        return std::all_of(commands.begin(), commands.end(),
                           [&](const char *c) { return !info.answered(c); });
    };
    if (unread(info.ringIndex.has_value(), {"AT+CRSL?"}))
        ui->Hlasitost_zvoneni->setEnabled(false);
    if (unread(info.speakerIndex.has_value(), {"AT+CLVL?"}))
        ui->Hlasitost_repro->setEnabled(false);
    if (unread(info.alertIndex.has_value(), {"AT+CALM?"}))
        ui->Umlceni->setEnabled(false);
    const bool optionUnread[] = {
        unread(info.keyLock.has_value(), {"AT+CLCK=\"SC\",2"}),
        unread(info.vibration.has_value(), {"AT+CVIB?"}),
        unread(info.microphoneMute.has_value(), {"AT+CLIR?", "AT+CMUT?"}),
        unread(info.handsFree.has_value(), {"AT^SNFS?"})};
    for (int i = 0; i < 4 && i < ui->OstatniBox->count(); ++i) {
        QListWidgetItem *item = ui->OstatniBox->item(i);
        item->setFlags(optionUnread[i] ? item->flags() & ~Qt::ItemIsEnabled
                                       : item->flags() | Qt::ItemIsEnabled);
    }
}

void InfoPage::showClock(const QDateTime &now)
{
    ui->Datum_PC_R->setText(now.toString(QStringLiteral("dd:MM:yyyy")));
    ui->Cas_PC_R->setText(now.toString(QStringLiteral("HH:mm:ss")));
}

void InfoPage::setOption(int item, bool checked)
{
    CheckList::setChecked(ui->OstatniBox, item, checked);
}

bool InfoPage::option(int item) const
{
    return CheckList::isChecked(ui->OstatniBox, item);
}

void InfoPage::setOptionItems(const QStringList &texts)
{
    CheckList::setItems(ui->OstatniBox, texts);
    // Show every option without a scroll bar.
    const int rows = qMax(1, ui->OstatniBox->count());
    ui->OstatniBox->setFixedHeight(rows * ui->OstatniBox->sizeHintForRow(0)
                                   + 2 * ui->OstatniBox->frameWidth() + 2);
}

void InfoPage::setComboItems(QComboBox *box, const QStringList &texts)
{
    const QSignalBlocker block(box);
    box->clear();
    box->addItems(texts);
    box->setCurrentIndex(-1);
}

void InfoPage::onOptionItemChanged(QListWidgetItem *item)
{
    if (!CheckList::takeUserToggle(item))
        return;
    emit optionToggled(ui->OstatniBox->row(item), item->checkState() == Qt::Checked);
}
