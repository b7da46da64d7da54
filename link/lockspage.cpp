#include "lockspage.h"
#include "ui_lockspage.h"

#include "checklist.h"
#include "cp1250.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

LocksPage::LocksPage(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::LocksPage)
{
    ui->setupUi(this);
    CheckList::setItems(ui->Blokovani, {QStringLiteral("Použít PIN"), QStringLiteral("Vazba na SIM")});
    ui->Blokovani->setFixedHeight(2 * ui->Blokovani->sizeHintForRow(0)
                                  + 2 * ui->Blokovani->frameWidth() + 2);
    connect(ui->Blokovani, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        if (CheckList::takeUserToggle(item))
            emit lockToggled(ui->Blokovani->row(item), item->checkState() == Qt::Checked);
    });
    connect(ui->Poslat_DTMF, &QPushButton::clicked, this, &LocksPage::dtmfSendRequested);
    connect(ui->ZmenitDTMF, &QPushButton::clicked, this, &LocksPage::dtmfDurationRequested);
}

LocksPage::~LocksPage()
{
    delete ui;
}

QListWidget *LocksPage::Blokovani() const { return ui->Blokovani; }
QPushButton *LocksPage::ZmenitPIN() const { return ui->ZmenitPIN; }
QPushButton *LocksPage::ZmenitPIN2() const { return ui->ZmenitPIN2; }
QPushButton *LocksPage::ZmenitKOD() const { return ui->ZmenitKOD; }
QLineEdit *LocksPage::DTMF() const { return ui->DTMF; }
QPushButton *LocksPage::Poslat_DTMF() const { return ui->Poslat_DTMF; }
QSpinBox *LocksPage::DTMF_D() const { return ui->DTMF_D; }
QPushButton *LocksPage::ZmenitDTMF() const { return ui->ZmenitDTMF; }
QGroupBox *LocksPage::GpsMonitor() const { return ui->GpsMonitor; }
QVBoxLayout *LocksPage::GpsMonitorLayout() const { return ui->GpsMonitorLayout; }

QByteArray LocksPage::dtmfTones() const
{
    return Cp1250::fromUnicode(ui->DTMF->text());
}

int LocksPage::dtmfDuration() const
{
    return ui->DTMF_D->value();
}

void LocksPage::setLock(int item, bool checked)
{
    CheckList::setChecked(ui->Blokovani, item, checked);
}

bool LocksPage::lock(int item) const
{
    return CheckList::isChecked(ui->Blokovani, item);
}
