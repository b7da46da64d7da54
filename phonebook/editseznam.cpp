#include "editseznam.h"

#include "labellededit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

TEditSeznamForm::TEditSeznamForm(QWidget *mainWindow)
    : QDialog(mainWindow)
    , m_mainWindow(mainWindow)
    , m_cislo(new LabelledEdit(this))
    , m_jmeno(new LabelledEdit(this))
    , m_telefon(new LabelledEdit(this))
    , m_skupina(new QComboBox(this))
    , m_ulozit(new QCheckBox(QStringLiteral("Uložit do telefonu"), this))
    , m_ok(new QPushButton(QStringLiteral("OK"), this))
    , m_zrusit(new QPushButton(QStringLiteral("Zrušit"), this))
{
    setObjectName(QStringLiteral("TEditSeznamForm"));
    setWindowTitle(QStringLiteral("Seznam"));
    // A fixed dialog frame without border icons.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                   | Qt::WindowTitleHint);
    m_cislo->setObjectName(QStringLiteral("Cislo"));
    m_cislo->setCaption(QStringLiteral("Cislo"));
    m_jmeno->setObjectName(QStringLiteral("Jmeno"));
    m_jmeno->setCaption(QStringLiteral("Jmeno"));
    m_telefon->setObjectName(QStringLiteral("Telefon"));
    m_telefon->setCaption(QStringLiteral("Telefon"));
    m_skupina->setObjectName(QStringLiteral("Skupina"));
    m_skupina->addItems({QStringLiteral("VIP"), QStringLiteral(" ")});
    m_ulozit->setObjectName(QStringLiteral("Ulozit"));
    m_ulozit->setChecked(true);
    m_ok->setObjectName(QStringLiteral("OK"));
    m_ok->setDefault(true);
    m_zrusit->setObjectName(QStringLiteral("Zrusit"));

    auto *layout = new QGridLayout(this);
    layout->addWidget(m_cislo, 0, 0);
    layout->addWidget(m_jmeno, 0, 1);
    layout->addWidget(m_telefon, 1, 0);
    layout->addWidget(m_skupina, 1, 1, Qt::AlignBottom);
    layout->addWidget(m_ulozit, 2, 0, 1, 2);
    layout->addWidget(m_ok, 3, 0);
    layout->addWidget(m_zrusit, 3, 1);
    setTabOrder(m_jmeno->lineEdit(), m_telefon->lineEdit());
    setFixedSize(sizeHint());

    connect(m_ok, &QPushButton::clicked, this, &TEditSeznamForm::OKClick);
    connect(m_zrusit, &QPushButton::clicked, this, &QDialog::reject);
}

void TEditSeznamForm::OKClick()
{
    if (onOK)
        onOK();
    accept();
}

void TEditSeznamForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_jmeno->lineEdit()->setFocus();
    if (event->spontaneous() || !m_mainWindow)
        return;
    const QRect main = m_mainWindow->window()->frameGeometry();
    const QRect own = frameGeometry();
    move(main.left() + main.width() / 2 - own.width() / 2,
         main.top() + main.height() / 2 - own.height() / 2);
}
