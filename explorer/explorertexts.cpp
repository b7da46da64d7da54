#include "explorertexts.h"

#include "cp1250.h"
#include "inifile.h"

#include <QDir>

const QList<ExplorerText> &ExplorerTextTable()
{
    static const QList<ExplorerText> table = {
        {"1", "Nastavení", "settings button"},
        {"2", "MMC", "shortcut to mmc1"},
        {"3", "Obrázky", "shortcut to mmc1/pictures"},
        {"4", "Hudba", "shortcut to mmc1/sounds"},
        {"5", "User", "shortcut to ossik/user"},
        {"6", "Volno:", "free-space label before the first answer"},
        {"10", "Přijato:", "label before the received count"},
        {"11", "Velikost:", "label before the size"},
        {"12", "Kopíruji soubor:", "label before the source file"},
        {"13", "Do složky:", "label before the target folder"},
        {"14", "&Zrušit", "cancel button of the progress panel"},
        {"20", "F3   Zobrazit", "F3 button"},
        {"21", "F4   Editovat", "F4 button"},
        {"22", "F5   Kopírovat", "F5 button"},
        {"23", "F6   Přejmenovat", "F6 button"},
        {"24", "F7   Vytvořit Adr.", "F7 button"},
        {"25", "F8   Smazat", "F8 button"},
        {"26", "Alt+F4 Konec", "quit button"},
        {"30", "Název", "first column of the handset pane"},
        {"31", "Velikost", "second column"},
        {"32", "Datum", "third column"},
        {"50", "Smazat", "caption of the delete question"},
        {"51", "Opravdu smazat", "text of the delete question, before the item"},
        {"52", "Chyba", "caption of the error box"},
        {"53", "Adresář nelze smazat !", "folder cannot be removed"},
        {"54", "Byl zjištěn běžící Quallcomm Server", "first line of the guard question"},
        {"55", "Komunikátor nemusí pracovat korektně", "second line of the guard question"},
        {"56", "Chcete process ukončit", "third line of the guard question"},
        {"57", "Upozornění", "caption of the guard question"},
        {"58", "Chyba při kopírování dat do telefonu", "an upload failed"},
        {"60", "Telefon neodpověděl", "no reply in time"},
        {"61", "Telefon ohlásil chybu", "an error frame"},
        {"62", "Neznámá odpověď telefonu", "a reply the program does not know"},
        {"63", "Poškozený rámec od telefonu byl zahozen", "a frame with a wrong check value"},
        {"64", "Složku nelze vypsat", "folders not listed"},
        {"65", "Složku nelze vytvořit", "the handset did not make the folder"},
        {"66", "Složka obsahuje další položky, které nelze zobrazit", "more than 256 entries of a kind"},
        {"67", "Port telefonu nelze použít", "writing to the port failed"},
        {"68", "Soubor nelze uložit", "the downloaded file could not be written"},
        {"69", "Telefon poslal více dat, než ohlásil", "more data than announced"},
        {"70", "Soubor nelze přečíst", "the PC file of an upload cannot be read"},
        {"71", "Cesta je příliš dlouhá", "a handset path over 254 bytes"},
        {"72", "Soubor je příliš velký", "an upload over 4 GB (the size field holds 32 bits)"},
        {"73", "Spojení s telefonem bylo přerušeno", "the port closed during a request"},
        {"74", "Položku nelze smazat", "the handset did not remove the entry"},
        {"1300", "Název %1 nemůže být názvem souboru v tomto počítači", "a handset name that cannot name a PC file (%1: the name)"},
        {"1301", "Soubor %1 už v PC existuje. Přepsat ?", "question before a download replaces a PC file"},
        {"1302", "Kopírovat", "caption of the replace question"},
        {"1303", "Název %1 obsahuje znak, který telefon neumí uložit", "a PC name Windows-1250 cannot hold"},
        {"1304", "Název %1 nelze v telefonu použít (\"/\", řídicí znaky, \".\" a \"..\" nejsou dovoleny)", "a name that cannot be one handset entry"},
        {"1500", "Soubory v PC", "name of the PC pane's list for screen readers"},
        {"1501", "Soubory v telefonu", "name of the handset pane's list for screen readers"},
    };
    return table;
}

ExplorerTexts::ExplorerTexts()
{
    load(QString());
}

void ExplorerTexts::load(const QString &languageFile)
{
    m_texts.clear();
    const IniFile file(languageFile);
    const bool exists = !languageFile.isEmpty() && QFile::exists(languageFile);
    for (const ExplorerText &t : ExplorerTextTable()) {
        const QString fallback = QString::fromUtf8(t.defaultText);
        m_texts.insert(t.key, exists && file.hasKey("rec", t.key)
                                  ? Cp1250::toUnicode(file.readString("rec", t.key))
                                  : fallback);
    }
}

QString ExplorerTexts::text(const char *key) const
{
    return m_texts.value(key);
}

QStringList ExplorerLanguages(const QString &programFolder)
{
    QStringList out;
    const QStringList files = QDir(programFolder).entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Name);
    for (const QString &f : files)
        out << f.section(QLatin1Char('.'), 0, 0);
    return out;
}
