// Start-up times of the program as a person meets them, each in a fresh
// process: from process start to the main menu's first paint, from the
// menu's conversion button to the conversion window's first paint with a
// catalogue of many entries in its list, from selecting the last entry to
// the first paint that shows its fields, and ("settled") from the button to
// the window's last paint, when the list has measured every name. Runs under the offscreen platform in a temporary home, so the
// user's catalogue, settings and lock are never touched.
//
// usage: quillmar_bench_startup [--runs N] [--entries N] [--home DIR]
// Prints one line per run ("run MENU WINDOW SELECT SETTLED", ms) and then
// "menu|window|select|settled MEDIAN_MS MIN_MS".
// --home keeps the home folder (with its catalogue) in DIR, for profiling a
// single run: QUILLMAR_BENCH_T0_NS=0 quillmar_bench_startup --child N, with
// the variables the parent printed.
#include "appstate.h"
#include "shell.h"
#include "store.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr const char* kT0Variable = "QUILLMAR_BENCH_T0_NS";
// Long enough for every paint an action causes, shorter than a text cursor's
// first blink (500 ms), whose repaint must not count.
constexpr int kSettleMs = 250;

long long nowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

double ms(long long ns) { return ns / 1e6; }

QString entryName(int i) { return QStringLiteral("Bench entry %1").arg(i, 5, 10, QLatin1Char('0')); }

// Records when the first and the last paint of the watched window ended.
class TimedApplication : public QApplication {
  public:
    using QApplication::QApplication;
    std::function<bool(QWidget*)> watched;
    long long firstPaintEnd = 0;
    long long lastPaintEnd = 0;
    int paints = 0;

    void watch(std::function<bool(QWidget*)> w) {
        watched = std::move(w);
        paints = 0;
    }

    bool notify(QObject* receiver, QEvent* event) override {
        const bool paint = event->type() == QEvent::Paint;
        const bool result = QApplication::notify(receiver, event);
        if (paint && watched && receiver->isWidgetType() &&
            watched(static_cast<QWidget*>(receiver)->window())) {
            lastPaintEnd = nowNs();
            if (paints++ == 0)
                firstPaintEnd = lastPaintEnd;
        }
        return result;
    }
};

[[noreturn]] void die(const char* what) {
    std::fprintf(stderr, "quillmar_bench_startup: %s\n", what);
    std::fflush(stderr);
    _exit(3);
}

int child(int argc, char** argv, int entries) {
    const char* t0text = std::getenv(kT0Variable);
    if (!t0text)
        die("no start time");
    const long long t0 = std::atoll(t0text);

    // As app/main.cpp starts the program.
    TimedApplication app(argc, argv);
    Shell::SetUpApplication();
    AppState state;
    Shell shell(state, Shell::UserOptions());
    // A message box would wait for a click that never comes.
    QTimer::singleShot(120000, [] { die("timed out (a message box?)"); });

    app.watch([&](QWidget* w) { return w == shell.menu(); });
    if (!shell.Start())
        die("not started");

    double menuMs = 0, windowMs = 0, settledMs = 0, selectMs = 0;
    long long tAction = 0;
    QTimer::singleShot(kSettleMs, [&] {
        if (!app.paints)
            die("the menu was never painted");
        menuMs = ms(app.firstPaintEnd - t0);

        app.watch([&](QWidget* w) { return w == shell.conversionWindow(); });
        tAction = nowNs();
        shell.menu()->SSCommand4_clicked();
        QTimer::singleShot(kSettleMs, [&] {
            if (!app.paints)
                die("the conversion window was never painted");
            windowMs = ms(app.firstPaintEnd - tAction);
            settledMs = ms(app.lastPaintEnd - tAction);
            auto* list = shell.conversionWindow()->findChild<QListWidget*>(QStringLiteral("List1"));
            if (!list || list->count() != entries)
                die("the list does not hold the catalogue");

            app.watch([&](QWidget* w) { return w == shell.conversionWindow(); });
            tAction = nowNs();
            list->setCurrentRow(entries - 1);
            QTimer::singleShot(kSettleMs, [&] {
                if (!app.paints)
                    die("the selection was never painted");
                selectMs = ms(app.firstPaintEnd - tAction);
                auto* name = shell.conversionWindow()->findChild<QLineEdit*>(QStringLiteral("txt_name"));
                if (!name || name->text() != entryName(entries))
                    die("the selected entry was not loaded");
                std::printf("run %.2f %.2f %.2f %.2f\n", menuMs, windowMs, selectMs, settledMs);
                std::fflush(stdout);
                shell.shutDown();
            });
        });
    });
    return app.exec();
}

// Runs one child; its "run" line, or empty on failure.
std::string runChild(int entries) {
    int fds[2];
    if (pipe(fds) != 0)
        die("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    const std::string count = std::to_string(entries);
    char* argv[] = {const_cast<char*>(self.c_str()), const_cast<char*>("--child"),
                    const_cast<char*>(count.c_str()), nullptr};
    setenv(kT0Variable, std::to_string(nowNs()).c_str(), 1);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0)
        die("spawn");
    std::string out;
    char buf[256];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        out.append(buf, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    return out;
}

int parent(int argc, char** argv, int runs, int entries, const char* keep) {
    // Everything the program would write goes to a folder of its own.
    QTemporaryDir home;
    if (!home.isValid())
        die("no temporary folder");
    const QString h = keep ? QDir(QString::fromLocal8Bit(keep)).absolutePath() : home.path();
    for (const char* sub : {"data", "config", "cache", "runtime"})
        QDir().mkpath(h + QLatin1Char('/') + QLatin1String(sub));
    chmod(QFile::encodeName(h + QStringLiteral("/runtime")).constData(), 0700);
    setenv("HOME", QFile::encodeName(h).constData(), 1);
    setenv("XDG_DATA_HOME", QFile::encodeName(h + QStringLiteral("/data")).constData(), 1);
    setenv("XDG_CONFIG_HOME", QFile::encodeName(h + QStringLiteral("/config")).constData(), 1);
    setenv("XDG_CACHE_HOME", QFile::encodeName(h + QStringLiteral("/cache")).constData(), 1);
    setenv("XDG_RUNTIME_DIR", QFile::encodeName(h + QStringLiteral("/runtime")).constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (keep)
        std::printf("HOME=%s XDG_DATA_HOME=%s/data XDG_CONFIG_HOME=%s/config XDG_CACHE_HOME=%s/cache "
                    "XDG_RUNTIME_DIR=%s/runtime QT_QPA_PLATFORM=offscreen\n",
                    qPrintable(h), qPrintable(h), qPrintable(h), qPrintable(h), qPrintable(h));

    QCoreApplication app(argc, argv);
    const QString folder = h + QStringLiteral("/data/quillmar");
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + catalogue::kFileName;
    QFile::remove(path);
    QString error;
    if (!catalogue::CatalogueStore::CreateEmpty(path, &error))
        die(qPrintable(error));
    std::vector<catalogue::EntryTexts> rows;
    rows.reserve(static_cast<size_t>(entries));
    for (int i = 1; i <= entries; ++i)
        rows.push_back({entryName(i), QStringLiteral("6378137"), QStringLiteral("0.00669438002290"),
                        QStringLiteral("0.9996"), QStringLiteral("500000"), QStringLiteral("0"),
                        QStringLiteral("0 N"), QStringLiteral("3 E")});
    catalogue::CatalogueStore(path).SaveEntries(rows);

    std::vector<double> menu, window, select, settled;
    for (int r = -1; r < runs; ++r) { // the first run warms the caches and is not counted
        const std::string line = runChild(entries);
        double a = 0, b = 0, c = 0, d = 0;
        if (std::sscanf(line.c_str(), "run %lf %lf %lf %lf", &a, &b, &c, &d) != 4)
            die("a run failed");
        std::printf("%s%s", r < 0 ? "warm-up " : "", line.c_str());
        if (r < 0)
            continue;
        menu.push_back(a);
        window.push_back(b);
        select.push_back(c);
        settled.push_back(d);
    }
    auto report = [](const char* name, std::vector<double> v) {
        std::sort(v.begin(), v.end());
        std::printf("%s %.2f %.2f\n", name, v[v.size() / 2], v.front());
    };
    report("menu", menu);
    report("window", window);
    report("select", select);
    report("settled", settled);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0)
        return child(argc, argv, std::atoi(argv[2]));
    int runs = 5, entries = 10000;
    const char* keep = nullptr;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--entries") == 0)
            entries = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--home") == 0)
            keep = argv[i + 1];
    }
    return parent(argc, argv, runs, entries, keep);
}
