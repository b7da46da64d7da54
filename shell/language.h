#pragma once

#include "languagefile.h"
#include "messagetexts.h"

#include <QString>

class QWidget;
class TFrmNastaveni;

// Puts the texts of a language file in place: the menus, page tabs, labels,
// group captions, buttons, list-column titles and list items of the main
// window, three captions of the settings dialog, the progress label, and
// the message texts. The file is usually LanguageFileName(program folder,
// the current text of cbJazyk); a missing or unreadable file (".lng" when no
// language is chosen) gives every built-in default and reports nothing.
//
// Every key of LanguageTexts is read in its order and applied at once. The
// list-like controls are emptied just before their first item is read and
// refilled item by item, so afterwards the option check marks are cleared,
// the three combo boxes of the information page, both radio groups of the
// SMS page and the phonebook's memory choice have nothing selected; rows of
// the list views stay. Nothing else is reset. The function ends by letting
// the window process its pending events, so the new texts are painted.
//
// Controls are found by object name: those of a page inside that page of
// HlavniPanel, menus, tabs and the progress label in mainWindow, and the
// settings dialog's captions through its accessors. A control that is
// missing (a page not built) is skipped.
void LoadLanguage(const QString &fileName, QWidget *mainWindow, TFrmNastaveni *settings,
                  MessageTexts &texts);
