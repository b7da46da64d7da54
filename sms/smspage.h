#pragma once

#include <QWidget>

namespace Ui {
class SmsPage;
}
class QMenu;

// The message store page (tab "TabSMS" of the main window): the controls
// only. Behaviour is wired by the SMS feature code through the controls'
// object names:
//   ListSMS       QTreeWidget, columns # / číslo / od koho / daum a čas / text,
//                 context menu PopupMenuSMS
//   Nacist_SMS    RadioGroup, 3 memories; Typ_SMS  RadioGroup, 5 statuses
//   NahledSMS     QGroupBox "Náhled SMS" holding SMSText (QPlainTextEdit)
//   Nova_SMS, Odpoved_SMS, AktualizujSMS, Tisk_SMS, UlozitSMS, Smazat_SMS
//                 QPushButton
//   PopupMenuSMS  QMenu with the QActions NovSMS1, UpravSMS1, SmazatSMS1
// Every button, both radio groups and the three menu items start disabled.
class SmsPage : public QWidget
{
    Q_OBJECT

public:
    explicit SmsPage(QWidget *parent = nullptr);
    ~SmsPage() override;

private:
    void buildPopupMenu();

    Ui::SmsPage *m_ui;
    QMenu *m_popup = nullptr;
};
