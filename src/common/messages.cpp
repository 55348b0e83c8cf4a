#include "messages.h"

#include <QMessageBox>

namespace common {

void Show_Message(QWidget* parent, const QString& text, const QString& title, Buttons buttons) {
    QMessageBox box(QMessageBox::NoIcon, title, text,
                    buttons == Buttons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                 : QMessageBox::Ok,
                    parent);
    box.setDefaultButton(QMessageBox::Ok);
    // Messages quote catalogue names and typed text, which are never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace common
