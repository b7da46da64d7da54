#include "addressbookpage.h"
#include "ui_addressbookpage.h"

#include <QHeaderView>
#include <QMenu>

AddressBookPage::AddressBookPage(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::AddressBookPage)
{
    m_ui->setupUi(this);
    m_ui->lvAdresar->header()->resizeSection(0, 36);
    buildPopupMenu();
}

AddressBookPage::~AddressBookPage()
{
    delete m_ui;
}

void AddressBookPage::buildPopupMenu()
{
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenuAdresar"));
    const auto addItem = [this](const char *name, const QString &caption) {
        QAction *action = m_popup->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setEnabled(false);
    };
    addItem("PAdrAktualizuj", QStringLiteral("Aktualizuj"));
    m_popup->addSeparator();
    addItem("PAdrSmazat", QStringLiteral("Smazat"));
    m_popup->addSeparator();
    addItem("PAdrZavolat", QStringLiteral("Zavolat"));
    addItem("PAdrZavesit", QStringLiteral("Zavěsit"));

    connect(m_ui->lvAdresar, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        m_popup->popup(m_ui->lvAdresar->viewport()->mapToGlobal(pos));
    });
}
