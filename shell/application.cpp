#include "application.h"

#include "comport.h"
#include "dialogs.h"
#include "hlavni.h"
#include "qttranslation.h"

#include <QFont>

TorvaneApplication::TorvaneApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("torvane"));
    // The windows are laid out for a small sans-serif face like the one of
    // their original platform; Liberation Sans has its metrics.
    QFont face(QStringLiteral("Liberation Sans"));
    face.setPointSize(9);
    setFont(face);
    // Until a language file is chosen, Qt speaks the system's language.
    UseQtTranslation(QString());
}

bool TorvaneApplication::notify(QObject *receiver, QEvent *event)
{
    QString text;
    try {
        return QApplication::notify(receiver, event);
    } catch (const EComPort &e) {
        text = e.text();
    } catch (const std::exception &e) {
        text = QString::fromLocal8Bit(e.what());
    }
    Dialogs::instance().message(activeWindow(), Dialogs::Icon::Error, TForm1::ApplicationTitle,
                                text, Dialogs::Buttons::Ok);
    return false;
}
