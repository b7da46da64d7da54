#pragma once

#include "messagetexts.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class IniFile;

// The language files of the phone manager: "<language>.lng" in the program
// folder, an INI file in Windows-1250 whose sections hold the texts of the
// main window, the settings dialog and the message texts, keyed by number.
// A text the file does not supply takes its built-in Czech default, so the
// program works without any language file; "5=" is an empty text, not the
// default.
//
// This part knows the file and the table of texts; applying them to the
// windows is the loader's job (language.h).

// How the loader puts a text in place. Items of list-like controls are
// numbered from 0; a list is emptied just before its item 0 is read.
enum class Target {
    Message,    // a slot of MessageTexts (`message`)
    Menu,       // a QMenu's title or a QAction's text
    Title,      // title of a QGroupBox (radio groups included)
    Text,       // text of a QAbstractButton or QLabel
    Caption,    // caption of a LabelledEdit
    Tab,        // caption of page `index` of a QTabWidget
    Column,     // header of column `index` of a QTreeWidget
    RadioItem,  // item `index` of a RadioGroup
    OptionItem, // item `index` of the information page's check list
    ComboItem,  // item `index` of a QComboBox of the information page
    AccessibleName, // what a screen reader calls a control without text of its own
};

struct LanguageText
{
    const char *section;
    int key;
    const char *text; // the built-in default, UTF-8 here
    Target target;
    const char *control = nullptr; // object name, looked up in the section's part of the window
    int index = 0;
    QByteArray MessageTexts::*message = nullptr;
    // A combo box that receives a copy of this control's items once this
    // (its last) item is in place.
    const char *copyItemsTo = nullptr;
};

// The sections in the order the loader reads them, and where their controls
// live: the object name of the part of the main window that holds them (the
// page of HlavniPanel), empty for the main window as a whole, or "settings"
// for the settings dialog.
struct LanguageSection
{
    const char *name;
    const char *scope;
};

inline constexpr char SettingsScope[] = "settings";

inline constexpr LanguageSection LanguageSections[] = {
    {"menu", ""},
    {"nastaveni", SettingsScope},
    {"dialogy", ""},
    {"zalozky", ""},
    {"info", "Vyp_telefon"},
    {"seznam", "TabSheet2"},
    {"adresar", "TabAdresar"},
    {"sms", "TabSMS"},
};

// Every text the phone manager reads from a language file, section by
// section in the order above and within a section in the order read.
inline constexpr LanguageText LanguageTexts[] = {
    // [menu]
    {"menu", 0, "&Funkce", Target::Menu, "Funkce1"},
    {"menu", 1, "Aktualizuj info", Target::Menu, "Znovunatiinfo1"},
    {"menu", 2, "Restart telefonu", Target::Menu, "Vypnouttelefon1"},
    {"menu", 1700, "Zálohovat telefon…", Target::Menu, "ZalohovatTelefon"},
    {"menu", 1701, "Obnovit ze zálohy…", Target::Menu, "ObnovitZeZalohy"},
    {"menu", 10, "&Průzkumník Ctrl+F10", Target::Menu, "Pruzkumnik"},
    {"menu", 20, "U&volnit Port", Target::Menu, "UvolnitPort1"},
    {"menu", 30, "&Nastavení", Target::Menu, "Nastaven1"},
    {"menu", 31, "Porty a jazyk", Target::Menu, "Komunikanport1"},
    {"menu", 32, "Tiskárna", Target::Menu, "iskrna1"},
    {"menu", 33, "Po spuštění", Target::Menu, "Posputn1"},
    {"menu", 330, "Nenačítat Info o telefonu", Target::Menu, "InfoMenu"},
    {"menu", 331, "Aktivní panel SMS", Target::Menu, "AktivniSMS"},
    {"menu", 40, "&O programu", Target::Menu, "Oprogramu1"},
    {"menu", 50, "&Konec", Target::Menu, "Konec1"},
    // [nastaveni]
    {"nastaveni", 0, "Nastaveí portu", Target::Title, "GroupBox1"},
    {"nastaveni", 1, "Port modem  ( zobrazení SMS, informací atd. )", Target::Text, "Label1"},
    {"nastaveni", 2, "Diagnostický port  ( zobrazení adresáře )", Target::Text, "Label2"},
    // [dialogy]
    {"dialogy", 0, "Čekejte prosím načítám data ...", Target::Text, "lbProgres"},
    {"dialogy", 1, "Telefon neni připojen, nebo chybná konfigurace portu", Target::Message,
     nullptr, 0, &MessageTexts::noHandset},
    {"dialogy", 2, "Port je pravděpodobně používán jinou aplikací.", Target::Message, nullptr, 0,
     &MessageTexts::portBusy},
    {"dialogy", 21, "Ukončete aplikaci nebo restartujte počítač !", Target::Message, nullptr, 0,
     &MessageTexts::portBusyHint},
    {"dialogy", 4, "nelze otevřít", Target::Message, nullptr, 0, &MessageTexts::statusCannotOpen},
    {"dialogy", 5, "uvolněn", Target::Message, nullptr, 0, &MessageTexts::statusReleased},
    {"dialogy", 6, "Chyba při uzavírání portu.", Target::Message, nullptr, 0,
     &MessageTexts::closeError},
    {"dialogy", 7, "Byl zjištěn běžící Quallcomm Server", Target::Message, nullptr, 0,
     &MessageTexts::guardLine1},
    {"dialogy", 71, "Komunikátor nemusí pracovat korektně", Target::Message, nullptr, 0,
     &MessageTexts::guardLine2},
    {"dialogy", 72, "Chcete process ukončit", Target::Message, nullptr, 0,
     &MessageTexts::guardQuestion},
    {"dialogy", 73, "Upozornění", Target::Message, nullptr, 0, &MessageTexts::guardCaption},
    {"dialogy", 8, "Zrušit", Target::Text, "btnZrusit"},
    {"dialogy", 22, "Port %s neexistuje.", Target::Message, nullptr, 0, &MessageTexts::portMissing},
    {"dialogy", 23, "Připojte telefon nebo zvolte jiný port v Nastavení / Porty a jazyk.",
     Target::Message, nullptr, 0, &MessageTexts::portMissingHint},
    {"dialogy", 1702, "Složka pro zálohu telefonu (nová nebo prázdná)", Target::Message, nullptr, 0, &MessageTexts::backupFolderCaption},
    {"dialogy", 1703, "Složka se zálohou telefonu", Target::Message, nullptr, 0, &MessageTexts::restoreFolderCaption},
    {"dialogy", 1704, "Záloha telefonu", Target::Message, nullptr, 0, &MessageTexts::backupProgressCaption},
    {"dialogy", 1705, "Obnova ze zálohy", Target::Message, nullptr, 0, &MessageTexts::restoreProgressCaption},
    {"dialogy", 1706, "Telefonní seznam", Target::Message, nullptr, 0, &MessageTexts::backupPartPhonebook},
    {"dialogy", 1707, "SMS", Target::Message, nullptr, 0, &MessageTexts::backupPartSms},
    {"dialogy", 1708, "Soubory (OBEX)", Target::Message, nullptr, 0, &MessageTexts::backupPartObex},
    {"dialogy", 1709, "Soubory (diagnostický port)", Target::Message, nullptr, 0, &MessageTexts::backupPartDiag},
    {"dialogy", 1710, "Záloha je uložena ve složce %1.", Target::Message, nullptr, 0, &MessageTexts::backupDone},
    {"dialogy", 1711, "Záloha nebyla dokončena (%2). Složka %1 není úplnou zálohou.", Target::Message, nullptr, 0, &MessageTexts::backupStopped},
    {"dialogy", 1712, "Obnova ze zálohy skončila, vše je v telefonu.", Target::Message, nullptr, 0, &MessageTexts::restoreDone},
    {"dialogy", 1713, "Obnova ze zálohy skončila, ale ne vše bylo zapsáno. Neodpovídající položky zůstaly v telefonu beze změny.", Target::Message, nullptr, 0, &MessageTexts::restoreNotAll},
    {"dialogy", 1714, "Obnova ze zálohy nebyla dokončena (%1).", Target::Message, nullptr, 0, &MessageTexts::restoreStopped},
    {"dialogy", 1715, "%1: uloženo %2, odmítnuto %3", Target::Message, nullptr, 0, &MessageTexts::backupSummaryLine},
    {"dialogy", 1716, "%1: zapsáno %2, přeskočeno (už v telefonu) %3, odmítnuto %4", Target::Message, nullptr, 0, &MessageTexts::restoreSummaryLine},
    {"dialogy", 1717, "přerušeno uživatelem", Target::Message, nullptr, 0, &MessageTexts::backupCancelled},
    {"dialogy", 1718, "Zrušit", Target::Message, nullptr, 0, &MessageTexts::backupCancel},
    {"dialogy", 1719, "Zapsat zálohu ze složky %1 do telefonu? Nic v telefonu nebude smazáno a položky, které se liší, zůstanou beze změny.", Target::Message, nullptr, 0, &MessageTexts::restoreQuestion},
    {"dialogy", 1720, "Diagnostický port není nastaven nebo jej nelze otevřít: soubory diagnostického portu se přeskočí.", Target::Message, nullptr, 0, &MessageTexts::backupNoDiag},
    {"dialogy", 1721, "telefon na portu neodpovídá", Target::Message, nullptr, 0, &MessageTexts::backupNoHandset},
    {"dialogy", 1722, "telefon přestal odpovídat", Target::Message, nullptr, 0, &MessageTexts::backupSilent},
    {"dialogy", 1723, "chyba portu", Target::Message, nullptr, 0, &MessageTexts::backupPortError},
    {"dialogy", 1724, "soubor na počítači nelze zapsat ani přečíst", Target::Message, nullptr, 0, &MessageTexts::backupFileError},
    {"dialogy", 1725, "složka není nová ani prázdná", Target::Message, nullptr, 0, &MessageTexts::backupFolderUnusable},
    {"dialogy", 1726, "ve složce není záloha (chybí manifest.json)", Target::Message, nullptr, 0, &MessageTexts::backupNotABackup},
    {"dialogy", 1727, "záloha je poškozená, soubor %1 neodpovídá", Target::Message, nullptr, 0, &MessageTexts::backupDamaged},
    {"dialogy", 1728, "záloha je neúplná, její pořízení bylo přerušeno", Target::Message, nullptr, 0, &MessageTexts::backupIncomplete},
    {"dialogy", 1400, "Informace o telefonu nejsou úplné: telefon neodpověděl včas na všechny dotazy.",
     Target::Message, nullptr, 0, &MessageTexts::readoutIncomplete},
    {"dialogy", 1401, "neznámý (bez odpovědi)", Target::Message, nullptr, 0,
     &MessageTexts::operatorUnknown},
    {"dialogy", 1402, "Spojení s telefonem bylo přerušeno. Zkontrolujte kabel a zvolte Aktualizuj Info.",
     Target::Message, nullptr, 0, &MessageTexts::connectionLost},
    {"dialogy", 1403, "Kód musí mít 4 až 8 číslic.", Target::Message, nullptr, 0,
     &MessageTexts::badSecurityCode},
    {"dialogy", 1200, "Pokračovat", Target::Message, nullptr, 0, &MessageTexts::obexRsp10},
    {"dialogy", 1201, "Úspěch", Target::Message, nullptr, 0, &MessageTexts::obexRsp20},
    {"dialogy", 1202, "Chybný požadavek", Target::Message, nullptr, 0, &MessageTexts::obexRsp40},
    {"dialogy", 1203, "Neověřený přístup", Target::Message, nullptr, 0, &MessageTexts::obexRsp41},
    {"dialogy", 1204, "Zakázáno", Target::Message, nullptr, 0, &MessageTexts::obexRsp43},
    {"dialogy", 1205, "Nenalezeno", Target::Message, nullptr, 0, &MessageTexts::obexRsp44},
    {"dialogy", 1206, "Nepovolená operace", Target::Message, nullptr, 0, &MessageTexts::obexRsp45},
    {"dialogy", 1207, "Nepřijatelné", Target::Message, nullptr, 0, &MessageTexts::obexRsp46},
    {"dialogy", 1208, "Vypršel čas požadavku", Target::Message, nullptr, 0, &MessageTexts::obexRsp48},
    {"dialogy", 1209, "Konflikt", Target::Message, nullptr, 0, &MessageTexts::obexRsp49},
    {"dialogy", 1210, "Nesplněná podmínka", Target::Message, nullptr, 0, &MessageTexts::obexRsp4C},
    {"dialogy", 1211, "Příliš velký požadavek", Target::Message, nullptr, 0, &MessageTexts::obexRsp4D},
    {"dialogy", 1212, "Nepodporovaný typ dat", Target::Message, nullptr, 0, &MessageTexts::obexRsp4F},
    {"dialogy", 1213, "Vnitřní chyba telefonu", Target::Message, nullptr, 0, &MessageTexts::obexRsp50},
    {"dialogy", 1214, "Nepodporovaný požadavek", Target::Message, nullptr, 0, &MessageTexts::obexRsp51},
    {"dialogy", 1215, "Služba není dostupná", Target::Message, nullptr, 0, &MessageTexts::obexRsp53},
    {"dialogy", 1216, "Databáze je plná", Target::Message, nullptr, 0, &MessageTexts::obexRsp60},
    {"dialogy", 1217, "Databáze je zamčená", Target::Message, nullptr, 0, &MessageTexts::obexRsp61},
    // The OBEX explorer's folder box and panes, for screen readers.
    {"dialogy", 1500, "Složka v PC", Target::AccessibleName, "ShellComboBox1"},
    {"dialogy", 1501, "Soubory v PC", Target::AccessibleName, "PCList"},
    {"dialogy", 1502, "Soubory v telefonu", Target::AccessibleName, "ZenkList"},
    // [zalozky]
    {"zalozky", 1, "Inf&ormace o telefonu", Target::Tab, "HlavniPanel", 0},
    {"zalozky", 2, "&Telefonní seznam", Target::Tab, "HlavniPanel", 1},
    {"zalozky", 3, "A&dresář", Target::Tab, "HlavniPanel", 2},
    {"zalozky", 4, "Schůzky / úkoly", Target::Tab, "HlavniPanel", 3},
    {"zalozky", 5, "&SMS", Target::Tab, "HlavniPanel", 4},
    {"zalozky", 6, "Blokování / Ostatní", Target::Tab, "HlavniPanel", 5},
    // [info]
    {"info", 1, "Výrobce", Target::Text, "Panel2"},
    {"info", 2, "Model", Target::Text, "Panel3"},
    {"info", 3, "Verze sw. GSM", Target::Text, "Panel4"},
    {"info", 4, "Sériové číslo IMEI", Target::Text, "Panel5"},
    {"info", 5, "Kapacita baterie", Target::Text, "Panel6"},
    {"info", 6, "Intenzita signálu", Target::Text, "Panel7"},
    {"info", 7, "Operátor", Target::Text, "Panel9"},
    {"info", 8, "IMSI", Target::Text, "Panel10"},
    {"info", 9, "Číslo SIM karty", Target::Text, "Panel11"},
    {"info", 10, "Středisko SMS", Target::Text, "Panel12"},
    {"info", 11, "Intenzita signálu : -113 až -51 dBm", Target::Text, "Label1"},
    {"info", 20, "&Aktualizuj Info", Target::Text, "refresh"},
    {"info", 21, "Průzkumník (OBEX)", Target::Text, "btnExplorer"},
    {"info", 22, "Restart telefonu", Target::Text, "Vyp_tel"},
    {"info", 23, "Průzkumník (OSSIK)", Target::Text, "BitBtn1"},
    {"info", 24, "Osobní konto", Target::Title, "GroupBox12"},
    {"info", 30, "Datum a čas telefonu", Target::Title, "GroupBox6"},
    {"info", 32, "Nastavit", Target::Text, "SynchrCas"},
    {"info", 40, "Ostatní", Target::Title, "Ostatni"},
    {"info", 41, "zamknutí kláves", Target::OptionItem, "OstatniBox", 0},
    {"info", 42, "vibrace", Target::OptionItem, "OstatniBox", 1},
    {"info", 43, "umlčet mikrofon", Target::OptionItem, "OstatniBox", 2},
    {"info", 44, "handsfree", Target::OptionItem, "OstatniBox", 3},
    {"info", 45, "Vyzvánění", Target::Title, "GroupBox9"},
    {"info", 46, "Hlasitost, typ zvonění a reproduktor", Target::Title, "GroupBox5"},
    {"info", 50, "Vypnuto", Target::ComboItem, "Hlasitost_zvoneni", 0},
    {"info", 51, "Nízká", Target::ComboItem, "Hlasitost_zvoneni", 1},
    {"info", 52, "Střední", Target::ComboItem, "Hlasitost_zvoneni", 2},
    {"info", 53, "Vysoká", Target::ComboItem, "Hlasitost_zvoneni", 3},
    {"info", 54, "Maximum", Target::ComboItem, "Hlasitost_zvoneni", 4, nullptr,
     "Hlasitost_repro"},
    {"info", 60, "Zapnuto", Target::ComboItem, "Umlceni", 0},
    {"info", 61, "Vypnuto", Target::ComboItem, "Umlceni", 1},
    {"info", 62, "Pípnutí", Target::ComboItem, "Umlceni", 2},
    // The GPS group box: the position labels while the receiver has no fix.
    {"info", 1600, "poloha neurčena", Target::Message, nullptr, 0, &MessageTexts::gpsNoFix},
    // [seznam]
    {"seznam", 0, "#", Target::Column, "Seznam", 0},
    {"seznam", 1, "číslo", Target::Column, "Seznam", 1},
    {"seznam", 2, "jméno", Target::Column, "Seznam", 2},
    {"seznam", 3, "tel. číslo", Target::Column, "Seznam", 3},
    {"seznam", 4, "skupina", Target::Column, "Seznam", 4},
    {"seznam", 10, "Načti záznamy", Target::Title, "vybertypu"},
    {"seznam", 11, "&Jen ze SIM", Target::RadioItem, "vybertypu", 0},
    {"seznam", 12, "Uložena &v telefonu", Target::RadioItem, "vybertypu", 1},
    {"seznam", 13, "V&lastní císla", Target::RadioItem, "vybertypu", 2},
    {"seznam", 14, "&Ztracená volání", Target::RadioItem, "vybertypu", 3},
    {"seznam", 15, "&Prijaté hovory", Target::RadioItem, "vybertypu", 4},
    {"seznam", 16, "&Naposledy volaná", Target::RadioItem, "vybertypu", 5},
    {"seznam", 17, "&Chránená císla (PIN2)", Target::RadioItem, "vybertypu", 6},
    {"seznam", 18, "&Servisní císla", Target::RadioItem, "vybertypu", 7},
    {"seznam", 19, "&??? císla", Target::RadioItem, "vybertypu", 8},
    {"seznam", 20, "&Emergenci", Target::RadioItem, "vybertypu", 9},
    {"seznam", 21, "&MB", Target::RadioItem, "vybertypu", 10},
    {"seznam", 22, "&OW", Target::RadioItem, "vybertypu", 11},
    {"seznam", 50, "Načteno", Target::Title, "GroupBox1"},
    {"seznam", 51, "Obsazeno", Target::Title, "GroupBox2"},
    {"seznam", 60, "&Aktualizuj seznam", Target::Text, "RefresSeznam"},
    {"seznam", 61, "&Načti uložená data", Target::Text, "nacti"},
    {"seznam", 62, "&Uložit načtená data", Target::Text, "Ulozit"},
    {"seznam", 70, "Telefon odmítl paměť %1 (%2). Načítání skončilo.", Target::Message, nullptr, 0, &MessageTexts::pbMemoryRefused},
    {"seznam", 71, "Telefon neuvedl platný počet záznamů paměti %1. Načítání skončilo.", Target::Message, nullptr, 0, &MessageTexts::pbBadCount},
    {"seznam", 72, "Telefon nepřijal PIN2 (%2). Načítání paměti %1 skončilo.", Target::Message, nullptr, 0, &MessageTexts::pbPin2Refused},
    {"seznam", 73, "Telefon přestal odpovídat. Načítání paměti %1 skončilo, načtené záznamy zůstaly v seznamu.", Target::Message, nullptr, 0, &MessageTexts::pbNoAnswer},
    {"seznam", 74, "Chyba portu při načítání paměti %1: %2", Target::Message, nullptr, 0, &MessageTexts::pbPortError},
    {"seznam", 75, "Jméno ani číslo nesmí obsahovat uvozovky a pozice musí být číslo. Do telefonu nebylo nic odesláno.", Target::Message, nullptr, 0, &MessageTexts::pbBadEntry},
    {"seznam", 76, "Telefon záznam neuložil (%2). Řádek seznamu byl vrácen do původního stavu.", Target::Message, nullptr, 0, &MessageTexts::pbWriteRefused},
    {"seznam", 77, "Soubor %1 nelze načíst: %2. Seznam zůstal beze změny.", Target::Message, nullptr, 0, &MessageTexts::pbFileReadError},
    {"seznam", 78, "Soubor %1 nelze uložit: %2", Target::Message, nullptr, 0, &MessageTexts::pbFileWriteError},
    {"seznam", 1000, "Pozice %1 není místo paměti %2. Do telefonu nebylo nic odesláno.", Target::Message, nullptr, 0, &MessageTexts::pbBadLocation},
    {"seznam", 1001, "Tento řádek nebyl načten z paměti %1 telefonu, proto ho v ní nelze vymazat. Nejdřív načtěte paměť %1.", Target::Message, nullptr, 0, &MessageTexts::pbNotFromMemory},
    {"seznam", 1002, "Číslo \"%1\" nelze vytočit: smí obsahovat jen číslice a znaky * # + p w , (čárka). Nic nebylo odesláno.", Target::Message, nullptr, 0, &MessageTexts::pbBadDialString},
    {"seznam", 1003, "PIN2 musí mít 4 až 8 číslic. Do telefonu nebylo nic odesláno.", Target::Message, nullptr, 0, &MessageTexts::pbBadPin2},
    {"seznam", 1004, "Jméno obsahuje znaky, které telefon ve znakové sadě %1 neuloží: %2. Do telefonu nebylo nic zapsáno.", Target::Message, nullptr, 0, &MessageTexts::pbNameUnencodable},
    {"seznam", 1005, "Soubor %1 nebyl uložen: znaky %2 nelze zapsat v kódování Windows-1250.", Target::Message, nullptr, 0, &MessageTexts::pbFileUnencodable},
    {"seznam", 1006, "Načteno %1 obsazených míst, telefon jich uvedl %2. Některé záznamy mohou v seznamu chybět; načtěte paměť znovu.", Target::Message, nullptr, 0, &MessageTexts::pbShortfall},
    {"seznam", 1007, "Zbývající pokusy pro PIN2: %1.", Target::Message, nullptr, 0, &MessageTexts::pbPin2Attempts},
    {"seznam", 1008, "PIN2 je zablokován: telefon chce PUK2.", Target::Message, nullptr, 0, &MessageTexts::pbPuk2Needed},
    // [adresar]
    {"adresar", 0, "#", Target::Column, "lvAdresar", 0},
    {"adresar", 1, "zobrazované jméno", Target::Column, "lvAdresar", 1},
    {"adresar", 10, "Obecné", Target::Tab, "pgAdresar", 0},
    {"adresar", 11, "Soukromé", Target::Tab, "pgAdresar", 1},
    {"adresar", 12, "Obchodní", Target::Tab, "pgAdresar", 2},
    {"adresar", 13, "Osobní", Target::Tab, "pgAdresar", 3},
    {"adresar", 14, "Skupiny", Target::Tab, "pgAdresar", 4},
    {"adresar", 100, "Zobrazované jméno", Target::Caption, "adrZobrjmeno"},
    {"adresar", 101, "Jméno", Target::Caption, "adrjmeno"},
    {"adresar", 102, "Přijmení", Target::Caption, "adrPrijmeni"},
    {"adresar", 103, "Soukromý telefon", Target::Caption, "adrSouktel"},
    {"adresar", 104, "Obchodní telefon", Target::Caption, "adrObchTel"},
    {"adresar", 105, "Soukromý mobil", Target::Caption, "adrSoukMobil"},
    {"adresar", 106, "Obchodní mobil", Target::Caption, "adrObchMobil"},
    {"adresar", 200, "e-mail 1", Target::Caption, "adrSEmail1"},
    {"adresar", 201, "e-mail 2", Target::Caption, "adrSEmail2"},
    {"adresar", 202, "internetová adresa", Target::Caption, "adrSWWW"},
    {"adresar", 203, "fax", Target::Caption, "adrSfax"},
    {"adresar", 204, "ulice", Target::Caption, "adrSUlice"},
    {"adresar", 205, "město", Target::Caption, "adrSmesto"},
    {"adresar", 206, "PSČ", Target::Caption, "adrSPSC"},
    {"adresar", 207, "země 1", Target::Caption, "adrSZeme1"},
    {"adresar", 208, "země 2", Target::Caption, "adrSZeme2"},
    {"adresar", 209, "dodatečné info", Target::Caption, "adrSDodatek"},
    {"adresar", 210, "poznámky", Target::Caption, "adrSpoznamka"},
    {"adresar", 300, "e-mail 1", Target::Caption, "adrOEmail1"},
    {"adresar", 301, "e-mail 2", Target::Caption, "adrOEmail2"},
    {"adresar", 302, "internetová adresa", Target::Caption, "adrOWWW"},
    {"adresar", 303, "fax", Target::Caption, "adrOfax"},
    {"adresar", 304, "firma", Target::Caption, "adrOFirma"},
    {"adresar", 305, "pozice", Target::Caption, "adrOpozice"},
    {"adresar", 306, "ulice", Target::Caption, "adrOulice"},
    {"adresar", 307, "město", Target::Caption, "adrOmesto"},
    {"adresar", 308, "PSČ", Target::Caption, "adrOPSC"},
    {"adresar", 309, "země 1", Target::Caption, "adrOzeme1"},
    {"adresar", 310, "země 2", Target::Caption, "adrOzeme2"},
    {"adresar", 311, "dodatečné info", Target::Caption, "adrODodatek"},
    {"adresar", 312, "poznámky", Target::Caption, "adrOpoznamka"},
    {"adresar", 400, "zvuk vyzvánění", Target::Caption, "adrOZvuk"},
    {"adresar", 401, "obrázek", Target::Caption, "adrOobrazek"},
    {"adresar", 402, "skupina", Target::Text, "LadrOskupina"},
    {"adresar", 403, "narozeniny", Target::Caption, "adrOnarozky"},
    {"adresar", 500, "Jméno", Target::Column, "LVSkupiny", 0},
    {"adresar", 501, "Upravit", Target::Text, "btnUprav"},
    {"adresar", 502, "Přidat", Target::Text, "btnPridat"},
    {"adresar", 503, "Smazat", Target::Text, "BtnSmazat"},
    {"adresar", 50, "&Aktualizuj", Target::Text, "RefreshAdr"},
    {"adresar", 51, "Smazat", Target::Text, "SmazatAdr"},
    {"adresar", 52, "Zavolat", Target::Text, "ZavolatADR"},
    {"adresar", 53, "Zavěsit", Target::Text, "ZavesitADR"},
    {"adresar", 54, "Načti data", Target::Text, "NactiADR"},
    {"adresar", 55, "Ulož data", Target::Text, "UlozADR"},
    {"adresar", 600, "Skupiny nelze načíst ze souboru %1. Kontakty se načtou bez skupin.",
     Target::Message, nullptr, 0, &MessageTexts::adrGroupsUnreadable},
    {"adresar", 601, "Soubor %1 nelze načíst.", Target::Message, nullptr, 0,
     &MessageTexts::adrFileUnreadable},
    {"adresar", 602, "Zobrazeno prvních %1 z %2 kontaktů, %3 nezobrazeno", Target::Message, nullptr, 0,
     &MessageTexts::adrNotShown},
    {"adresar", 603, "Soubor %1 nelze uložit.", Target::Message, nullptr, 0,
     &MessageTexts::adrSaveFailed},
    {"adresar", 604, "Nejsou načteny žádné kontakty.", Target::Message, nullptr, 0,
     &MessageTexts::adrNothingToSave},
    {"adresar", 605, "Adresář uložen do souboru %1", Target::Message, nullptr, 0,
     &MessageTexts::adrSaved},
    {"adresar", 606, "Odstranit kontakt %1 ze seznamu? Soubory telefonu se nezmění.", Target::Message,
     nullptr, 0, &MessageTexts::adrDeleteQuestion},
    // [sms]
    {"sms", 0, "#", Target::Column, "ListSMS", 0},
    {"sms", 1, "číslo", Target::Column, "ListSMS", 1},
    {"sms", 2, "od koho", Target::Column, "ListSMS", 2},
    {"sms", 3, "daum a čas", Target::Column, "ListSMS", 3},
    {"sms", 4, "text", Target::Column, "ListSMS", 4},
    {"sms", 5, "Nemáte žádné SMS", Target::Message, nullptr, 0, &MessageTexts::noMessages},
    {"sms", 10, "&Nová", Target::Text, "Nova_SMS"},
    {"sms", 11, "&Odpovědět", Target::Text, "Odpoved_SMS"},
    {"sms", 12, "&Aktualizuj", Target::Text, "AktualizujSMS"},
    {"sms", 13, "&Tisk SMS", Target::Text, "Tisk_SMS"},
    {"sms", 14, "&Uložit", Target::Text, "UlozitSMS"},
    {"sms", 15, "&Smazat", Target::Text, "Smazat_SMS"},
    {"sms", 20, "Načíst SMS", Target::Title, "Nacist_SMS"},
    {"sms", 21, "SIM karta", Target::RadioItem, "Nacist_SMS", 0},
    {"sms", 22, "Telefon", Target::RadioItem, "Nacist_SMS", 1},
    {"sms", 23, "Vše", Target::RadioItem, "Nacist_SMS", 2},
    {"sms", 30, "Načti záznamy", Target::Title, "Typ_SMS"},
    {"sms", 31, "Přijaté nepřečtené", Target::RadioItem, "Typ_SMS", 0},
    {"sms", 32, "Přijaté přečtené", Target::RadioItem, "Typ_SMS", 1},
    {"sms", 33, "Uložené neodeslané", Target::RadioItem, "Typ_SMS", 2},
    {"sms", 34, "Uložené odeslané", Target::RadioItem, "Typ_SMS", 3},
    {"sms", 35, "Všechny", Target::RadioItem, "Typ_SMS", 4},
    {"sms", 60, "Telefon hlásí chybu:", Target::Message, nullptr, 0, &MessageTexts::smsHandsetError},
    {"sms", 61, "Telefon neodpovídá, výpis SMS byl přerušen.", Target::Message, nullptr, 0, &MessageTexts::smsNoAnswer},
    {"sms", 62, "Soubor se nepodařilo uložit:", Target::Message, nullptr, 0, &MessageTexts::smsSaveFailed},
    {"sms", 63, "Tisk se nepodařil.", Target::Message, nullptr, 0, &MessageTexts::smsPrintFailed},
    {"sms", 64, "Chybí části zprávy:", Target::Message, nullptr, 0, &MessageTexts::smsMissingParts},
    {"sms", 65, "%1 / %2 max (%3 SMS)", Target::Message, nullptr, 0, &MessageTexts::smsCounterParts},
    {"sms", 66, "Číslo příjemce „%1“ není platné: zadejte 1 až 20 číslic, případně se znakem + na začátku.", Target::Message, nullptr, 0, &MessageTexts::smsBadNumber},
    {"sms", 67, "Číslo SMS centra „%1“ není platné: zadejte 1 až 20 číslic, případně se znakem + na začátku.", Target::Message, nullptr, 0, &MessageTexts::smsBadCentre},
    {"sms", 68, "Text obsahuje znaky, které nelze v SMS odeslat: „%1“.", Target::Message, nullptr, 0, &MessageTexts::smsUnencodable},
    {"sms", 69, "Text je příliš dlouhý: %1 znaků, nejvýše %2 (%3 SMS).", Target::Message, nullptr, 0, &MessageTexts::smsTooLong},
    {"sms", 70, "SMS odeslána", Target::Message, nullptr, 0, &MessageTexts::smsSent},
    {"sms", 71, "SMS odeslána (%1 SMS)", Target::Message, nullptr, 0, &MessageTexts::smsSentParts},
    {"sms", 72, "SMS se nepodařilo odeslat.", Target::Message, nullptr, 0, &MessageTexts::smsSendFailed},
    {"sms", 73, "Telefon odpověděl: %1", Target::Message, nullptr, 0, &MessageTexts::smsSendRefused},
    {"sms", 74, "Telefon nevyzval k zadání zprávy (%1 s).", Target::Message, nullptr, 0, &MessageTexts::smsSendNoPrompt},
    {"sms", 75, "Telefon neodpověděl včas.", Target::Message, nullptr, 0, &MessageTexts::smsSendNoAnswer},
    {"sms", 76, "Chyba portu: %1", Target::Message, nullptr, 0, &MessageTexts::smsSendPortError},
    {"sms", 77, "Odesílání bylo přerušeno.", Target::Message, nullptr, 0, &MessageTexts::smsSendCancelled},
    {"sms", 78, "Odesláno %1 z %2 částí zprávy.", Target::Message, nullptr, 0, &MessageTexts::smsPartsSent},
    {"sms", 1100, "Soubor ve znakové sadě Windows-1250 nepojme znaky „%1“; zapíší se jako „?“. Uložit přesto?", Target::Message, nullptr, 0, &MessageTexts::smsUnencodableInFile},
    {"sms", 1101, "Smazat SMS č. %1 (%2) z telefonu?", Target::Message, nullptr, 0, &MessageTexts::smsDeleteQuestion},
    {"sms", 1102, "Telefon neodpověděl na smazání SMS: není jisté, zda byla smazána. Výpis zůstal beze změny.", Target::Message, nullptr, 0, &MessageTexts::smsDeleteUnconfirmed},
    {"sms", 1103, "SMS byla smazána, ale telefon pak přestal odpovídat a výpis SMS byl přerušen.", Target::Message, nullptr, 0, &MessageTexts::smsDeletedListingStopped},
    {"sms", 1104, "Posílám SMS ... (krok %1 z %2)", Target::Message, nullptr, 0, &MessageTexts::smsSendingStep},
    {"sms", 1105, "Telefon převzal části %1. Poslat znovu odešle jen zbývající části.", Target::Message, nullptr, 0, &MessageTexts::smsRetryRemaining},
    {"sms", 80, "Uložit jako", Target::Title, "RadioGroup1"},
    {"sms", 81, "Uložit akuelní SMS ( txt )", Target::RadioItem, "RadioGroup1", 0},
    {"sms", 82, "Uložit vše    ( excel csv )", Target::RadioItem, "RadioGroup1", 1},
    {"sms", 83, "&Ano", Target::Text, "BitBtn1"},
    {"sms", 84, "&Zrušit", Target::Text, "BitBtn2"},
};

// The entry's text from a language file (Windows-1250): the file's value
// (at most 2047 characters, trimmed; possibly empty), or the built-in
// default when the file, its section or the key is missing.
QByteArray ReadLanguageText(const IniFile &file, const LanguageText &entry);

// The built-in default of an entry, in Windows-1250.
QByteArray DefaultLanguageText(const LanguageText &entry);

// The languages offered in the settings dialog: one entry per file of the
// program folder whose name matches "*.lng" (letter case ignored, as the
// system this program came from does), the name up to its first ".". Sorted
// by file name, so that the stored index ("Info"/"Jazyk") keeps meaning the
// same file from one start to the next; hidden files (".lng" itself) and
// folders are not offered.
QStringList LanguageList(const QString &programFolder);

// The language file of a language name as offered by LanguageList: the
// program folder, the name and ".lng". An empty name (no language chosen)
// gives ".lng" in the program folder, which normally does not exist, so
// every default applies. Where only a file differing in letter case exists
// (a "CS.LNG" copied from elsewhere), that file is the one meant.
QString LanguageFileName(const QString &programFolder, const QString &languageName);
