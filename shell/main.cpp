#include "about.h"
#include "application.h"
#include "clock.h"
#include "hlavni.h"
#include "processlist.h"
#include "programfolder.h"
#include "startup.h"

#include <QCommandLineParser>
#include <QTabWidget>
#include <QTimer>

int main(int argc, char *argv[])
{
    TorvaneApplication app(argc, argv);

    QCommandLineParser options;
    options.setApplicationDescription(TForm1::ApplicationTitle);
    options.addHelpOption();
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Save a picture of the main window after start-up to <file> and exit."),
        QStringLiteral("file"));
    const QCommandLineOption page(QStringLiteral("page"),
                                  QStringLiteral("With --screenshot: the page (0-5) to show, or \"about\" for the about box."),
                                  QStringLiteral("index"));
    options.addOption(screenshot);
    options.addOption(page);
    options.process(app);

    SystemClock clock;
    SystemProcessList processes;
    TForm1 form(programFolder(), clock);
    QObject::connect(&form, &TForm1::closed, &app, &QCoreApplication::quit);
    app.setQuitOnLastWindowClosed(false);
    form.show();
    StartUp(form, processes, QCoreApplication::applicationFilePath());

    if (options.isSet(screenshot)) {
        const bool about = options.value(page) == QLatin1String("about");
        if (about)
            form.about()->show();
        else if (options.isSet(page))
            form.selectPage(options.value(page).toInt());
        QTimer::singleShot(300, &form, [&] {
            QWidget *shown = about ? static_cast<QWidget *>(form.about()) : &form;
            const bool saved = shown->grab().save(options.value(screenshot));
            form.close();
            app.exit(saved ? 0 : 1);
        });
    }
    return app.exec();
}
