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

bool Ask_Yes_No(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

} // namespace common
