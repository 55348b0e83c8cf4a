#include "modalguard.h"

#include <QAbstractButton>
#include <QApplication>

ModalGuard::ModalGuard() {
    connect(&timer_, &QTimer::timeout, this, &ModalGuard::poll);
    timer_.start(10);
}

ModalGuard::~ModalGuard() = default;

void ModalGuard::expect(const QString& text, const QString& title,
                        QMessageBox::StandardButtons buttons, QMessageBox::StandardButton press) {
    pending_.push_back({text, title, buttons, press});
}

void ModalGuard::expect(const ExpectedBox& box) { pending_.push_back(box); }

void ModalGuard::reset() {
    pending_.clear();
    failures_.clear();
    seen_.clear();
}

QByteArray ModalGuard::report() const {
    QStringList out = failures_;
    for (const auto& b : pending_)
        out << QStringLiteral("expected box never shown: \"%1\"").arg(b.text);
    return out.join(QLatin1String("; ")).toUtf8();
}

void ModalGuard::poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
        // A modal that is not a message box (a dialog the test did not plan
        // for) would hang the run: record and reject it.
        if (QWidget* w = QApplication::activeModalWidget()) {
            if (!w->property("modalGuardIgnore").toBool()) {
                failures_ << QStringLiteral("unexpected modal window %1").arg(w->objectName());
                if (auto* d = qobject_cast<QDialog*>(w))
                    d->reject();
                else
                    w->close();
            }
        }
        return;
    }
    if (!box->isVisible())
        return;
    seen_ << box->windowTitle() + QLatin1Char('|') + box->text();
    QMessageBox::StandardButton press = QMessageBox::Ok;
    if (pending_.empty()) {
        failures_ << QStringLiteral("unexpected box \"%1\" titled \"%2\"")
                         .arg(box->text(), box->windowTitle());
        press = box->standardButtons().testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel
                                                                      : QMessageBox::Ok;
    } else {
        ExpectedBox e = pending_.front();
        pending_.pop_front();
        press = e.press;
        if (box->text() != e.text)
            failures_ << QStringLiteral("box text \"%1\", expected \"%2\"").arg(box->text(), e.text);
        if (box->windowTitle() != e.title)
            failures_ << QStringLiteral("box \"%1\" title \"%2\", expected \"%3\"")
                             .arg(e.text, box->windowTitle(), e.title);
        if (box->standardButtons() != e.buttons)
            failures_ << QStringLiteral("box \"%1\" has buttons %2, expected %3")
                             .arg(e.text)
                             .arg(int(box->standardButtons()))
                             .arg(int(e.buttons));
        if (box->icon() != QMessageBox::NoIcon)
            failures_ << QStringLiteral("box \"%1\" has an icon").arg(e.text);
        // Messages quote names and typed text: never markup.
        if (box->textFormat() != Qt::PlainText)
            failures_ << QStringLiteral("box \"%1\" may read its text as markup").arg(e.text);
    }
    QAbstractButton* b = box->button(press);
    if (b)
        b->click();
    else
        box->done(press);
}
