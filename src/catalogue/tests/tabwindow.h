// A conversion window on a throw-away catalogue file, driven as the user
// drives it: clicks on list rows and buttons, keys typed into fields.
#pragma once

#include "conversionwindow.h"
#include "modalguard.h"
#include "rawcatalogue.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

struct TabWindow {
    QTemporaryDir dir;
    QString path = dir.filePath("QUILLMAR.MDB");
    AppState state;
    int terminations = 0;
    ModalGuard guard;
    std::unique_ptr<ConversionWindow> w;

    explicit TabWindow(const QList<testcat::Row>& rows) {
        testcat::create(path, rows);
        state.DatabasePath = path;
        state.terminate = [this] { ++terminations; };
        w = std::make_unique<ConversionWindow>(state);
        w->Load();
        w->show();
        QApplication::setActiveWindow(w.get());
        if (!QTest::qWaitForWindowActive(w.get()))
            qWarning("window not active: focus tests will send the events themselves");
    }
    template <class T = QLineEdit> T* get(const QString& name) {
        return must<T>(w.get(), qPrintable(name));
    }
    QListWidget* list() { return get<QListWidget>("List1"); }
    QStringList names() {
        QStringList out;
        for (int i = 0; i < list()->count(); ++i)
            out << list()->item(i)->text();
        return out;
    }
    // A click on the name, as the user makes it.
    void select(const QString& name) {
        const auto items = list()->findItems(name, Qt::MatchExactly);
        if (items.size() != 1)
            qFatal("no single item %s", qPrintable(name));
        list()->scrollToItem(items.first());
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                          list()->visualItemRect(items.first()).center());
    }
    void click(const char* button) { QTest::mouseClick(get<QPushButton>(button), Qt::LeftButton); }
    // Types into a field the way the user does, after emptying it.
    void type(const QString& field, const QString& text) {
        QLineEdit* f = get(field);
        f->setFocus();
        f->clear();
        QTest::keyClicks(f, text);
    }
    // Save, Edit, Delete as "E" enabled or "-" disabled.
    QString buttons() {
        QString s;
        for (const char* b : {"SSCommand2", "SSCommand3", "SSCommand4"})
            s += get<QPushButton>(b)->isEnabled() ? 'E' : '-';
        return s;
    }
};
