// `cpack -G DEB`: the package holds what `cmake --install` puts on a system,
// under /usr, and its control fields let apt install everything it needs.
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run Execute(const QString& program, const QStringList& args, const QString& workDir = {}) {
    QProcess p;
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(program, args);
    if (!p.waitForFinished(1200000) || p.exitStatus() != QProcess::NormalExit)
        return {-1, {}, QStringLiteral("%1 did not finish: %2").arg(program, p.errorString())};
    return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

// Package names of a Depends field, alternatives and versions dropped.
QStringList PackageNames(const QString& depends) {
    QStringList names;
    for (const QString& item : depends.split(QLatin1Char(','), Qt::SkipEmptyParts))
        for (const QString& alt : item.split(QLatin1Char('|')))
            names << alt.trimmed().section(QLatin1Char(' '), 0, 0).section(QLatin1Char(':'), 0, 0);
    return names;
}

} // namespace

class TestPackage : public QObject {
    Q_OBJECT

    QTemporaryDir out_;
    QString deb_;
    QStringList files_;

    QString field(const char* name) {
        const Run r = Execute(QStringLiteral("dpkg-deb"), {QStringLiteral("--field"), deb_, QLatin1String(name)});
        return r.status == 0 ? r.out.trimmed() : QString();
    }

  private slots:
    void initTestCase() {
        QVERIFY(out_.isValid());
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("dpkg-deb")).isEmpty(), "dpkg-deb is missing");
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("dpkg-shlibdeps")).isEmpty(),
                 "dpkg-shlibdeps is missing: run scripts/setup.sh (dpkg-dev)");
        const Run r = Execute(QStringLiteral(CPACK_COMMAND),
                              {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                               QStringLiteral(QUILLMAR_BINARY_DIR "/CPackConfig.cmake"), QStringLiteral("-B"),
                               out_.path()},
                              out_.path());
        QVERIFY2(r.status == 0, qPrintable(r.out + r.err));
        const QStringList debs = QDir(out_.path()).entryList({QStringLiteral("*.deb")}, QDir::Files);
        QCOMPARE(debs.size(), 1);
        deb_ = out_.filePath(debs.first());

        const Run list = Execute(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), deb_});
        QVERIFY2(list.status == 0, qPrintable(list.err));
        // tar lines: mode owner size date time path
        for (const QString& line : list.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            files_ << line.section(QRegularExpression(QStringLiteral("\\s+")), 5);
    }

    void file_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("program") << "./usr/bin/quillmar";
#ifdef QUILLMAR_HAVE_BATCH
        QTest::newRow("batch converter") << "./usr/bin/quillmar-batch";
#endif
        QTest::newRow("launcher") << "./usr/share/applications/quillmar.desktop";
        QTest::newRow("scalable icon") << "./usr/share/icons/hicolor/scalable/apps/quillmar.svg";
        QTest::newRow("bitmap icon") << "./usr/share/icons/hicolor/256x256/apps/quillmar.png";
        QTest::newRow("metadata") << "./usr/share/metainfo/" QUILLMAR_METAINFO_ID ".metainfo.xml";
        QTest::newRow("batch manual") << "./usr/share/man/man1/quillmar-batch.1";
    }
    void file() {
        QFETCH(QString, path);
        QVERIFY2(files_.contains(path), qPrintable(files_.join(QLatin1Char('\n'))));
    }

    // Only /usr: a package that writes to /usr/local or the build tree
    // breaks the system's ownership of files.
    void everythingUnderUsr() {
        QStringList stray;
        for (const QString& f : files_)
            if (f != QLatin1String("./") && (!f.startsWith(QLatin1String("./usr/")) || f.startsWith(QLatin1String("./usr/include/"))
                                             || f.endsWith(QLatin1String(".a"))))
                stray << f;
        QVERIFY2(stray.isEmpty(), qPrintable(stray.join(QLatin1Char('\n'))));
    }

    void controlField_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("package name") << QByteArray("Package") << "^quillmar$";
        QTest::newRow("version is the project's") << QByteArray("Version")
                                                  << "^" + QRegularExpression::escape(QStringLiteral(QUILLMAR_VERSION)) + "$";
        QTest::newRow("maintainer with address") << QByteArray("Maintainer") << "^.+ <[^ >]+@[^ >]+>$";
        QTest::newRow("section") << QByteArray("Section") << "^science$";
        QTest::newRow("description summary") << QByteArray("Description")
                                             << "^Transverse Mercator grid coordinate calculator\\n .+";
        const QString arch = Execute(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")}).out.trimmed();
        QTest::newRow("built for this machine") << QByteArray("Architecture") << "^" + arch + "$";
    }
    void controlField() {
        QFETCH(QByteArray, name);
        QFETCH(QString, pattern);
        const QString value = field(name.constData());
        QVERIFY2(QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption).match(value).hasMatch(),
                 qPrintable(QStringLiteral("%1: %2").arg(QString::fromLatin1(name), value)));
    }

    // Linked libraries come from dpkg-shlibdeps; the plugins Qt loads by name
    // are invisible to it and must be listed by hand.
    void dependency_data() {
        QTest::addColumn<QString>("package");
        QTest::newRow("C library") << "libc6";
        QTest::newRow("Qt core") << "libqt6core6";
        QTest::newRow("Qt gui") << "libqt6gui6";
        QTest::newRow("Qt widgets") << "libqt6widgets6";
        QTest::newRow("Qt sql") << "libqt6sql6";
        QTest::newRow("Qt print support") << "libqt6printsupport6";
        QTest::newRow("Qt network, for the running copy") << "libqt6network6";
        QTest::newRow("GeographicLib, for convergence, scale and geodesics")
            << "libgeographiclib23";
        QTest::newRow("SQLite driver plugin, loaded by name") << "libqt6sql6-sqlite";
        QTest::newRow("X11 platform plugin, loaded by name") << "qt6-qpa-plugins";
        QTest::newRow("SQLite, for the catalogue's defensive mode") << "libsqlite3-0";
        QTest::newRow("PROJ, for the registry of grids") << "libproj25";
        QTest::newRow("GDAL, for quillmar-batch --output") << "libgdal32";
    }
    void dependency() {
        QFETCH(QString, package);
        const QString depends = field("Depends");
        QVERIFY2(PackageNames(depends).contains(package), qPrintable(depends));
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
