#pragma once

#include <QApplication>

// The phone manager's application object: its title, Qt's own translations
// for the system's language until a language file is chosen (standard
// buttons read "Ano"/"Ne" on a Czech system), and a last line of defence for
// errors: an exception that escapes an event handler is shown in an error
// box instead of ending the program.
class TorvaneApplication : public QApplication
{
    Q_OBJECT

public:
    TorvaneApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};
