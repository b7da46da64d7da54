#pragma once

#include <QString>

class ProcessList;
class TForm1;

// The start-up of the phone manager once the application and the main window
// (with the windows it owns) exist: the version in the caption, the language
// list and the stored settings, the language texts, the conflicting-process
// guard, the start page, and the presence check with the information
// readout. The main window should already be on screen.
//
// programFile is the program file whose version record is shown.
void StartUp(TForm1 &form, ProcessList &processes, const QString &programFile);
