#pragma once

#include <QWidget>

namespace Ui {
class PhonebookPage;
}
class QMenu;

// The phonebook page (tab "TabSheet2" of the main window): the controls only.
// Behaviour is wired by the phonebook feature code through the controls'
// object names:
//   Seznam        QTreeWidget, columns # / číslo / jméno / tel. číslo / skupina,
//                 context menu PopupMenuSeznam
//   vybertypu     RadioGroup, the twelve memories (starts disabled)
//   GroupBox1     QGroupBox "Načteno" holding the QLabel Panelinfo (" 0 z 0")
//   GroupBox2     QGroupBox "Obsazeno" holding the QLabel Obsazeno (" 0 ")
//   RefresSeznam  QPushButton (starts disabled); nacti, Ulozit  QPushButton
//   PopupMenuSeznam  QMenu: submenu Aktualizuj1 (NatiSIM1 ... OV1), Zavolat1,
//                 Zavsit1, Editace1, Vymazat1, Nast1, Uloit1 (QActions)
class PhonebookPage : public QWidget
{
    Q_OBJECT

public:
    explicit PhonebookPage(QWidget *parent = nullptr);
    ~PhonebookPage() override;

private:
    void buildPopupMenu();

    Ui::PhonebookPage *m_ui;
    QMenu *m_popup = nullptr;
};
