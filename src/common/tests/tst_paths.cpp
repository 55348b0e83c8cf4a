// Folder and file tests: any error counts as absent, except that a file the
// user may not read is still there.
#include "paths.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class TestPaths : public QObject {
    Q_OBJECT

  private slots:
    void fileExists_data();
    void fileExists();
    void folderExists_data();
    void folderExists();
    void ensureTrailingSeparator_data();
    void ensureTrailingSeparator();

  private:
    QTemporaryDir dir_;
    QString make(const QString& name, const QByteArray& content);
};

QString TestPaths::make(const QString& name, const QByteArray& content) {
    const QString path = dir_.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot create %s", qPrintable(path));
    f.write(content);
    return path;
}

// Paths are relative to the temporary folder; "<empty>" is the empty path.
void TestPaths::fileExists_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("unreadable");
    QTest::addColumn<bool>("expected");
    QTest::newRow("plain file") << "plain.txt" << false << true;
    QTest::newRow("empty file") << "empty.txt" << false << true;
    QTest::newRow("name with blanks") << "with blanks .mdb" << false << true;
    QTest::newRow("missing file") << "missing.mdb" << false << false;
    QTest::newRow("missing folder on the way") << "nowhere/QUILLMAR.MDB" << false << false;
    QTest::newRow("folder") << "sub" << false << false;
    QTest::newRow("folder with trailing separator") << "sub/" << false << false;
    QTest::newRow("empty path") << "<empty>" << false << false;
    // Refused for lack of permission: the file is there all the same.
    QTest::newRow("unreadable file") << "locked.mdb" << true << true;
}

void TestPaths::fileExists() {
    QFETCH(QString, path);
    QFETCH(bool, unreadable);
    QFETCH(bool, expected);
    QVERIFY(dir_.isValid());
    QDir(dir_.path()).mkpath(QStringLiteral("sub"));
    make(QStringLiteral("plain.txt"), "x");
    make(QStringLiteral("empty.txt"), "");
    make(QStringLiteral("with blanks .mdb"), "x");
    const QString locked = make(QStringLiteral("locked.mdb"), "x");
    QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions()));
    if (unreadable && geteuid() == 0)
        QSKIP("root reads a file whatever its permissions");
    const QString full = path == QLatin1String("<empty>") ? QString() : dir_.filePath(path);
    QCOMPARE(common::FileExists(full), expected);
}

void TestPaths::folderExists_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("expected");
    QTest::newRow("empty folder") << "sub" << true;
    QTest::newRow("folder with trailing slash") << "sub/" << true;
    QTest::newRow("missing folder") << "missing" << false;
    QTest::newRow("file is no folder") << "plain.txt" << false;
    QTest::newRow("empty path") << "<empty>" << false;
}

void TestPaths::folderExists() {
    QFETCH(QString, path);
    QFETCH(bool, expected);
    QDir(dir_.path()).mkpath(QStringLiteral("sub"));
    make(QStringLiteral("plain.txt"), "x");
    const QString full = path == QLatin1String("<empty>") ? QString() : dir_.filePath(path);
    const QString before = full;
    QCOMPARE(common::FolderExists(full), expected);
    QCOMPARE(full, before);
}

void TestPaths::ensureTrailingSeparator_data() {
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
    QTest::newRow("root") << "/" << "/";
}

void TestPaths::ensureTrailingSeparator() {
    QFETCH(QString, path);
    QFETCH(QString, expected);
    common::EnsureTrailingSeparator(path);
    QCOMPARE(path, expected);
}

QTEST_GUILESS_MAIN(TestPaths)
#include "tst_paths.moc"
