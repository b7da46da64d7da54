#include "phonebookpage.h"
#include "ui_phonebookpage.h"

#include <QHeaderView>
#include <QMenu>

namespace {

QAction *addItem(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

} // namespace

PhonebookPage::PhonebookPage(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::PhonebookPage)
{
    m_ui->setupUi(this);

    const int widths[] = {28, 40, 90, 80, 50};
    for (int column = 0; column < 5; ++column)
        m_ui->Seznam->header()->resizeSection(column, widths[column]);

    buildPopupMenu();
}

PhonebookPage::~PhonebookPage()
{
    delete m_ui;
}

void PhonebookPage::buildPopupMenu()
{
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenuSeznam"));

    // The memory submenu; its items choose a memory of the radio group.
    QMenu *memories = m_popup->addMenu(QStringLiteral("Aktualizuj"));
    memories->setObjectName(QStringLiteral("Aktualizuj1"));
    addItem(memories, "NatiSIM1", QStringLiteral("Čísla SIM"));
    addItem(memories, "Vtelefonu1", QStringLiteral("V telefonu"));
    addItem(memories, "Vlastnsla1", QStringLiteral("Vlastní čísla"));
    addItem(memories, "Ztracenvolni1", QStringLiteral("Ztracená volání"));
    addItem(memories, "Pijathovory1", QStringLiteral("Přijaté hovory"));
    addItem(memories, "Naposledyvolan81", QStringLiteral("Naposledy volaná"));
    addItem(memories, "ChrnnPIN21", QStringLiteral("Chráněná PIN2"));
    addItem(memories, "Servisnsla1", QStringLiteral("Servisní čísla"));
    addItem(memories, "Blokovansla1", QStringLiteral("??? čísla"));
    addItem(memories, "Emergenci1", QStringLiteral("Emergenci"));
    addItem(memories, "MB1", QStringLiteral("MB"));
    addItem(memories, "OV1", QStringLiteral("OV"));

    m_popup->addSeparator();
    addItem(m_popup, "Zavolat1", QStringLiteral("Zavolat"));
    addItem(m_popup, "Zavsit1", QStringLiteral("Zavěsit"));
    addItem(m_popup, "Editace1", QStringLiteral("Editace/Nový"));
    addItem(m_popup, "Vymazat1", QStringLiteral("Vymazat"));
    m_popup->addSeparator();
    addItem(m_popup, "Nast1", QStringLiteral("Načíst seznam"));
    addItem(m_popup, "Uloit1", QStringLiteral("Uložit seznam"));

    connect(m_ui->Seznam, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        m_popup->popup(m_ui->Seznam->viewport()->mapToGlobal(pos));
    });
}
