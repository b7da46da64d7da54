#include "qttranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void UseQtTranslation(const QString &language)
{
    static QTranslator *translator = nullptr;
    QLocale locale(language);
    if (language.isEmpty() || locale.language() == QLocale::C)
        locale = QLocale::system();
    if (translator) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
        translator = nullptr;
    }
    auto *loaded = new QTranslator(QCoreApplication::instance());
    if (!loaded->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete loaded;
        return;
    }
    QCoreApplication::installTranslator(loaded);
    translator = loaded;
}
