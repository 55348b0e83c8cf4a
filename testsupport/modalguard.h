// Test helper: answers modal message boxes from a timer so GUI tests never
// hang, and checks each box against what the test expected.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <deque>

struct ExpectedBox {
    QString text;
    QString title = QStringLiteral("Quillmar");
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton press = QMessageBox::Ok;
};

class ModalGuard : public QObject {
    Q_OBJECT
  public:
    ModalGuard();
    ~ModalGuard() override;

    // Queue the next box the code under test must show.
    void expect(const QString& text, const QString& title = QStringLiteral("Quillmar"),
                QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                QMessageBox::StandardButton press = QMessageBox::Ok);
    void expect(const ExpectedBox& box);

    // True when every expected box was seen, matched, and no other box came.
    bool ok() const { return failures_.isEmpty() && pending_.empty(); }
    // Human-readable list of what went wrong (for QVERIFY2).
    QByteArray report() const;
    // Boxes seen so far, as "title|text".
    const QStringList& seen() const { return seen_; }
    void reset();

  private:
    void poll();
    QTimer timer_;
    std::deque<ExpectedBox> pending_;
    QStringList failures_;
    QStringList seen_;
};

// The child of a window by objectName; fails the test fatally when missing.
template <class T> T* must(QObject* parent, const char* name) {
    T* w = parent->findChild<T*>(QString::fromLatin1(name));
    if (!w)
        qFatal("missing child %s", name);
    return w;
}

#define QVERIFY_GUARD(guard) QVERIFY2((guard).ok(), (guard).report().constData())
