// The one place where the program talks to the user: modal message boxes
// with no icon, as every window of the program shows them.
#pragma once

#include <QString>

class QWidget;

namespace common {

inline const QString kAppTitle = QStringLiteral("Quillmar");

enum class Buttons { Ok, OkCancel };

// Shows a modal box and waits until it is closed; which button closed it is
// of no interest to any caller.
void Show_Message(QWidget* parent, const QString& text, const QString& title = kAppTitle,
                  Buttons buttons = Buttons::Ok);

// Asks a question with Yes and No, No the default (Escape answers No too).
// True for Yes.
bool Ask_Yes_No(QWidget* parent, const QString& text, const QString& title = kAppTitle);

} // namespace common
