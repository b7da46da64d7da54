// ossik: the two-pane file explorer over the handset's diagnostic port.

#include "ossikform.h"
#include "processlist.h"
#include "programfolder.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TForm1 form(programFolder());
    SystemProcessList processes;
    form.StartUp(processes, QCoreApplication::applicationFilePath());
    form.show();
    return app.exec();
}
