#include "capture/modSoundFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include <optional>

#include "core/modError.h"
#include "platform/ProgramFolder.h"
#include "support/ReadOnlyFolder.h"
#include "support/TempHome.h"

class TestSoundFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void copiesTheBundledSoundsOnce_data();
    void copiesTheBundledSoundsOnce();
    void keepsTheUsersOwnFolder();
    void onlyADevelopmentBuildLooksInTheSourceTree();
};

static QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestSoundFiles::copiesTheBundledSoundsOnce_data()
{
    // What stands in the program folder first: "nothing"; "a link as the scratch copy" (left by a start killed
    // half-way, then put in its place), which goes itself, never what it leads to; "a read-only folder", which
    // refuses the copy, said as any file the program could not write.
    QTest::addColumn<QString>("before");
    QTest::newRow("a first start") << "nothing";
    QTest::newRow("a link as the scratch copy") << "a link as the scratch copy";
    QTest::newRow("a read-only folder") << "a read-only folder";
}

void TestSoundFiles::copiesTheBundledSoundsOnce()
{
    QFETCH(QString, before);
    TempHome home;
    const QString source = bundledSoundsFolder();
    QVERIFY2(!source.isEmpty(), "no bundled Sounds folder found");
    const QString target = programFolder() + "/Sounds";
    QVERIFY(!QDir(target).exists());
    const QString elsewhere = home.file("elsewhere");
    QVERIFY(QDir().mkpath(elsewhere) && QFile(elsewhere + "/kept").open(QIODevice::WriteOnly));
    QVERIFY(before != "a link as the scratch copy" || QFile::link(elsewhere, target + ".partial"));
    std::optional<ReadOnlyFolder> readOnly;
    if (before == "a read-only folder") {
        readOnly.emplace(programFolder());
        QVERIFY(readOnly->holds());
        QVERIFY(!InstallBundledSounds());
        QVERIFY2(gErrDescription.startsWith("The sounds folder " + target + " cannot be written: "),
                 qPrintable(gErrDescription));
        QCOMPARE(lastReportedTag(), QStringLiteral("modSoundFiles_InstallBundledSounds"));
        return;
    }
    QVERIFY(InstallBundledSounds());
    QVERIFY(QFile::exists(elsewhere + "/kept"));
    // The names the default settings and the default attribute groups use.
    for (const char* name : {"Button.wav", "Xylophone.wav", "Snaredrumroll.wav", "Alarm.wav"}) {
        const QString copy = target + '/' + QLatin1String(name);
        QVERIFY2(QFile::exists(copy), name);
        QCOMPARE(readAll(copy), readAll(source + '/' + QLatin1String(name)));
        QVERIFY(readAll(copy).startsWith("RIFF"));
        QVERIFY(QFile::permissions(copy) & QFile::WriteOwner);
    }
    QVERIFY(!QFileInfo::exists(target + ".partial") && !QFileInfo(target + ".partial").isSymLink());
    // Small files: mono, short.
    for (const QFileInfo& f : QDir(source).entryInfoList(QDir::Files))
        QVERIFY2(f.size() < 64 * 1024, qPrintable(f.fileName()));
}

void TestSoundFiles::keepsTheUsersOwnFolder()
{
    TempHome home;
    const QString target = programFolder() + "/Sounds";
    QVERIFY(QDir().mkpath(target));
    QFile mine(target + "/Button.wav");
    QVERIFY(mine.open(QIODevice::WriteOnly));
    mine.write("mine");
    mine.close();
    QVERIFY(InstallBundledSounds());
    QCOMPARE(readAll(target + "/Button.wav"), QByteArray("mine"));
    QVERIFY(!QFile::exists(target + "/Alarm.wav"));
}

void TestSoundFiles::onlyADevelopmentBuildLooksInTheSourceTree()
{
    TempHome home; // points the lookup at the source tree, as a development build does
    const QString sourceTree = bundledDataFolder();
    QVERIFY(QFileInfo(sourceTree + "/sounds").isDir());

    // An installed program: share/velquon beside its own folder, never the source tree.
    setDevelopmentDataFolder(QString());
    QVERIFY2(bundledDataFolder() != sourceTree, qPrintable(bundledDataFolder()));
    const QString installed = QCoreApplication::applicationDirPath() + "/../share/velquon";
    if (QFileInfo::exists(installed))
        QSKIP("an installed tree is in the way");
    QVERIFY(QDir().mkpath(installed + "/Sounds"));
    const QString found = bundledDataFolder();
    QDir(installed).removeRecursively();
    QDir().rmdir(QFileInfo(installed).absolutePath());
    QCOMPARE(found, QDir::cleanPath(installed));
    QVERIFY(!QFileInfo::exists(installed));
}

QTEST_GUILESS_MAIN(TestSoundFiles)
#include "test_soundfiles.moc"
