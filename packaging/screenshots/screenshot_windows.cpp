// Shows each window of the program with a worked example filled in and grabs
// it from the X server with ImageMagick's `import`, so the pictures are the
// real windows as the desktop draws them. Run by scripts/screenshots.sh under
// Xvfb; never installed.
#include "appstate.h"
#include "conversionwindow.h"
#include "shell.h"
#include "store.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QIcon>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

QString g_outDir;
int g_failures = 0;

template <class T> T* Child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

void Type(QWidget* w, const std::initializer_list<std::pair<const char*, const char*>>& fields) {
    for (const auto& [name, text] : fields)
        Child<QLineEdit>(w, name)->setText(QString::fromUtf8(text));
}

void Grab(QWidget* w, const QString& file) {
    w->show();
    w->raise();
    if (!QTest::qWaitForWindowExposed(w))
        qWarning("%s: window not exposed", qPrintable(file));
    QTest::qWait(400); // let the X server finish drawing
    const QString path = QDir(g_outDir).filePath(file + QLatin1String(".png"));
    const int rc = QProcess::execute(QStringLiteral("import"),
                                     {QStringLiteral("-window"), QString::number(w->winId()), path});
    if (rc != 0) {
        std::fprintf(stderr, "import failed for %s\n", qPrintable(file));
        ++g_failures;
    } else {
        std::printf("%s\n", qPrintable(path));
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmar"));
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/quillmar-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    g_outDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_outDir);

    QTemporaryDir home;
    AppState state;
    Shell shell(state, {home.filePath(QStringLiteral("data")), home.filePath(QStringLiteral("run"))});
    if (!shell.Start())
        return 1;
    Grab(shell.menu(), QStringLiteral("main-menu"));

    shell.openConversion();
    ConversionWindow* conv = shell.conversionWindow();
    auto* tabs = Child<QTabWidget>(conv, "SSTab1");
    auto* list = Child<QListWidget>(conv, "List1");
    const auto found = list->findItems(QStringLiteral("Airy 1830 / National Grid"), Qt::MatchExactly);
    if (found.isEmpty())
        qFatal("sample catalogue entry missing");
    list->setCurrentItem(found.first());
    Grab(conv, QStringLiteral("spheroid"));

    tabs->setCurrentIndex(ConversionWindow::kGeogToGridTab);
    Type(conv, {{"txt_lat_deg", "52"}, {"txt_lat_min", "39"}, {"txt_lat_sec", "27.2531"}, {"txt_ns", "N"},
                {"txt_long_deg", "1"}, {"txt_long_min", "43"}, {"txt_long_sec", "4.5177"}, {"txt_ew", "E"}});
    Child<QAbstractButton>(conv, "cmd_convert")->click();
    Grab(conv, QStringLiteral("geog-to-grid"));

    tabs->setCurrentIndex(ConversionWindow::kGridToGeogTab);
    Type(conv, {{"txt_east", "651409.903"}, {"txt_north", "313177.270"}});
    Child<QAbstractButton>(conv, "Command1")->click();
    Grab(conv, QStringLiteral("grid-to-geog"));

    tabs->setCurrentIndex(ConversionWindow::kDistanceTab);
    Type(conv, {{"txt_lat_deg1", "52"}, {"txt_lat_min1", "39"}, {"txt_lat_sec1", "27.2531"}, {"txt_lat_hemis1", "N"},
                {"txt_long_deg1", "1"}, {"txt_long_min1", "43"}, {"txt_long_sec1", "4.5177"}, {"txt_long_hemis1", "E"},
                {"txt_lat_deg2", "52"}, {"txt_lat_min2", "12"}, {"txt_lat_sec2", "30"}, {"txt_lat_hemis2", "N"},
                {"txt_long_deg2", "0"}, {"txt_long_min2", "7"}, {"txt_long_sec2", "15"}, {"txt_long_hemis2", "E"}});
    Child<QAbstractButton>(conv, "cmd_calc")->click();
    Grab(conv, QStringLiteral("distance"));
    conv->hide();

    shell.openTriangular();
    QWidget* trig1 = shell.loadedWindows().last();
    Type(trig1, {{"txt_E1", "1000"}, {"txt_N1", "2000"}, {"txt_E2", "1500"}, {"txt_N2", "2000"},
                 {"txt_anglea", "60"}, {"txt_angleb", "60"}});
    Child<QAbstractButton>(trig1, "SSCommand1")->click();
    Grab(trig1, QStringLiteral("triangular"));
    trig1->close();

    shell.openTrilateration();
    QWidget* trig2 = shell.loadedWindows().last();
    Type(trig2, {{"txt_E1", "1000"}, {"txt_N1", "2000"}, {"txt_E2", "1500"}, {"txt_N2", "2000"},
                 {"txt_anglea", "45"}, {"txt_angleb", "315"}});
    Child<QAbstractButton>(trig2, "SSCommand1")->click();
    Grab(trig2, QStringLiteral("trilateration"));
    trig2->close();

    // The five calculations above, newest first, with the results dragged
    // next to the calculation's name and the newest row selected.
    shell.openConversion();
    tabs->setCurrentIndex(ConversionWindow::kLogTab);
    const QSize normal = conv->size();
    conv->resize(1100, normal.height());
    auto* table = Child<QTableView>(conv, "tbl_log");
    QHeaderView* header = table->horizontalHeader();
    int to = int(joblog::Column::ParameterSet);
    for (joblog::Column c :
         {joblog::Column::Easting, joblog::Column::Northing, joblog::Column::Latitude,
          joblog::Column::Longitude, joblog::Column::DistanceKms})
        header->moveSection(header->visualIndex(int(c)), to++);
    table->selectRow(0);
    Grab(conv, QStringLiteral("log"));
    conv->resize(normal);
    conv->hide();

    return g_failures == 0 ? 0 : 1;
}
