#pragma once

#include "adresar.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <functional>

namespace Ui {
class AddressBookPage;
}
class QMenu;
class QTreeWidget;
class TComPort;
class TZavolatSeznam;
struct MessageTexts;

// X(edit, field): the 34 labelled edits and the fields of TAdresar they are
// bound to. Each has its change handler <edit>Change.
#define ADRESAR_EDITS(X)                                                                  \
    X(adrZobrjmeno, ZobrJmeno) X(adrjmeno, Krestni) X(adrPrijmeni, Prijmeni)              \
    X(adrSouktel, SoukTel) X(adrObchTel, ObchTel) X(adrSoukMobil, SoukMobil)              \
    X(adrObchMobil, ObchMobil) X(adrSEmail1, SEmail1) X(adrSEmail2, SEmail2)              \
    X(adrSWWW, SWWW) X(adrSfax, SFax) X(adrSUlice, SUlice) X(adrSmesto, SMesto)            \
    X(adrSPSC, SPSC) X(adrSZeme1, SZeme1) X(adrSZeme2, SZeme2) X(adrSDodatek, SDodatek)   \
    X(adrSpoznamka, SPoznamka) X(adrOEmail1, OEmail1) X(adrOEmail2, OEmail2)              \
    X(adrOWWW, OWWW) X(adrOfax, OFax) X(adrOFirma, OFirma) X(adrOpozice, OPozice)         \
    X(adrOulice, OUlice) X(adrOmesto, OMesto) X(adrOPSC, OPSC) X(adrOzeme1, OZeme1)        \
    X(adrOzeme2, OZeme2) X(adrODodatek, ODodatek) X(adrOpoznamka, OPoznamka)              \
    X(adrOZvuk, OZvuk) X(adrOobrazek, OObrazek) X(adrOnarozky, ONarozky)

// The address book page (tab "TabAdresar" of the main window).
//
// Controls, by object name:
//   lvAdresar     QTreeWidget, columns # / zobrazované jméno: one row per
//                 loaded contact ("%0.3d" and ZobrJmeno); context menu
//                 PopupMenuAdresar
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
//
// "Načti data" reads the group file "GrpDList ver 01.db" of the DATA folder
// and the contact database the user picks. Choosing a contact fills the
// edits; typing stores into the contact at once (the list follows the
// display name); the edits stay in memory and are never written to the
// handset's files. "Smazat" takes a contact out of the loaded list, and
// "Ulož data" saves the contacts as a vCard file. The
// context menu dials one of the contact's numbers through the number-choice
// dialog, or hangs up.
class AddressBookPage : public QWidget
{
    Q_OBJECT

public:
    explicit AddressBookPage(QWidget *parent = nullptr);
    ~AddressBookPage() override;

    // What the page needs of the main window. Without it (a page on its own)
    // loading and saving use the current folder and dialling does nothing.
    struct Link
    {
        QString programFolder;
        TComPort *comPort1 = nullptr;
        std::function<bool(bool)> setModemPortOpen;
        TZavolatSeznam *zavolatSeznam = nullptr;
        const MessageTexts *texts = nullptr;
        std::function<QString()> statusText;              // status bar panel 0
        std::function<void(const QString &)> setStatusText;
        // Runs a user action; the main window shows a port error in a box.
        std::function<void(const std::function<void()> &)> guard;
    };
    void setLink(Link link);

    // The loaded contacts. AdresarList()[k] is record k, 1 to
    // AdresarCapacity (entry 0 is unused); the first AdresarCount() are
    // loaded, one per row of lvAdresar. The user's edits are in them.
    const QList<TAdresar> &AdresarList() const { return m_adresarList; }
    int AdresarCount() const;
    QList<TAdresar> loadedContacts() const;
    // Entries 0 to 998; entry 0 is " ".
    const QList<TSkupiny> &SkupinyList() const { return m_skupinyList; }
    // The record shown in the edits (from 1), 0 while none has been chosen.
    int AdresarIndex() const { return m_adresarIndex; }
    QTreeWidget *lvAdresar() const;

    // The group file below the program folder.
    QString groupFilePath() const;

    // --- Handlers ---------------------------------------------------------
    void NactiADRClick();
    void UlozADRClick();
    // Removes the chosen contact from the loaded list (after a question);
    // the handset's files stay as they are.
    void SmazatAdrClick();
    void lvAdresarClick();
    void LVSkupinyClick();
    void PAdrZavolatClick();
    void PAdrZavesitClick();

#define ADRESAR_DECLARE_CHANGE(edit, field) void edit##Change(const QString &text);
    ADRESAR_EDITS(ADRESAR_DECLARE_CHANGE)
#undef ADRESAR_DECLARE_CHANGE

    // Loads the contacts of a database file's bytes into the list (as step
    // 7 to 10 of loading), and the groups of a group file's bytes into the
    // group table, the combo box and the group list.
    void showContacts(const QByteArray &file);
    void showGroups(const QByteArray &file);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildPopupMenu();
    void connectHandlers();
    void run(const std::function<void()> &handler);
    void store(QString TAdresar::*field, const QString &text);
    void displayNameTyped(const QString &text);
    void setContactControlsEnabled(bool enabled);
    void clearEdits();
    QString dataFolder() const;
    QString message(QByteArray MessageTexts::*text) const;
    void showMessageBox(bool error, const QString &text);

    Ui::AddressBookPage *m_ui;
    QMenu *m_popup = nullptr;
    Link m_link;
    QList<TAdresar> m_adresarList;
    QList<TSkupiny> m_skupinyList;
    int m_adresarIndex = 0;
    bool m_filling = false;
    QString m_ownStatus; // the status text this page put there, if any
    QString m_statusBefore;
};
