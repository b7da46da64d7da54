#include "errorguard.h"

#include "dialogs.h"

#include <exception>

void RunShowingErrors(QWidget *parent, const QString &caption, const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const std::exception &e) {
        // The port's errors carry their whole text, number included, in what().
        Dialogs::instance().message(parent, Dialogs::Icon::Error, caption, QString::fromUtf8(e.what()),
                                    Dialogs::Buttons::Ok);
    }
}
