// `cmake --install` into a throw-away prefix: the files a desktop expects,
// in the places it looks, passing the desktop's own validators.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kLauncher = QStringLiteral("share/applications/quillmar.desktop");
const QString kMetainfo = QStringLiteral("share/metainfo/" QUILLMAR_METAINFO_ID ".metainfo.xml");

struct Run {
    int status = -1;
    QString output; // standard output and error together
    QString errors; // standard error alone
};

Run Execute(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit)
        return {-1, QStringLiteral("%1 did not finish: %2").arg(program, p.errorString()), {}};
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()) + err, err};
}

} // namespace

class TestInstall : public QObject {
    Q_OBJECT

    QTemporaryDir prefix_;
    QString at(const QString& relative) const { return prefix_.filePath(relative); }
    QString contents(const QString& relative) const {
        QFile f(at(relative));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

  private slots:
    void initTestCase() {
        QVERIFY(prefix_.isValid());
        const Run r = Execute(QStringLiteral(CMAKE_COMMAND),
                              {QStringLiteral("--install"), QStringLiteral(QUILLMAR_BINARY_DIR),
                               QStringLiteral("--prefix"), prefix_.path()});
        QVERIFY2(r.status == 0, qPrintable(r.output));
    }

    void installedFile_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("executable");
        QTest::newRow("the program") << "bin/quillmar" << true;
#ifdef QUILLMAR_HAVE_BATCH
        QTest::newRow("the batch converter") << "bin/quillmar-batch" << true;
#endif
        QTest::newRow("launcher") << kLauncher << false;
        QTest::newRow("scalable icon") << "share/icons/hicolor/scalable/apps/quillmar.svg" << false;
        QTest::newRow("bitmap icon for menus without SVG")
            << "share/icons/hicolor/256x256/apps/quillmar.png" << false;
        QTest::newRow("small bitmap icon")
            << "share/icons/hicolor/16x16/apps/quillmar.png" << false;
        QTest::newRow("software-centre metadata") << kMetainfo << false;
        QTest::newRow("batch converter manual") << "share/man/man1/quillmar-batch.1" << false;
        QTest::newRow("program manual") << "share/man/man1/quillmar.1" << false;
    }
    void installedFile() {
        QFETCH(QString, path);
        QFETCH(bool, executable);
        const QFileInfo info(at(path));
        QVERIFY2(info.isFile(), qPrintable(path));
        QVERIFY(info.size() > 0);
        QCOMPARE(info.isExecutable(), executable);
    }

    // Static libraries and headers belong to the build, not to a user's system.
    void nothingElseInstalled() {
        QStringList top = QDir(prefix_.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        top.removeOne(QStringLiteral("bin"));
        top.removeOne(QStringLiteral("share"));
        // quillmar-batch's GIS module, loaded only for --output.
        const QStringList libs = QDir(prefix_.filePath(QStringLiteral("lib")))
                                     .entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
        if (top.removeOne(QStringLiteral("lib")))
            QVERIFY2(libs.size() == 1, qPrintable(libs.join(QLatin1String(", "))));
        QVERIFY2(top.isEmpty(), qPrintable(top.join(QLatin1String(", "))));
    }

    void validator_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("reportsOnStdout"); // else stdout is the rendered page
        QTest::newRow("desktop-file-validate")
            << "desktop-file-validate" << QStringList{at(kLauncher)} << true;
        QTest::newRow("appstreamcli, pedantic")
            << "appstreamcli"
            << QStringList{QStringLiteral("validate"), QStringLiteral("--no-net"),
                           QStringLiteral("--pedantic"), at(kMetainfo)}
            << true;
        for (const char* page : {"quillmar-batch.1", "quillmar.1"})
            QTest::addRow("man renders %s without warnings", page)
                << "man"
                << QStringList{QStringLiteral("--warnings"), QStringLiteral("-l"),
                               at(QStringLiteral("share/man/man1/") + QLatin1String(page))}
                << false;
    }
    void validator() {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(bool, reportsOnStdout);
        const QString exe = QStandardPaths::findExecutable(program);
        if (exe.isEmpty() && !reportsOnStdout)
            QSKIP("man is not installed");
        QVERIFY2(!exe.isEmpty(), qPrintable(program + " is missing: run scripts/setup.sh"));
        const Run r = Execute(exe, args);
        QVERIFY2(r.status == 0, qPrintable(r.output));
        // The validators exit 0 on hints and warnings too; a clean file has none.
        const QString report = reportsOnStdout ? r.output : r.errors;
        QVERIFY2(!report.contains(QRegularExpression(QStringLiteral("warning|error|hint"),
                                                     QRegularExpression::CaseInsensitiveOption)),
                 qPrintable(report));
    }

    // The launcher starts the installed program with the installed icon; the
    // metadata names the launcher and the version that was built; the icon is square.
    void contents_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("target"); // %1: the match, a file that must exist
        const QString icon = QStringLiteral("share/icons/hicolor/scalable/apps/quillmar.svg");
        QTest::newRow("Exec names the installed program")
            << kLauncher << "\\[Desktop Entry\\][^\\[]*\\nExec=([^ \\n]+)"
            << "bin/%1";
        QTest::newRow("Icon names the installed icon")
            << kLauncher << "\\[Desktop Entry\\][^\\[]*\\nIcon=([^ \\n]+)"
            << "share/icons/hicolor/scalable/apps/%1.svg";
        QTest::newRow("metadata id") << kMetainfo << "<id>" QUILLMAR_METAINFO_ID "</id>"
                                     << "";
        QTest::newRow("metadata launcher")
            << kMetainfo << "<launchable[^>]*>quillmar.desktop</launchable>"
            << "";
        QTest::newRow("metadata release is the built version")
            << kMetainfo << "<release [^>]*version=\"" QUILLMAR_VERSION "\""
            << "";
        QTest::newRow("square SVG icon")
            << icon << "<svg[^>]* viewBox=\"[-\\d.]+ [-\\d.]+ ([\\d.]+) \\1\""
            << "";
    }
    void contents() {
        QFETCH(QString, file);
        QFETCH(QString, pattern);
        QFETCH(QString, target);
        const QString text = contents(file);
        const auto m = QRegularExpression(pattern).match(text);
        QVERIFY2(m.hasMatch(), qPrintable(text));
        if (!target.isEmpty())
            QVERIFY2(QFileInfo::exists(at(target.arg(m.captured(1)))), qPrintable(m.captured(1)));
    }

#ifdef QUILLMAR_HAVE_BATCH
    // The installed batch converter runs from its new place (no build-tree paths).
    void installedBatchRuns() {
        const Run r = Execute(at(QStringLiteral("bin/quillmar-batch")), {QStringLiteral("--help")});
        QVERIFY2(r.status == 0, qPrintable(r.output));
        QVERIFY(r.output.contains(QLatin1String("geog2grid")));
    }
#endif
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
