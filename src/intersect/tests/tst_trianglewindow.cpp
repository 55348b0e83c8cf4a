// Both intersection windows driven through their controls, headless.
#include "modalguard.h"
#include "trianglewindow.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

const QStringList kInputs = {"txt_E1", "txt_N1", "txt_E2", "txt_N2", "txt_anglea", "txt_angleb"};
const QStringList kClearOrder = {"txt_E1", "txt_N1", "txt_E2",     "txt_N2",
                                 "txt_E3", "txt_N3", "txt_anglea", "txt_angleb"};
const QString kNoCompute = QStringLiteral("Data does not compute.");
const QString kTooFar = QStringLiteral("This formula is not suitable for this distance.");

QWidget* Open(int window) {
    QWidget* w = new TriangleWindow(window == 1 ? TriangleWindow::Kind::Angles
                                                : TriangleWindow::Kind::Bearings);
    w->show();
    return w;
}

QLineEdit* Field(QWidget* w, const QString& name) {
    return must<QLineEdit>(w, name.toLatin1().constData());
}

QStringList Texts(QWidget* w, const QStringList& names) {
    QStringList out;
    for (const QString& n : names)
        out << Field(w, n)->text();
    return out;
}

// Records the result fields at the moment a message box appears, before the
// guard answers it.
class BoxWitness : public QObject {
  public:
    explicit BoxWitness(QWidget* w) : w_(w) { qApp->installEventFilter(this); }
    ~BoxWitness() override { qApp->removeEventFilter(this); }
    QStringList seen;

  protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show && qobject_cast<QMessageBox*>(o))
            seen = Texts(w_, {"txt_E3", "txt_N3"});
        return false;
    }

  private:
    QWidget* w_;
};

} // namespace

class TstTriangleWindow : public QObject {
    Q_OBJECT
  private slots:
    // Inputs E1 N1 E2 N2 a b and results E3 N3 comma-separated; the results
    // are those shown, under the message box if there is one.
    void calculate_data() {
        QTest::addColumn<int>("window");
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QString>("box"); // empty: none
        QTest::addColumn<QStringList>("results");
        auto row = [](const char* name, int window, const char* in, QString box, const char* res) {
            QTest::newRow(name) << window << QString(in).split(',') << box
                                << QString(res).split(',');
        };
        const QString ok;
        // clang-format off
        row("angles: 45 and 45 over 100 m east", 1, "0,0,100,0,45,45", ok, "50.000,50.000");
        row("angles: base north gives C west of A", 1, "0,0,0,100,45,45", ok, "-50.000,50.000");
        row("angles: 60 and 60", 1, "1000,2000,1500,2000,60,60", ok, "1250.000,2433.013");
        row("angles: 30 and 60", 1, "1000,2000,1500,2000,30,60", ok, "1375.000,2216.506");
        row("angles: 9.99 km accepted", 1, "0,0,9990,0,45,45", ok, "4995.000,4995.000");
        row("angles: 9995 m shows 10.00 km", 1, "0,0,9995,0,45,45", kTooFar, "4997.500,4997.500");
        row("angles: 10.00 km refused", 1, "0,0,10000,0,45,45", kTooFar, "5000.000,5000.000");
        row("angles: result below 1", 1, "0,0,.5,0,45,45", ok, ".250,.250");
        row("angles: angle 0", 1, "0,0,100,0,0,45", kNoCompute, ",");
        row("angles: empty angle", 1, "0,0,100,0,45,", kNoCompute, ",");
        row("angles: 12a in an easting", 1, "12a,0,100,0,45,45", kNoCompute, ",");
        row("angles: E3 shown when N3 overflows", 1, "0,1e308,0,1e308,45,45", kNoCompute, ".000,");
        row("bearings: 45 and 315 over 100 m", 2, "0,0,100,0,45,315", ok, "50.000,50.000");
        row("bearings: 30 and 330", 2, "1000,2000,1500,2000,30,330", ok, "1250.000,2433.013");
        row("bearings: 60 and 300", 2, "1000,2000,1500,2000,60,300", ok, "1250.000,2144.338");
        row("bearings: 9.99 km accepted", 2, "0,0,9990,0,45,315", ok, "4995.000,4995.000");
        row("bearings: 10.00 km refused", 2, "0,0,10000,0,45,315", kTooFar, "5000.000,5000.000");
        row("bearings: equal bearings", 2, "0,0,100,0,45,45", kNoCompute, ",");
        // Regression rows: due north (0) did not compute though 360 did, and
        // 405 was read as 45; a refused bearing keeps every entry and the focus.
        row("bearings: bearing 0 is due north", 2, "0,0,100,0,0,315", ok, ".000,100.000");
        row("bearings: bearing 360 is the same", 2, "0,0,100,0,360,315", ok, ".000,100.000");
        row("bearings: 405 refused", 2, "0,0,100,0,405,315",
            "Angle a must be a bearing from 0 to 360 degrees.", ",");
        row("bearings: negative refused", 2, "0,0,100,0,45,-1",
            "Angle b must be a bearing from 0 to 360 degrees.", ",");
        row("bearings: empty bearing", 2, "0,0,100,0,45,", kNoCompute, ",");
        row("bearings: 12a in an easting", 2, "12a,0,100,0,45,315", kNoCompute, ",");
        // Regressions: no triangle, yet a point C was shown.
        row("angles: negative angles mirror C", 1, "0,0,100,0,-45,-45", kNoCompute,
            "50.000,-50.000");
        row("bearings: rays meet only behind A and B", 2, "0,0,100,0,225,135", kNoCompute,
            "50.000,50.000");
        // clang-format on
    }
    void calculate() {
        QFETCH(int, window);
        QFETCH(QStringList, inputs);
        QFETCH(QString, box);
        QFETCH(QStringList, results);
        QPointer<QWidget> w = Open(window);
        for (int i = 0; i < kInputs.size(); ++i)
            QTest::keyClicks(Field(w, kInputs[i]), inputs[i]);
        ModalGuard guard;
        BoxWitness witness(w);
        if (!box.isEmpty())
            guard.expect(box);
        QTest::mouseClick(must<QPushButton>(w, "SSCommand1"), Qt::LeftButton);
        QVERIFY_GUARD(guard);
        if (box.contains(QLatin1String("must be a bearing"))) {
            QCOMPARE(Texts(w, kInputs), inputs);
            QCOMPARE(w->focusWidget(), Field(w, box.startsWith(QLatin1String("Angle a"))
                                                    ? "txt_anglea" : "txt_angleb"));
        } else if (box.isEmpty()) {
            QCOMPARE(Texts(w, {"txt_E3", "txt_N3"}), results);
            QCOMPARE(Texts(w, kInputs), inputs);
        } else {
            QCOMPARE(witness.seen, results);
            QCOMPARE(Texts(w, kClearOrder), QStringList(8, QString()));
        }
        delete w;
    }

    void clearDetails_data() {
        QTest::addColumn<int>("window");
        QTest::newRow("angles") << 1;
        QTest::newRow("bearings") << 2;
    }
    void clearDetails() {
        QFETCH(int, window);
        QWidget* w = Open(window);
        QApplication::setActiveWindow(w);
        QStringList order;
        for (const QString& n : kClearOrder) {
            Field(w, n)->setText(QStringLiteral("1"));
            connect(Field(w, n), &QLineEdit::textChanged, this, [&order, n] { order << n; });
        }
        QTest::mouseClick(must<QPushButton>(w, "SSCommand3"), Qt::LeftButton);
        QCOMPARE(order, kClearOrder);
        QCOMPARE(Texts(w, kClearOrder), QStringList(8, QString()));
        QVERIFY(w->isVisible());

        // Called by itself, it leaves the focus where it was.
        Field(w, "txt_angleb")->setText(QStringLiteral("1"));
        Field(w, "txt_N2")->setFocus();
        qobject_cast<TriangleWindow*>(w)->Clear_Details();
        QCOMPARE(Field(w, "txt_angleb")->text(), QString());
        QCOMPARE(QApplication::focusWidget(), Field(w, "txt_N2"));
        delete w;
    }

    void close_data() {
        QTest::addColumn<int>("window");
        QTest::addColumn<bool>("byButton");
        QTest::newRow("angles, Close button") << 1 << true;
        QTest::newRow("angles, window frame") << 1 << false;
        QTest::newRow("bearings, Close button") << 2 << true;
        QTest::newRow("bearings, window frame") << 2 << false;
        // Regression rows: Escape did nothing.
        QTest::newRow("angles, Escape") << 1 << true;
        QTest::newRow("bearings, Escape") << 2 << true;
    }
    void close() {
        QFETCH(int, window);
        QFETCH(bool, byButton);
        QPointer<QWidget> w = Open(window);
        QSignalSpy spy(w.data(), SIGNAL(closed()));
        if (QString(QTest::currentDataTag()).endsWith("Escape")) {
            QApplication::setActiveWindow(w);
            QTest::keyClick(w, Qt::Key_Escape);
        } else if (byButton) {
            QTest::mouseClick(must<QPushButton>(w, "SSCommand2"), Qt::LeftButton);
        } else {
            w->close();
        }
        QCOMPARE(spy.count(), 1);
        QVERIFY(!w->isVisible());
        w->close(); // a second close before the deletion is no second return to the menu
        QCOMPARE(spy.count(), 1);
        QTRY_VERIFY(w.isNull());
    }

    // Regression: Enter did nothing. In an entry it calculates; on a
    // focused button it presses that button.
    void enterKey_data() {
        QTest::addColumn<int>("window");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("results");
        QTest::newRow("angles, Enter in angle b") << 1 << "txt_angleb"
                                                  << QStringList{"50.000", "50.000"};
        QTest::newRow("bearings, Enter in E1") << 2 << "txt_E1" << QStringList{"50.000", "50.000"};
        QTest::newRow("angles, Enter on Clear Details") << 1 << "SSCommand3" << QStringList{"", ""};
    }
    void enterKey() {
        QFETCH(int, window);
        QFETCH(QString, target);
        QPointer<QWidget> w = Open(window);
        const QStringList in{"0", "0", "100", "0", "45", window == 1 ? "45" : "315"};
        for (int i = 0; i < kInputs.size(); ++i)
            Field(w, kInputs[i])->setText(in[i]);
        QWidget* t = w->findChild<QWidget*>(target);
        QVERIFY(t);
        QApplication::setActiveWindow(w);
        t->setFocus();
        ModalGuard guard;
        QTest::keyClick(t, Qt::Key_Return);
        QVERIFY_GUARD(guard);
        QTEST(Texts(w, {"txt_E3", "txt_N3"}), "results");
        delete w;
    }

    void controls_data() {
        QTest::addColumn<int>("window");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        const QString L = "QLabel", B = "QPushButton", E = "QLineEdit";
        // clang-format off
        const QList<std::tuple<QString, QString, QString>> shared = {
            {"Label3", L, "Easting"}, {"Label2", L, "Northing"}, {"Label10", L, "Angle a"},
            {"Label1", L, "Position A"}, {"Label6", L, "Easting"}, {"Label5", L, "Northing"},
            {"Label12", L, "Angle b"}, {"Label4", L, "Position B"},
            {"Text1", L, "Position C (Unknown)"}, {"Label17", L, "Easting"},
            {"Label16", L, "Northing"}, {"SSCommand1", B, "Calculate"},
            {"SSCommand3", B, "Clear Details"}, {"SSCommand2", B, "Close"},
            {"Label7", L, "Position A"}, {"Label8", L, "Position B"}, {"Label9", L, "C"},
            {"Label13", L, "a"}, {"Label14", L, "b"}};
        // clang-format on
        for (int window : {1, 2}) {
            const char* tag = window == 1 ? "angles" : "bearings";
            for (const auto& [n, k, t] : shared)
                QTest::addRow("%s %s", tag, qPrintable(n)) << window << n << k << t;
            for (const QString& n : kClearOrder)
                QTest::addRow("%s %s", tag, qPrintable(n)) << window << n << E << QString();
        }
        auto add = [](int w, const char* n, const QString& k, const char* t) {
            QTest::addRow("%s %s", w == 1 ? "angles" : "bearings", n)
                << w << QString(n) << k << QString(t);
        };
        add(1, "Label11", L, "Angle BAC");
        add(1, "Label18", L,
            "To calculate the co-ordinates of point C from points A and B. The co-ordinates of "
            "points A and B are known along with the angles to point C.");
        add(2, "Label19", L,
            "To calculate the co-ordinates of point C. The co-ordinates of points A and B are "
            "known along with the angles a and b.");
        add(2, "Label20", L, "eg. Angle b =330");
        add(2, "Label11", L, "Grid North");
        add(2, "Label18", L, "Grid North");
    }
    void controls() {
        QFETCH(int, window);
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QWidget* w = Open(window);
        QCOMPARE(w->objectName(), window == 1 ? "trig1frm" : "trig2frm");
        QCOMPARE(w->windowTitle(), window == 1 ? "Triangular" : "Trilateration");
        auto* frame = must<QGroupBox>(w, "SSFrame1");
        QCOMPARE(frame->title(), QString());
        QWidget* c = must<QWidget>(w, name.toLatin1().constData());
        QCOMPARE(QString(c->metaObject()->className()), kind);
        QVERIFY(frame->isAncestorOf(c));
        QVERIFY(c->isVisible());
        QString shown;
        if (auto* l = qobject_cast<QLabel*>(c))
            shown = l->text();
        else if (auto* b = qobject_cast<QPushButton*>(c))
            shown = b->text();
        else
            shown = qobject_cast<QLineEdit*>(c)->text(); // every field starts empty
        QCOMPARE(shown, text);
        delete w;
    }
};

QTEST_MAIN(TstTriangleWindow)
#include "tst_trianglewindow.moc"
