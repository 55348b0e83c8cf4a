#include "widgets.h"

#include <QLineEdit>
#include <QWidget>

namespace common {

int Twips(const QWidget* w, int twips) { return qRound(twips * w->logicalDpiX() / 1440.0); }

bool ForceUpperCase(QLineEdit* field, const QString& text) {
    const QString upper = text.toUpper();
    if (upper == text)
        return false;
    const int pos = field->cursorPosition();
    field->setText(upper);
    field->setCursorPosition(qMin(pos, int(upper.size())));
    return true;
}

} // namespace common
