#include "smscompose.h"

#include "addressbookpage.h"
#include "cp1250.h"
#include "hlavni.h"
#include "infopage.h"
#include "novasms.h"
#include "smspage.h"

#include <QAction>
#include <QPushButton>
#include <QTreeWidget>

TNovaSMSDlg *AttachSmsCompose(TForm1 &form)
{
    NovaSmsLinks links;
    links.mainWindow = &form;
    links.port = form.ComPort1;
    links.Seznam = form.findChild<QTreeWidget *>(QStringLiteral("Seznam"));
    links.lvAdresar = form.addressBookPage()->lvAdresar();
    links.strediskoSMS = form.infoPage()->strediskoSMS();
    links.ProgresPanel = form.ProgresPanel();
    links.lbProgres = form.lbProgres();
    links.Progres = form.Progres();
    links.openModemPort = [&form] { return form.SetModemPortOpen(true); };
    links.installDefaultRxHandler = [&form] { form.installDefaultRxHandler(); };
    links.setStatusText = [&form](const QString &text) { form.setPanelText(0, text); };
    links.privateNumber = [&form](int record) -> std::optional<QString> {
        const AddressBookPage *book = form.addressBookPage();
        if (!book || record < 1 || record > book->AdresarCount() || record >= book->AdresarList().size())
            return std::nullopt;
        return book->AdresarList()[record].SoukTel;
    };
    links.programFolder = form.programFolder();
    links.texts = &form.messageTexts();
    auto *dialog = new TNovaSMSDlg(links, &form);

    SmsPage *page = form.smsPage();
    const auto newMessage = [&form, dialog] { form.runGuarded([dialog] { dialog->NewMessage(); }); };
    const auto reply = [&form, dialog, page] {
        form.runGuarded([dialog, page] { dialog->Reply(page->ListSMS(), page->SMSText()); });
    };
    QObject::connect(page->Nova_SMS(), &QPushButton::clicked, dialog, newMessage);
    QObject::connect(page->NovSMS1(), &QAction::triggered, dialog, newMessage);
    QObject::connect(page->Odpoved_SMS(), &QPushButton::clicked, dialog, reply);
    QObject::connect(page->UpravSMS1(), &QAction::triggered, dialog, reply);
    QObject::connect(page->ListSMS(), &QTreeWidget::itemDoubleClicked, dialog, reply);
    return dialog;
}
