#pragma once

class QString;

// The buttons, headers and texts that Qt draws itself (Yes/No of a message
// box, the columns of a file list) in the program's language: Qt's own
// translation for `language` (a language file's name such as "cs" or "en")
// from Qt's translations folder replaces the one in use. A name that is no
// language takes the system's; a language Qt has no translation for (English
// among them) shows Qt's own English texts.
void UseQtTranslation(const QString &language);
