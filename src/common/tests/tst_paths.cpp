// Folder and file tests: any error counts as absent, except that a file the
// user may not read is still there.
#include "paths.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

class TestPaths : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

  private slots:
    void initTestCase() {
        QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("sub")));
        for (const char* name : {"plain.txt", "with blanks .mdb", "locked.mdb"}) {
            QFile f(dir_.filePath(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("x") == 1);
        }
        QFile empty(dir_.filePath(QStringLiteral("empty.txt")));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        QVERIFY(QFile::setPermissions(dir_.filePath(QStringLiteral("locked.mdb")), {}));
        QVERIFY(::mkfifo(QFile::encodeName(dir_.filePath(QStringLiteral("pipe.mdb"))).constData(), 0600) == 0);
    }

    // Paths are relative to the temporary folder; "<empty>" is the empty path.
    void exists_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("file");
        QTest::addColumn<bool>("folder");
        QTest::newRow("plain file") << "plain.txt" << true << false;
        QTest::newRow("empty file") << "empty.txt" << true << false;
        QTest::newRow("name with blanks") << "with blanks .mdb" << true << false;
        QTest::newRow("missing file") << "missing.mdb" << false << false;
        QTest::newRow("missing folder on the way") << "nowhere/QUILLMAR.MDB" << false << false;
        QTest::newRow("folder") << "sub" << false << true;
        QTest::newRow("folder with trailing separator") << "sub/" << false << true;
        QTest::newRow("empty path") << "<empty>" << false << false;
        // Refused for lack of permission: the file is there all the same.
        QTest::newRow("unreadable file") << "locked.mdb" << true << false;
        // Pins: opening a FIFO to test it blocked start-up for ever.
        QTest::newRow("named pipe answers at once") << "pipe.mdb" << true << false;
    }
    void exists() {
        QFETCH(QString, path);
        QFETCH(bool, file);
        QFETCH(bool, folder);
        if (path == QLatin1String("locked.mdb") && geteuid() == 0)
            QSKIP("root reads a file whatever its permissions");
        const QString full = path == QLatin1String("<empty>") ? QString() : dir_.filePath(path);
        QCOMPARE(common::FileExists(full), file);
        QCOMPARE(common::FolderExists(full), folder);
    }

    void ensureTrailingSeparator_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain folder") << "/a/b" << "/a/b/";
        QTest::newRow("ends in slash") << "/a/b/" << "/a/b/";
        QTest::newRow("ends in backslash") << "C:\\x\\" << "C:\\x\\";
        QTest::newRow("trailing blanks dropped") << "/a/b  " << "/a/b/";
        QTest::newRow("leading blanks kept") << "  /a/b" << "  /a/b/";
        QTest::newRow("slash then blanks left as it was") << "/a/b/  " << "/a/b/  ";
        QTest::newRow("blanks around slash left as it was") << " / " << " / ";
        QTest::newRow("empty path") << "" << "/";
        QTest::newRow("blanks only") << "   " << "/";
    }
    void ensureTrailingSeparator() {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        common::EnsureTrailingSeparator(path);
        QCOMPARE(path, expected);
    }
};

QTEST_GUILESS_MAIN(TestPaths)
#include "tst_paths.moc"
