// Printing the reports: the print dialog owner `ctrlfrm`, the dialog step
// and the painting of a report on the chosen printer.
#pragma once

#include "reports.h"

#include <functional>

class QPrinter;
class QWidget;

namespace reports {

// The dialog step, replaceable by tests: receives the printer the report
// will go to and returns false when the user cancelled. When empty, the
// system print dialog `CmDialog1` held by ctrlfrm is shown.
extern std::function<bool(QPrinter*)> PrintDialogHook;

// Called once, when ctrlfrm is created on the first print, so the shell can
// list it with the loaded windows and close it at shut-down.
extern std::function<void(QWidget*)> ControlFormLoaded;

// The never-shown window holding the print dialog; null before the first
// print and after it was destroyed.
QWidget* Control_Form();

// Prints the report in the printer's default font and ends the job. False
// when the job could not be started or finished (no printer, unwritable file).
bool Paint_Report(QPrinter* printer, const Report& report);

} // namespace reports
