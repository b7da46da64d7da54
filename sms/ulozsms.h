#pragma once

#include <QDialog>

class QPushButton;
class RadioGroup;

// The small "Uložit" dialog of the SMS page: save the current message as
// text or the whole list as CSV. It keeps its choice between uses; item 1
// (the list) is chosen at first.
//   RadioGroup1  "Uložit jako": 0 "Uložit akuelní SMS ( txt )",
//                1 "Uložit vše    ( excel csv )"
//   BitBtn1      "&Ano" (accepts), BitBtn2 "&Zrušit" (rejects)
class TUlozSMS : public QDialog
{
    Q_OBJECT

public:
    enum Choice { CurrentText = 0, WholeList = 1 };

    explicit TUlozSMS(QWidget *parent = nullptr);

    RadioGroup *RadioGroup1() const { return m_choice; }
    QPushButton *BitBtn1() const { return m_yes; }
    QPushButton *BitBtn2() const { return m_cancel; }
    int choice() const;

    // Chooses the list when nothing is chosen (at the first opening, and after
    // a language load emptied the items); a choice the user made is kept.
    void prepareChoice();
    // Centres the dialog over the given window (each time before it is shown).
    void centreOver(QWidget *window);

private:
    RadioGroup *m_choice;
    QPushButton *m_yes;
    QPushButton *m_cancel;
};
