#pragma once

#include <QString>

#include <functional>

class QWidget;

// Runs the handler of a user action. An exception that leaves it (a port
// error, or any other std::exception) is shown with its text in an error box
// on parent through the dialogs seam, and the program goes on; nothing
// unwinds through Qt's event delivery.
void RunShowingErrors(QWidget *parent, const QString &caption, const std::function<void()> &handler);
