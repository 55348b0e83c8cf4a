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
#include <QTabWidget>
#include <QTest>

class TestWidgets : public QObject {
    Q_OBJECT

  private slots:
    void init() { QApplication::clipboard()->clear(); }

    void copyMenu_data() {
        QTest::addColumn<QString>("kind"); // "result", "entry" (editable) or "label"
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selected"); // characters selected from the start
        QTest::addColumn<QString>("copied");
        QTest::addColumn<QStringList>("entries");
        // Pins: the standard Copy of a read-only field is greyed out until
        // the user selects.
        QTest::newRow("result, nothing selected: all of it")
            << "result"
            << "5920000.125" << 0 << "5920000.125" << QStringList{"Copy", "Select All"};
        QTest::newRow("result, part selected: that part")
            << "result"
            << "36° 51' 13.3\" S" << 3 << "36°" << QStringList{"Copy", "Select All"};
        QTest::newRow("result, empty: Copy greyed")
            << "result"
            << "" << 0 << "" << QStringList{"Copy", "Select All"};
        QTest::newRow("entry keeps its own menu")
            << "entry"
            << "173 E" << 0 << "173 E"
            << QStringList{"Undo", "Redo", "Cut", "Copy", "Paste", "Delete", "Select All"};
        QTest::newRow("label") << "label"
                               << "12.345" << 0 << "12.345" << QStringList{"Copy"};
    }
    // The menu comes up as for a right click, and its one "Copy" is chosen.
    void copyMenu() {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(int, selected);
        QFETCH(QString, copied);
        QFETCH(QStringList, entries);
        std::unique_ptr<QWidget> field;
        if (kind == QLatin1String("label")) {
            field = std::make_unique<QLabel>(text);
        } else {
            auto* edit = new QLineEdit(text);
            field.reset(edit);
            edit->setReadOnly(kind == QLatin1String("result"));
            edit->setSelection(0, selected);
        }
        field->show();
        QVERIFY(QTest::qWaitForWindowExposed(field.get()));
        common::GiveCopyMenu(field.get());

        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(4, 4),
                                field->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(field.get(), &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QStringList shown;
        QAction* copy = nullptr;
        for (QAction* a : menu->actions()) {
            if (a->isSeparator())
                continue;
            shown << a->text().remove('&').section('\t', 0, 0);
            if (a->text() == QLatin1String("Copy"))
                copy = a;
        }
        QCOMPARE(shown, entries);
        QVERIFY(copy);
        QCOMPARE(copy->isEnabled(), !text.isEmpty());
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
    // all, wherever the focus is in it; the hidden tab's key stays quiet.
    void copyResults() {
        QFETCH(int, page);
        QFETCH(QString, block);
        QTabWidget tabs;
        auto* first = new QWidget;
        auto* easting = new QLineEdit(QStringLiteral("1750000.000"), first);
        auto* northing = new QLineEdit(QStringLiteral("5920000.000"), first);
        auto* scale = new QLineEdit(first);
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
        QWidget* focus = page == 0 ? static_cast<QWidget*>(scale) : bearing;
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QApplication::clipboard()->text(), block);
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
