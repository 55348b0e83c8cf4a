// Small widget rules shared by the windows.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <functional>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QMenu;
class QShortcut;
class QWidget;

namespace common {

// Screen pixels for a length given in twips (1/1440 inch), at the widget's
// logical DPI.
int Twips(const QWidget* w, int twips);

// Shows a warning line in a colour that stands out from the window's text on
// light and dark palettes alike; an empty text clears it.
void Show_Warning(QLabel* label, const QString& text);

// Replaces the field's text by its upper-case form, keeping the cursor.
// True when the text changed (the field then signals the change again).
bool ForceUpperCase(QLineEdit* field, const QString& text);

// Enter in any of the fields presses the button (when it can be pressed).
void PressOnEnter(const QList<QLineEdit*>& fields, QAbstractButton* button);

// The keys every working window shares: Enter on a focused push button
// presses it (as Space does), Escape runs `onEscape`, and each text field
// shows its beginning again when the user leaves it, with its whole text as
// tooltip, so a long entry never reads as a shorter one.
void InstallWindowKeys(QWidget* window, std::function<void()> onEscape);

// The context menu of a result field (a QLineEdit or a QLabel): "Copy"
// copies the selected text, or the whole text when none is selected, so a
// result is copied without selecting it first. A line edit keeps the rest of
// its own menu.
void GiveCopyMenu(QWidget* field);
void GiveCopyMenus(const QList<QWidget*>& fields);
// The menu GiveCopyMenu shows, for the caller to show and delete.
QMenu* CreateCopyMenu(QWidget* field, QWidget* parent = nullptr);

// Results with the captions they are shown under.
using CaptionedFields = QList<QPair<QString, QWidget*>>;

// One "Caption: value" line per field, each ending in a line break.
QString CaptionedText(const CaptionedFields& fields);

// Ctrl+Shift+C anywhere in `scope`'s window, while `scope` is shown, puts
// CaptionedText(fields) on the clipboard. Each working tab or window gets
// its own; of several scopes in one window only one may be shown at a time
// (tab pages are), or the key does nothing.
QShortcut* InstallCopyResults(QWidget* scope, const CaptionedFields& fields);

} // namespace common
