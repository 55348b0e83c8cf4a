#include "widgets.h"

#include <QLabel>
#include <QPalette>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
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

namespace {

QString fieldText(const QWidget* field) {
    if (auto* edit = qobject_cast<const QLineEdit*>(field))
        return edit->text();
    if (auto* label = qobject_cast<const QLabel*>(field))
        return label->text();
    return {};
}

QString selectedText(const QWidget* field) {
    if (auto* edit = qobject_cast<const QLineEdit*>(field))
        return edit->selectedText();
    if (auto* label = qobject_cast<const QLabel*>(field))
        return label->selectedText();
    return {};
}

} // namespace

QMenu* CreateCopyMenu(QWidget* field, QWidget* parent) {
    auto* edit = qobject_cast<QLineEdit*>(field);
    QMenu* menu = edit ? edit->createStandardContextMenu() : new QMenu;
    menu->setParent(parent, menu->windowFlags());
    // The standard Copy wants a selection first; this one does not.
    QAction* copy = new QAction(QStringLiteral("Copy"), menu);
    copy->setObjectName(QStringLiteral("copy-result"));
    copy->setEnabled(!fieldText(field).isEmpty());
    // The line edit's own Copy, found by the words Qt gives it.
    QAction* standard = nullptr;
    for (QAction* a : menu->actions())
        if (a->text().section(QLatin1Char('\t'), 0, 0) == QLineEdit::tr("&Copy"))
            standard = a;
    menu->insertAction(standard ? standard
                                : (menu->actions().isEmpty() ? nullptr : menu->actions().front()),
                       copy);
    if (standard) {
        menu->removeAction(standard);
        standard->deleteLater();
    }
    QObject::connect(copy, &QAction::triggered, field, [field] {
        const QString selected = selectedText(field);
        QApplication::clipboard()->setText(selected.isEmpty() ? fieldText(field) : selected);
    });
    return menu;
}

void GiveCopyMenu(QWidget* field) {
    field->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(field, &QWidget::customContextMenuRequested, field, [field](QPoint at) {
        QMenu* menu = CreateCopyMenu(field, field);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(field->mapToGlobal(at));
    });
}

void GiveCopyMenus(const QList<QWidget*>& fields) {
    for (QWidget* f : fields)
        GiveCopyMenu(f);
}

QString CaptionedText(const CaptionedFields& fields) {
    QString text;
    for (const auto& [caption, field] : fields)
        text += caption + QStringLiteral(": ") + fieldText(field) + QLatin1Char('\n');
    return text;
}

QShortcut* InstallCopyResults(QWidget* scope, const CaptionedFields& fields) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), scope);
    // A tab page that is not shown does not take the key.
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, scope,
                     [fields] { QApplication::clipboard()->setText(CaptionedText(fields)); });
    return shortcut;
}

} // namespace common
