// A save killed at any moment leaves the diary as it was before that save or as it is after it.
#include "CrashDiary.h"
#include "DiaryFolder.h"
#include "store/IniFile.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <ctime>

using namespace CrashDiary;

namespace
{

const QString kCheckEntry = QStringLiteral("02.01.2027");
constexpr int kKills = 200;
constexpr qint64 kTimeBudgetMs = 20'000;
// How long the writer runs before it is killed, at most; long enough for dozens of saves.
constexpr int kMaxRunMicroseconds = 40'000;

quint32 seed()
{
    bool ok = false;
    const quint32 fromEnv = qEnvironmentVariable("VELNORA_CRASH_SEED").toUInt(&ok);
    return ok ? fromEnv : QRandomGenerator::system()->generate();
}

void sleepMicroseconds(int us)
{
    timespec ts{us / 1'000'000, long(us % 1'000'000) * 1000};
    while (::nanosleep(&ts, &ts) != 0) {
    }
}

// Everything a reader may find after a kill; the empty string when all is well.
QString inconsistency(const TIniFile &ini)
{
    QStringList sections;
    ini.ReadSections(sections);
    if (!sections.contains(kEntry) || !ini.SectionExists(kEntry))
        return QStringLiteral("the entry %1 is gone; sections: %2")
            .arg(kEntry, sections.join(", "));
    const QString memo = ini.ReadString(kEntry, kMemo, QString());
    if (memo != kOldMemo && memo != kNewMemo)
        return QStringLiteral("the memo is neither the old nor the new text (%1 characters)")
            .arg(memo.size());
    if (sections.contains(kWholeEntry)) {
        const QString first = ini.ReadString(kWholeEntry, kWholeEntryKeys[0], QString());
        const QString turn = first.section(u',', 0, 0);
        for (int field = 0; field < kWholeEntryKeys.size(); ++field) {
            const QString value = ini.ReadString(kWholeEntry, kWholeEntryKeys[field], QString());
            bool ok = false;
            const unsigned n = turn.mid(4).toUInt(&ok);
            if (!ok || value != wholeEntryField(n, field))
                return QStringLiteral("the entry [%1] is half saved: \"%2\" beside \"%3\"")
                    .arg(kWholeEntry, first, value);
        }
    }
    for (const QString &section : std::as_const(sections)) {
        if (section == kEntry || section == kCheckEntry || section == kWholeEntry)
            continue;
        int n = 0;
        while (n < kMaxDatedEntries && datedEntry(n) != section)
            ++n;
        if (n == kMaxDatedEntries)
            return QStringLiteral("unexpected section [%1]").arg(section);
        if (ini.ReadString(section, kMemo, QString()) != datedMemo(n))
            return QStringLiteral("the memo of [%1] is torn").arg(section);
    }
    return {};
}

} // namespace

class TestCrashSafety : public QObject
{
    Q_OBJECT
private slots:
    void killedSavesLeaveAWholeDiary();
};

void TestCrashSafety::killedSavesLeaveAWholeDiary()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Save.vnx");
    TIniFile ini(path);
    ini.WriteString(kEntry, kMemo, kOldMemo);

    const quint32 s = seed();
    qInfo("seed %u (set VELNORA_CRASH_SEED=%u to repeat the same kill times)", s, s);
    QRandomGenerator random(s);

    QElapsedTimer budget;
    budget.start();
    int kills = 0;
    int changedByWriter = 0;
    int leftoversSeen = 0;
    while (kills < kKills && budget.elapsed() < kTimeBudgetMs) {
        const QByteArray before = readBytes(path);
        QProcess writer;
        writer.setProgram(QStringLiteral(CRASH_WRITER));
        writer.setArguments({path});
        writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writer.start();
        QVERIFY2(writer.waitForStarted(), qPrintable(writer.errorString()));
        QVERIFY2(writer.waitForReadyRead(10'000), "the writer did not start saving");
        sleepMicroseconds(random.bounded(kMaxRunMicroseconds));
        QCOMPARE(writer.state(), QProcess::Running); // it saves until killed, never stops itself
        ::kill(pid_t(writer.processId()), SIGKILL);
        QVERIFY(writer.waitForFinished());
        QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
        ++kills;
        changedByWriter += readBytes(path) != before;

        const QStringList beside = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        leftoversSeen += beside.size() - 1;
        const QString problem = inconsistency(ini);
        QVERIFY2(problem.isEmpty(),
                 qPrintable(
                     QStringLiteral("after kill %1: %2 (seed %3)").arg(kills).arg(problem).arg(s)));

        // The next save clears whatever the killed one left beside the diary.
        ini.WriteString(kCheckEntry, kMemo, QString::number(kills));
        QCOMPARE(
            QDir(dir.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            QStringList{"Save.vnx"});
    }
    qInfo("%d kills in %lld ms; %d of them after the writer had changed the diary; "
          "%d temporary files found beside it right after a kill",
          kills, budget.elapsed(), changedByWriter, leftoversSeen);
    QVERIFY(changedByWriter > 0);
}

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
