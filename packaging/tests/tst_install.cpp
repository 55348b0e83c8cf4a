// `cmake --install` into a throw-away prefix: the files a desktop expects,
// in the places it looks, passing the desktop's own validators.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {

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

// Key=value lines of the [Desktop Entry] group.
QHash<QString, QString> DesktopEntry(const QString& path) {
    QHash<QString, QString> keys;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    bool inGroup = false;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inGroup = line == QLatin1String("[Desktop Entry]");
        else if (inGroup && line.contains(QLatin1Char('=')))
            keys.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    }
    return keys;
}

} // namespace

class TestInstall : public QObject {
    Q_OBJECT

    QTemporaryDir prefix_;
    QString at(const QString& relative) const { return prefix_.filePath(relative); }

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
        QTest::newRow("launcher") << "share/applications/quillmar.desktop" << false;
        QTest::newRow("scalable icon") << "share/icons/hicolor/scalable/apps/quillmar.svg" << false;
        QTest::newRow("bitmap icon for menus without SVG")
            << "share/icons/hicolor/256x256/apps/quillmar.png" << false;
        QTest::newRow("small bitmap icon") << "share/icons/hicolor/16x16/apps/quillmar.png" << false;
        QTest::newRow("software-centre metadata")
            << "share/metainfo/" QUILLMAR_METAINFO_ID ".metainfo.xml" << false;
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
        QStringList stray;
        const QDir root(prefix_.path());
        for (const QString& top : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (top != QLatin1String("bin") && top != QLatin1String("share"))
                stray << top;
        QVERIFY2(stray.isEmpty(), qPrintable(stray.join(QLatin1String(", "))));
    }

    void validator_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("reportsOnStdout"); // else stdout is the rendered page
        QTest::newRow("desktop-file-validate")
            << "desktop-file-validate" << QStringList{at(QStringLiteral("share/applications/quillmar.desktop"))}
            << true;
        QTest::newRow("appstreamcli, pedantic")
            << "appstreamcli"
            << QStringList{QStringLiteral("validate"), QStringLiteral("--no-net"), QStringLiteral("--pedantic"),
                           at(QStringLiteral("share/metainfo/" QUILLMAR_METAINFO_ID ".metainfo.xml"))}
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
        QVERIFY2(!exe.isEmpty(), qPrintable(program + QLatin1String(" is missing: run scripts/setup.sh")));
        const Run r = Execute(exe, args);
        QVERIFY2(r.status == 0, qPrintable(r.output));
        // The validators exit 0 on hints and warnings too; a clean file has none.
        const QString report = reportsOnStdout ? r.output : r.errors;
        QVERIFY2(!report.contains(QLatin1String("warning"), Qt::CaseInsensitive)
                     && !report.contains(QLatin1String("error"), Qt::CaseInsensitive)
                     && !report.contains(QLatin1String("hint"), Qt::CaseInsensitive),
                 qPrintable(report));
    }

    void launcherPointsAtInstalledFiles_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("target");
        QTest::newRow("Exec names the installed program") << "Exec" << "bin/%1";
        QTest::newRow("Icon names the installed icon") << "Icon" << "share/icons/hicolor/scalable/apps/%1.svg";
    }
    void launcherPointsAtInstalledFiles() {
        QFETCH(QString, key);
        QFETCH(QString, target);
        const auto entry = DesktopEntry(at(QStringLiteral("share/applications/quillmar.desktop")));
        const QString value = entry.value(key).section(QLatin1Char(' '), 0, 0);
        QVERIFY(!value.isEmpty());
        QVERIFY2(QFileInfo::exists(at(target.arg(value))), qPrintable(target.arg(value)));
    }

    // The metadata must name the launcher the program registers itself under
    // and the version that was built.
    void metainfoMatchesBuild() {
        QFile f(at(QStringLiteral("share/metainfo/" QUILLMAR_METAINFO_ID ".metainfo.xml")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&f);
        QString id, launchable, release;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("id"))
                id = xml.readElementText();
            else if (xml.name() == QLatin1String("launchable"))
                launchable = xml.readElementText();
            else if (xml.name() == QLatin1String("release"))
                release = xml.attributes().value(QLatin1String("version")).toString();
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(id, QStringLiteral(QUILLMAR_METAINFO_ID));
        QCOMPARE(launchable, QStringLiteral("quillmar.desktop"));
        QCOMPARE(release, QStringLiteral(QUILLMAR_VERSION));
    }

    void iconIsSquareSvg() {
        QFile f(at(QStringLiteral("share/icons/hicolor/scalable/apps/quillmar.svg")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&f);
        QVERIFY(xml.readNextStartElement());
        QCOMPARE(xml.name().toString(), QStringLiteral("svg"));
        const auto viewBox = xml.attributes().value(QLatin1String("viewBox")).toString().split(QLatin1Char(' '));
        QCOMPARE(viewBox.size(), 4);
        QCOMPARE(viewBox[2], viewBox[3]);
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
