#include "TestSupport.h"
#include "app/Startup.h"
#include "app/Wizard.h"
#include "platform/InstanceLock.h"
#include "select/PictureListWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstdio>
#include <memory>

#ifndef Q_OS_WIN
#include <signal.h>
#endif

namespace {

const QString lockName = QStringLiteral("qinghe-splitter");

// Helper mode of this executable: holds the lock in its own process until stdin closes
// or it is killed, so that a crashed copy can be played.
int holdLock(int argc, char *argv[])
{
    // A GUI application, so that the desktop in the lock's name is the test's own.
    QGuiApplication app(argc, argv);
    const platform::InstanceLock lock(lockName, QString::fromLocal8Bit(argv[2]));
    std::puts(lock.acquired() ? "locked" : "refused");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
}

#ifndef Q_OS_WIN
// A process id that no running process has.
qint64 deadPid()
{
    for (qint64 pid = 4194000; pid > 1000; --pid) {
        if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            return pid;
    }
    return -1;
}
#endif

} // namespace

class tst_Startup : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void secondLockRefused();
    void secondCopyShowsBoxAndNoWindow();
    void firstCopyShowsStep1();
    void staleLockOfDeadProcessTakenOver();
    void liveHolderRefusesThenKilledHolderTakenOver();
    void unusableLockFolderDoesNotBlock();
    void lockKeyedOnUserAndDesktop_data();
    void lockKeyedOnUserAndDesktop();
    void qtSpeaksChinese(); // last: the translation stays installed

private:
    std::unique_ptr<QTemporaryDir> folder;
};

void tst_Startup::init()
{
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
}

void tst_Startup::cleanup()
{
    folder.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void tst_Startup::secondLockRefused()
{
    auto first = std::make_unique<platform::InstanceLock>(lockName, folder->path());
    QVERIFY(first->acquired());
#ifndef Q_OS_WIN // a file there; on Windows a mutex
    QVERIFY(first->path().startsWith(folder->path()));
#endif
    {
        const platform::InstanceLock second(lockName, folder->path());
        QVERIFY(!second.acquired());
    }
    // The refused second copy must not have removed the first one's lock.
#ifndef Q_OS_WIN
    QVERIFY(QFile::exists(first->path()));
#endif
    const platform::InstanceLock third(lockName, folder->path());
    QVERIFY(!third.acquired());
    first.reset();
    const platform::InstanceLock afterEnd(lockName, folder->path());
    QVERIFY(afterEnd.acquired());
}

void tst_Startup::secondCopyShowsBoxAndNoWindow()
{
    testsupport::ScriptedBoxes boxes;
    const platform::InstanceLock first(lockName, folder->path());
    const platform::InstanceLock second(lockName, folder->path());
    QVERIFY(!second.acquired());

    const std::unique_ptr<Wizard> wizard = startProgram(second);
    QVERIFY(!wizard);
    QCOMPARE(boxes.lines(), QStringList{testsupport::boxLine("错误信息", "程序已经运行在内存中 ！",
                                                             platform::BoxIcon::Error)});
    QVERIFY(!boxes.shown().front().owner);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
    QVERIFY(first.acquired());
}

void tst_Startup::firstCopyShowsStep1()
{
    testsupport::ScriptedBoxes boxes;
    const platform::InstanceLock lock(lockName, folder->path());
    std::unique_ptr<Wizard> wizard = startProgram(lock);
    QVERIFY(wizard);
    QVERIFY(boxes.shown().empty());
    QVERIFY(wizard->step1().isVisible());
    const auto *partsBox = testsupport::control<QComboBox>(wizard->step1(), "partsBox");
    QVERIFY(partsBox);
    QCOMPARE(partsBox->currentText(), QStringLiteral("4"));
    QVERIFY(!wizard->step2());
    QVERIFY(!wizard->step3());
    wizard.reset();
}

void tst_Startup::lockKeyedOnUserAndDesktop_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<QString>("name");
    using testsupport::textRow;
    textRow("first X display", {"1000", ":0", "qinghe-splitter-1000-_0.lock"});
    textRow("second X display", {"1000", ":1", "qinghe-splitter-1000-_1.lock"});
    textRow("remote display", {"1000", "host:10.0", "qinghe-splitter-1000-host_10.0.lock"});
    textRow("another user", {"1001", ":0", "qinghe-splitter-1001-_0.lock"});
    textRow("Wayland socket", {"1000", "wayland-1", "qinghe-splitter-1000-wayland-1.lock"});
    textRow("no way out of the folder", {"1000", "../x", "qinghe-splitter-1000-.._x.lock"});
}

void tst_Startup::lockKeyedOnUserAndDesktop()
{
    QFETCH(QString, user);
    QFETCH(QString, desktop);
    QFETCH(QString, name);
    QCOMPARE(platform::instanceLockFileName(lockName, user, desktop), name);
}

void tst_Startup::staleLockOfDeadProcessTakenOver()
{
#ifdef Q_OS_WIN
    QSKIP("a lock file only outside Windows; the mutex dies with its copy");
#else
    const qint64 pid = deadPid();
    QVERIFY(pid > 0);
    // Written the way QLockFile writes it: process id, program name, host name.
    QString path;
    {
        const platform::InstanceLock probe(lockName, folder->path());
        path = probe.path();
    }
    QVERIFY(testsupport::writeBytes(path, QByteArray::number(pid) + '\n' + "qinghe-splitter\n" +
                                              QSysInfo::machineHostName().toUtf8() + '\n'));

    const platform::InstanceLock lock(lockName, folder->path());
    QVERIFY(lock.acquired());
    QVERIFY(QFile::exists(lock.path()));
#endif
}

void tst_Startup::liveHolderRefusesThenKilledHolderTakenOver()
{
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--hold-lock"), folder->path()});
    QVERIFY(holder.waitForStarted());
    QVERIFY(holder.waitForReadyRead());
    QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));

    {
        const platform::InstanceLock lock(lockName, folder->path());
        QVERIFY(!lock.acquired());
    }
    holder.kill(); // a crash: the lock file stays behind
    QVERIFY(holder.waitForFinished());
#ifndef Q_OS_WIN
    QCOMPARE(QDir(folder->path()).entryList({lockName + QStringLiteral("*.lock")}).size(), 1);
#endif

    const platform::InstanceLock lock(lockName, folder->path());
    QVERIFY(lock.acquired());
}

void tst_Startup::unusableLockFolderDoesNotBlock()
{
    // A folder that cannot exist: its parent is a file.
    const QString file = folder->filePath(QStringLiteral("plain-file"));
    QVERIFY(testsupport::writeBytes(file, {}));
    testsupport::ScriptedBoxes boxes;
    const platform::InstanceLock lock(lockName, file + QStringLiteral("/locks"));
    QVERIFY(lock.acquired());
    std::unique_ptr<Wizard> wizard = startProgram(lock);
    QVERIFY(wizard);
    QVERIFY(boxes.shown().empty());
    wizard.reset();
}

void tst_Startup::qtSpeaksChinese()
{
    const QString file =
        QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_zh_CN.qm");
    if (!QFile::exists(file))
        QSKIP("Qt's Chinese translation is not installed here");
    installChineseTranslation();
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("确定"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("是(&Y)"));
}

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--hold-lock") == 0)
        return holdLock(argc, argv);
    QApplication app(argc, argv);
    tst_Startup test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"
