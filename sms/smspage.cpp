#include "smspage.h"
#include "ui_smspage.h"

#include <QHeaderView>
#include <QMenu>

SmsPage::SmsPage(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::SmsPage)
{
    m_ui->setupUi(this);

    // The text column is wide so that a whole message reads on one line.
    const int widths[] = {27, 87, 100, 125, 1000};
    for (int column = 0; column < 5; ++column)
        m_ui->ListSMS->header()->resizeSection(column, widths[column]);
    m_ui->ListSMS->header()->setStretchLastSection(false);

    buildPopupMenu();
}

SmsPage::~SmsPage()
{
    delete m_ui;
}

void SmsPage::buildPopupMenu()
{
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenuSMS"));
    const auto addItem = [this](const char *name, const QString &caption) {
        QAction *action = m_popup->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setEnabled(false); // enabled once a row is selected
    };
    addItem("NovSMS1", QStringLiteral("Nová SMS"));
    addItem("UpravSMS1", QStringLiteral("Odpovědět"));
    m_popup->addSeparator();
    addItem("SmazatSMS1", QStringLiteral("Smazat SMS"));

    connect(m_ui->ListSMS, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        m_popup->popup(m_ui->ListSMS->viewport()->mapToGlobal(pos));
    });
}
