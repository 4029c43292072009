// The file-system checks the batch and the windows rely on.

#include "SystemFixtures.h"
#include "TestSupport.h"
#include "imaging/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class tst_FileSystem : public QObject
{
    Q_OBJECT

private slots:
    void fileSystem();
    void folderWritableReadOnly();
};

void tst_FileSystem::fileSystem()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("第1页 a.jpg"));
    const QString folder = dir.filePath(QStringLiteral("A00001.JPG"));
    QVERIFY(testsupport::touch(file));
    QVERIFY(QDir().mkdir(folder));

    QVERIFY(imaging::fileExists(file));
    QVERIFY(!imaging::fileExists(folder));
    QVERIFY(!imaging::fileExists(dir.filePath(QStringLiteral("missing.jpg"))));
    QVERIFY(imaging::folderExists(dir.path()));
    QVERIFY(!imaging::folderExists(file));
    QVERIFY(imaging::folderWritable(dir.path()));
    QVERIFY(!imaging::folderWritable(dir.filePath(QStringLiteral("missing"))));
    QVERIFY(!imaging::folderWritable(file));
    // The probe leaves nothing behind.
    QCOMPARE(
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(),
        2);

    QVERIFY(imaging::removeFile(file));
    QVERIFY(!QFile::exists(file));
    QVERIFY(imaging::removeFile(file)); // nothing there: gone as well
    // A folder under a piece's name is never deleted in its place.
    QVERIFY(!imaging::removeFile(folder));
    QVERIFY(QDir(folder).exists());
}

void tst_FileSystem::folderWritableReadOnly()
{
#ifndef Q_OS_LINUX
    QSKIP("a folder's permission bits stop writing only on Linux");
#endif
    if (testsupport::runningAsRoot())
        QSKIP("root writes into read-only folders");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("ro"));
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    const bool writable = imaging::folderWritable(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!writable);
}

QTEST_GUILESS_MAIN(tst_FileSystem)
#include "tst_filesystem.moc"
