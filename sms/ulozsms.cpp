#include "ulozsms.h"

#include "radiogroup.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TUlozSMS::TUlozSMS(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TUlozSMS"));
    setWindowTitle(QStringLiteral("Uložit"));
    setModal(true);

    m_choice = new RadioGroup(this);
    m_choice->setObjectName(QStringLiteral("RadioGroup1"));
    m_choice->setCaption(QStringLiteral("Uložit jako"));
    m_choice->setItems({QStringLiteral("Uložit akuelní SMS ( txt )"), QStringLiteral("Uložit vše    ( excel csv )")});
    // The list is chosen when the dialog opens (see prepareChoice): loading
    // a language refills the items and drops any choice made here.

    m_yes = new QPushButton(QStringLiteral("&Ano"), this);
    m_yes->setObjectName(QStringLiteral("BitBtn1"));
    m_yes->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("&Zrušit"), this);
    m_cancel->setObjectName(QStringLiteral("BitBtn2"));
    connect(m_yes, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_yes);
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_choice);
    layout->addLayout(buttons);
}

int TUlozSMS::choice() const
{
    return m_choice->itemIndex();
}

void TUlozSMS::prepareChoice()
{
    if (m_choice->itemIndex() < 0 || m_choice->itemIndex() >= m_choice->itemCount())
        m_choice->setItemIndex(WholeList);
}

void TUlozSMS::centreOver(QWidget *window)
{
    if (!window)
        return;
    adjustSize();
    const QRect frame = window->frameGeometry();
    move(frame.center() - QPoint(width() / 2, height() / 2));
}
