#pragma once

#include <QWidget>

namespace Ui {
class AddressBookPage;
}
class QMenu;

// The address book page (tab "TabAdresar" of the main window): the controls
// only. Behaviour is wired by the address book feature code through the
// controls' object names:
//   lvAdresar     QTreeWidget, columns # / zobrazované jméno,
//                 context menu PopupMenuAdresar
//   RefreshAdr, SmazatAdr, ZavolatADR, ZavesitADR, NactiADR, UlozADR
//                 QPushButton below the list (the first four start disabled)
//   pgAdresar     QTabWidget with the pages TabSheet1 (general), TabSheet3
//                 (private), TabSheet5 (business), TabSheet8 (personal) and
//                 TabSheet4 (groups)
//   adrZobrjmeno ... adrOnarozky
//                 LabelledEdit, one per contact field (adrOZvuk and
//                 adrOobrazek read-only)
//   LadrOskupina  QLabel of the group combo box adrOskupina (QComboBox)
//   LVSkupiny     QTreeWidget, one column "Jméno"
//   edSkupiny     QLineEdit (at most 25 characters)
//   btnUprav, btnPridat, BtnSmazat  QPushButton (btnUprav and BtnSmazat
//                 start disabled)
//   PopupMenuAdresar  QMenu with the QActions PAdrAktualizuj, PAdrSmazat,
//                 PAdrZavolat, PAdrZavesit, all starting disabled
class AddressBookPage : public QWidget
{
    Q_OBJECT

public:
    explicit AddressBookPage(QWidget *parent = nullptr);
    ~AddressBookPage() override;

private:
    void buildPopupMenu();

    Ui::AddressBookPage *m_ui;
    QMenu *m_popup = nullptr;
};
