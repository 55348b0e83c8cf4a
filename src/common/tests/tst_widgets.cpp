// The copying every result field and working tab offers: "Copy" in a
// result's context menu, and Ctrl+Shift+C for a tab's results as a block.
#include "widgets.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>

namespace {

// The menu's entries as the user reads them: no mnemonic, no key hint.
QStringList entries(const QMenu* menu) {
    QStringList out;
    for (const QAction* a : menu->actions())
        if (!a->isSeparator())
            out << a->text().remove(QLatin1Char('&')).section(QLatin1Char('\t'), 0, 0);
    return out;
}

} // namespace

class TestWidgets : public QObject {
    Q_OBJECT

  private slots:
    void init() { QApplication::clipboard()->clear(); }

    void copyMenu_data() {
        QTest::addColumn<QString>("kind"); // "result", "entry" (editable) or "label"
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selectFrom"); // -1: nothing selected
        QTest::addColumn<int>("selectLength");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("copied");
        QTest::addColumn<QStringList>("alsoThere");
        // Pins: the standard Copy of a read-only field is greyed out until
        // the user selects, and then copies only the selection.
        QTest::newRow("result, nothing selected: the whole text")
            << "result" << "5920000.125" << -1 << 0 << true << "5920000.125"
            << QStringList{"Select All"};
        QTest::newRow("result, part selected: that part")
            << "result" << "36° 51' 13.3\" S" << 0 << 3 << true << "36°" << QStringList{};
        QTest::newRow("result, empty: nothing to copy")
            << "result" << "" << -1 << 0 << false << "" << QStringList{};
        QTest::newRow("entry keeps its own menu")
            << "entry" << "173 E" << -1 << 0 << true << "173 E"
            << QStringList{"Cut", "Paste", "Select All"};
        QTest::newRow("label result") << "label" << "12.345" << -1 << 0 << true << "12.345"
                                      << QStringList{};
    }
    // The menu comes up as for a right click and its one "Copy" is chosen.
    void copyMenu() {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(int, selectFrom);
        QFETCH(int, selectLength);
        QFETCH(bool, enabled);
        QFETCH(QString, copied);
        QFETCH(QStringList, alsoThere);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        QWidget* field = nullptr;
        if (kind == QLatin1String("label")) {
            auto* label = new QLabel(text);
            label->setTextInteractionFlags(Qt::TextSelectableByMouse);
            field = label;
        } else {
            auto* edit = new QLineEdit(text);
            edit->setReadOnly(kind == QLatin1String("result"));
            if (selectFrom >= 0)
                edit->setSelection(selectFrom, selectLength);
            field = edit;
        }
        layout->addWidget(field);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        common::GiveCopyMenu(field);

        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(4, 4),
                                field->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(field, &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        const QStringList shown = entries(menu);
        QCOMPARE(shown.count(QStringLiteral("Copy")), 1);
        for (const QString& e : alsoThere)
            QVERIFY2(shown.contains(e), qPrintable(shown.join(", ")));
        QAction* copy = nullptr;
        for (QAction* a : menu->actions())
            if (a->text() == QLatin1String("Copy"))
                copy = a;
        QVERIFY(copy);
        QCOMPARE(copy->isEnabled(), enabled);
        if (enabled)
            copy->trigger();
        menu->close();
        QCOMPARE(QApplication::clipboard()->text(), copied);
    }

    void copyResults_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("block");
        QTest::newRow("first tab shown")
            << 0 << "Easting: 1750000.000\nNorthing: 5920000.000\nPoint scale factor: \n";
        QTest::newRow("second tab shown, a label among the fields")
            << 1 << "Distance (kms): 12.345\nGrid bearing 1→2: 45° 00' 00\"\n";
    }
    // Ctrl+Shift+C copies the results of the tab the user sees, captions and
    // all, wherever the focus is in the window.
    void copyResults() {
        QFETCH(int, page);
        QFETCH(QString, block);
        QTabWidget tabs;
        auto* first = new QWidget;
        auto* easting = new QLineEdit(QStringLiteral("1750000.000"), first);
        auto* northing = new QLineEdit(QStringLiteral("5920000.000"), first);
        auto* scale = new QLineEdit(first);
        auto* entry = new QLineEdit(first);
        auto* second = new QWidget;
        auto* kms = new QLabel(QStringLiteral("12.345"), second);
        auto* bearing = new QLineEdit(QStringLiteral("45° 00' 00\""), second);
        tabs.addTab(first, QStringLiteral("Geog to Grid"));
        tabs.addTab(second, QStringLiteral("Distance"));
        common::InstallCopyResults(first, {{QStringLiteral("Easting"), easting},
                                           {QStringLiteral("Northing"), northing},
                                           {QStringLiteral("Point scale factor"), scale}});
        common::InstallCopyResults(second, {{QStringLiteral("Distance (kms)"), kms},
                                            {QStringLiteral("Grid bearing 1→2"), bearing}});
        tabs.setCurrentIndex(page);
        tabs.show();
        QApplication::setActiveWindow(&tabs);
        QVERIFY(QTest::qWaitForWindowActive(&tabs));
        QWidget* focus = page == 0 ? static_cast<QWidget*>(entry) : bearing;
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QApplication::clipboard()->text(), block);
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
