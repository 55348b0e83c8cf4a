// Small widget rules shared by the windows.
#pragma once

#include <QString>

class QLineEdit;
class QWidget;

namespace common {

// Screen pixels for a length given in twips (1/1440 inch), at the widget's
// logical DPI.
int Twips(const QWidget* w, int twips);

// Replaces the field's text by its upper-case form, keeping the cursor.
// True when the text changed (the field then signals the change again).
bool ForceUpperCase(QLineEdit* field, const QString& text);

} // namespace common
