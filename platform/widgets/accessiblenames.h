#pragma once

class QWidget;

// A screen reader says what a list, table or edit is from its accessible
// name; such controls have no text of their own. This names each focusable
// one below root that has none from the text beside it: the label whose
// buddy it is, else the caption of the group box around it, else the tab
// that holds its page, else its window's title. Run after every language load: a name given here
// follows the new texts, one set elsewhere is kept.
void NameUnlabelledControls(QWidget *root);
