#include "widgets.h"

#include <QLabel>
#include <QPalette>

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QWidget>

namespace common {

int Twips(const QWidget* w, int twips) { return qRound(twips * w->logicalDpiX() / 1440.0); }

void Show_Warning(QLabel* label, const QString& text) {
    label->setText(text);
    label->setToolTip(text);
    QPalette p = label->palette();
    // Qt's palette has no warning role: a dark orange on light windows, a
    // light one on dark windows, both far from the text colour.
    const bool dark = p.color(QPalette::Window).lightness() < 128;
    p.setColor(QPalette::WindowText, dark ? QColor(0xff, 0xb0, 0x60) : QColor(0xa8, 0x3c, 0x00));
    label->setPalette(p);
}

bool ForceUpperCase(QLineEdit* field, const QString& text) {
    const QString upper = text.toUpper();
    if (upper == text)
        return false;
    const int pos = field->cursorPosition();
    field->setText(upper);
    field->setCursorPosition(qMin(pos, int(upper.size())));
    return true;
}

void PressOnEnter(const QList<QLineEdit*>& fields, QAbstractButton* button) {
    for (QLineEdit* f : fields)
        QObject::connect(f, &QLineEdit::returnPressed, button, [button] {
            if (button->isEnabled() && button->isVisible())
                button->click();
        });
}

namespace {

class WindowKeys : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            auto* button = qobject_cast<QAbstractButton*>(watched);
            if (button && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
                if (button->isEnabled())
                    button->click();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            if (auto* field = qobject_cast<QLineEdit*>(watched))
                field->setCursorPosition(0);
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void InstallWindowKeys(QWidget* window, std::function<void()> onEscape) {
    auto* keys = new WindowKeys(window);
    for (QPushButton* b : window->findChildren<QPushButton*>())
        b->installEventFilter(keys);
    for (QLineEdit* f : window->findChildren<QLineEdit*>()) {
        f->installEventFilter(keys);
        QObject::connect(f, &QLineEdit::textChanged, f,
                         [f](const QString& text) { f->setToolTip(text); });
    }
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escape->setContext(Qt::WindowShortcut);
    QObject::connect(escape, &QShortcut::activated, window, std::move(onEscape));
}

} // namespace common
