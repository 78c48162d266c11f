// What a save does to the file beyond its text: who may read it, whether it is touched at all,
// and what it leaves beside it.
#include "DiaryFolder.h"
#include "store/IniFile.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>

namespace
{

enum class Operation { Write, Erase };

const QString kDiaryText = QStringLiteral("[10.12.2026]\r\n"
                                          "Сон был=Под утро\r\n"
                                          "Описание=\"Шёл дождь,\\r\\nи я летел\"\r\n"
                                          "Трактовка=\"  с пробелами  \"\r\n"
                                          "\r\n"
                                          "[11.12.2026]\r\n"
                                          "Сон был=Поздно ночью\r\n");

void apply(Operation op, TIniFile &ini)
{
    if (op == Operation::Write)
        ini.WriteString(QStringLiteral("11.12.2026"), QStringLiteral("Описание"),
                        QStringLiteral("Новый сон"));
    else
        ini.EraseSection(QStringLiteral("10.12.2026"));
}

class UmaskScope
{
public:
    explicit UmaskScope(mode_t mask) : m_previous(::umask(mask)) {}
    ~UmaskScope() { ::umask(m_previous); }

private:
    mode_t m_previous;
};

struct stat statOf(const QString &path)
{
    struct stat st {
    };
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

} // namespace

class TestFileHygiene : public QObject
{
    Q_OBJECT
private slots:
    void newDiaryIsForItsOwnerOnly_data();
    void newDiaryIsForItsOwnerOnly();
    void existingDiaryKeepsItsPermissions_data();
    void existingDiaryKeepsItsPermissions();

    void saveThatChangesNothingLeavesTheFileAlone_data();
    void saveThatChangesNothingLeavesTheFileAlone();

    void leftoversOfAnInterruptedSaveAreRemoved_data();
    void leftoversOfAnInterruptedSaveAreRemoved();
};

void TestFileHygiene::newDiaryIsForItsOwnerOnly_data()
{
    QTest::addColumn<int>("mask");
    QTest::newRow("umask 022") << 0022;
    QTest::newRow("umask 002") << 0002;
    QTest::newRow("umask 000") << 0000;
}

void TestFileHygiene::newDiaryIsForItsOwnerOnly()
{
    QFETCH(int, mask);
    QTemporaryDir dir;
    const QString path = dir.filePath("Save.vnx");
    {
        const UmaskScope scope{mode_t(mask)};
        TIniFile ini(path);
        ini.WriteString(QStringLiteral("11.12.2026"), QStringLiteral("Сон был"),
                        QStringLiteral("Поздно ночью"));
    }
    QCOMPARE(QString::number(modeOf(path), 8), QStringLiteral("600"));
}

void TestFileHygiene::existingDiaryKeepsItsPermissions_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<Operation>("op");
    QTest::newRow("0644, write") << 0644 << Operation::Write;
    QTest::newRow("0644, erase") << 0644 << Operation::Erase;
    QTest::newRow("0600, write") << 0600 << Operation::Write;
    QTest::newRow("0640, write") << 0640 << Operation::Write;
    QTest::newRow("0664, write") << 0664 << Operation::Write; // wider than the umask allows
}

void TestFileHygiene::existingDiaryKeepsItsPermissions()
{
    QFETCH(int, mode);
    QFETCH(Operation, op);
    QTemporaryDir dir;
    const QString path = dir.filePath("Save.vnx");
    QVERIFY(writeBytes(path, cp1251(kDiaryText)));
    QVERIFY(setMode(path, mode_t(mode)));
    const ino_t inode = statOf(path).st_ino;

    const UmaskScope scope(0022);
    TIniFile ini(path);
    apply(op, ini);

    QVERIFY(statOf(path).st_ino != inode); // it was saved, not edited in place
    QCOMPARE(QString::number(modeOf(path), 8), QString::number(mode, 8));
}

void TestFileHygiene::saveThatChangesNothingLeavesTheFileAlone_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value"); // a null value stands for erasing the section

    QTest::newRow("erase a missing entry") << "12.12.2026" << QString() << QString();
    QTest::newRow("write the stored value") << "11.12.2026"
                                            << "Сон был"
                                            << "Поздно ночью";
    QTest::newRow("same value, names in other case") << "10.12.2026"
                                                     << "СОН БЫЛ"
                                                     << "Под утро";
    QTest::newRow("same multi-line value") << "10.12.2026"
                                           << "Описание"
                                           << "Шёл дождь,\r\nи я летел";
    QTest::newRow("same value with blanks at both ends") << "10.12.2026"
                                                         << "Трактовка"
                                                         << "  с пробелами  ";
}

void TestFileHygiene::saveThatChangesNothingLeavesTheFileAlone()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);

    QTemporaryDir dir;
    const QString path = dir.filePath("Save.vnx");
    const QByteArray bytes = cp1251(kDiaryText);
    QVERIFY(writeBytes(path, bytes));
    // Back-date the file so that any write at all would show in its time stamp.
    const timespec longAgo[2] = {{946'684'800, 0}, {946'684'800, 0}};
    QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), longAgo, 0) == 0);
    const struct stat before = statOf(path);

    TIniFile ini(path);
    const auto save = [&] {
        if (value.isNull())
            ini.EraseSection(section);
        else
            ini.WriteString(section, key, value);
    };
    save();
    // The same again as part of a batch, such as the save of a whole entry.
    TIniFile::Batch batch(ini);
    save();
    batch.Commit();

    const struct stat after = statOf(path);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_mtim.tv_sec, longAgo[1].tv_sec);
    QCOMPARE(after.st_mtim.tv_nsec, 0L);
    QCOMPARE(after.st_ctim.tv_sec, before.st_ctim.tv_sec);
    QCOMPARE(after.st_ctim.tv_nsec, before.st_ctim.tv_nsec);
    QCOMPARE(readBytes(path), bytes);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"Save.vnx"});
}

void TestFileHygiene::leftoversOfAnInterruptedSaveAreRemoved_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("isFolder");
    QTest::addColumn<bool>("removed");

    QTest::newRow("the staged new diary") << "Save.vnx.velnora-new" << false << true;
    QTest::newRow("its temporary name") << "Save.vnx.velnora-new.Ab3dE9" << false << true;
    QTest::newRow("a backup of the user's") << "Save.vnx.backup" << false << false;
    QTest::newRow("six letters") << "Save.vnx.qwerty" << false << false;
    QTest::newRow("seven characters") << "Save.vnx.velnora-new.Ab3dE9x" << false << false;
    QTest::newRow("punctuation") << "Save.vnx.velnora-new.Ab-dE9" << false << false;
    QTest::newRow("another diary's") << "Dream.vnx.velnora-new" << false << false;
    QTest::newRow("a longer name") << "Save.vnx.velnora-newer" << false << false;
    QTest::newRow("a folder") << "Save.vnx.velnora-new.Ab3dE9" << true << false;
}

void TestFileHygiene::leftoversOfAnInterruptedSaveAreRemoved()
{
    QFETCH(QString, name);
    QFETCH(bool, isFolder);
    QFETCH(bool, removed);

    QTemporaryDir dir;
    const QString path = dir.filePath("Save.vnx");
    QVERIFY(writeBytes(path, cp1251(kDiaryText)));
    const QString other = dir.filePath(name);
    if (isFolder)
        QVERIFY(QDir().mkdir(other));
    else
        QVERIFY(writeBytes(other, cp1251(kDiaryText)));

    TIniFile ini(path);
    ini.WriteString(QStringLiteral("12.12.2026"), QStringLiteral("Сон был"),
                    QStringLiteral("Под утро"));

    QCOMPARE(QFileInfo::exists(other), !removed);
    QCOMPARE(ini.ReadString(QStringLiteral("12.12.2026"), QStringLiteral("Сон был"), QString()),
             QStringLiteral("Под утро"));
}

QTEST_GUILESS_MAIN(TestFileHygiene)
#include "tst_filehygiene.moc"
