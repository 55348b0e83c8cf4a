// The registry dialog driven through its widgets: typing fills the list,
// OK or a double click gives the chosen grid's entry, Cancel gives nothing.
#include "modalguard.h"
#include "registrydialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {
const QString kItm = QStringLiteral("EPSG:2157  IRENET95 / Irish Transverse Mercator");

QStringList items(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}
} // namespace

class TestRegistryDialog : public QObject {
    Q_OBJECT

  private slots:
    void typing_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("first");
        QTest::addColumn<bool>("only");
        QTest::newRow("the code") << "2157" << kItm << true;
        QTest::newRow("the code with its authority") << "EPSG:2157" << kItm << true;
        QTest::newRow("a word of the name") << "irish" << kItm << false;
        QTest::newRow("two words, upper case") << "IRISH TRANSVERSE" << kItm << true;
        QTest::newRow("nothing matches") << "no such grid"
                                         << "" << true;
    }
    void typing() {
        QFETCH(QString, typed);
        QFETCH(QString, first);
        QFETCH(bool, only);
        RegistryDialog dlg;
        dlg.show();
        auto* search = must<QLineEdit>(&dlg, "txt_registry_search");
        auto* list = must<QListWidget>(&dlg, "lst_registry");
        auto* box = must<QDialogButtonBox>(&dlg, "btn_registry_box");
        QCOMPARE(dlg.windowTitle(), QStringLiteral("From registry"));
        // Before anything is typed every usable grid is offered.
        QCOMPARE(list->count(), registry::Registry::Instance().usableCount());
        QTest::keyClicks(search, typed);
        const QStringList shown = items(list);
        if (first.isEmpty()) {
            QVERIFY(shown.isEmpty());
            QVERIFY(!box->button(QDialogButtonBox::Ok)->isEnabled());
            QCOMPARE(must<QLabel>(&dlg, "lbl_registry_count")->text(),
                     QStringLiteral("No usable grid matches."));
            return;
        }
        QCOMPARE(shown.value(0), first);
        if (only)
            QCOMPARE(shown.size(), 1);
        QCOMPARE(list->currentRow(), 0);
        QVERIFY(box->button(QDialogButtonBox::Ok)->isEnabled());
    }

    void choosing_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("OK") << "ok" << true;
        QTest::newRow("a double click") << "double" << true;
        QTest::newRow("Enter in the search field") << "enter" << true;
        QTest::newRow("Cancel") << "cancel" << false;
        QTest::newRow("Escape") << "escape" << false;
    }
    void choosing() {
        QFETCH(QString, how);
        QFETCH(bool, accepted);
        RegistryDialog dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto* search = must<QLineEdit>(&dlg, "txt_registry_search");
        auto* list = must<QListWidget>(&dlg, "lst_registry");
        auto* box = must<QDialogButtonBox>(&dlg, "btn_registry_box");
        QTest::keyClicks(search, "irish transverse");
        QCOMPARE(items(list), QStringList{kItm});
        if (how == "ok") {
            QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
        } else if (how == "double") {
            const QRect r = list->visualItemRect(list->item(0));
            // As a hand does it: the first click's press comes before the double.
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
        } else if (how == "enter") {
            QTest::keyClick(search, Qt::Key_Return);
        } else if (how == "cancel") {
            QTest::mouseClick(box->button(QDialogButtonBox::Cancel), Qt::LeftButton);
        } else {
            QTest::keyClick(search, Qt::Key_Escape);
        }
        QCOMPARE(dlg.result(), accepted ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QVERIFY(!dlg.isVisible());
        const catalogue::EntryTexts t = dlg.entryTexts();
        if (!accepted) {
            QVERIFY(t.name.isEmpty());
            QVERIFY(dlg.grid().code.isEmpty());
            return;
        }
        QCOMPARE(
            (QStringList{t.name, t.sma, t.eccentricity, t.Scale, t.FE, t.FN, t.Lat, t.meridian}),
            (QStringList{"IRENET95 / Irish Transverse Mercator", "6378137", "0.006694380022900787",
                         "0.99982", "600000", "750000", "53.5 N", "8 W"}));
        QCOMPARE(dlg.grid().code, QStringLiteral("EPSG:2157"));
    }

    // The row the user moved to is the one taken, not the first.
    void choosingAnotherRow() {
        RegistryDialog dlg;
        dlg.show();
        auto* search = must<QLineEdit>(&dlg, "txt_registry_search");
        auto* list = must<QListWidget>(&dlg, "lst_registry");
        QTest::keyClicks(search, "irish");
        QVERIFY(list->count() > 1);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentRow(), 1);
        const QString wanted = list->item(1)->text();
        QTest::mouseClick(
            must<QDialogButtonBox>(&dlg, "btn_registry_box")->button(QDialogButtonBox::Ok),
            Qt::LeftButton);
        QCOMPARE(RegistryDialog::Item_Text(dlg.grid()), wanted);
        QCOMPARE(dlg.entryTexts().name, dlg.grid().name);
    }
};

QTEST_MAIN(TestRegistryDialog)
#include "tst_registrydialog.moc"
