// A save that cannot be made says so and leaves the diary, and its folder, exactly as they were.
#include "DiaryFolder.h"
#include "store/IniFile.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

enum class Obstacle {
    ReadOnlyFile,
    ReadOnlyFolder,
    MissingFolder,
    PathIsFolder,
    FullDisk,
    FullDiskNewDiary,
};
enum class Operation { Write, Erase, SaveEntry };

constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

QByteArray diaryBytes()
{
    QStringEncoder cp1251("windows-1251");
    return cp1251.encode(QStringLiteral("; Дневник сна\r\n"
                                        "[10.12.2026]\r\n"
                                        "Сон был=Под утро\r\n"
                                        "Описание=\"Шёл дождь,\\r\\nи я летел\"\r\n"
                                        "\r\n"
                                        "[11.12.2026]\r\n"
                                        "Сон был=Поздно ночью\r\n"));
}

// Bigger than any file size limit set below, with text that has to be quoted and escaped.
QString bigValue()
{
    QString value;
    while (value.size() < 256 * 1024)
        value += QStringLiteral("Долгий сон про море 🌊\r\n");
    return value;
}

void attempt(Operation op, const QString &path)
{
    TIniFile ini(path);
    switch (op) {
    case Operation::Write:
        ini.WriteString(QStringLiteral("11.12.2026"), QStringLiteral("Описание"), bigValue());
        break;
    case Operation::Erase:
        ini.EraseSection(QStringLiteral("10.12.2026"));
        break;
    case Operation::SaveEntry: {
        // A whole entry as one save: a changed entry, a new one, and the big value last.
        TIniFile::Batch batch(ini);
        ini.WriteString(QStringLiteral("10.12.2026"), QStringLiteral("Сон был"),
                        QStringLiteral("Поздно ночью"));
        ini.WriteString(QStringLiteral("12.12.2026"), QStringLiteral("Сон был"),
                        QStringLiteral("Под утро"));
        ini.WriteString(QStringLiteral("12.12.2026"), QStringLiteral("Описание"), bigValue());
        batch.Commit();
        break;
    }
    }
}

struct Outcome {
    enum Kind { Refused, Succeeded, OtherError, Unreachable, SetupFailed } kind;
    QString message;
};

Outcome attemptHere(Operation op, const QString &path)
{
    try {
        attempt(op, path);
        return {Outcome::Succeeded, {}};
    } catch (const EIniFileException &e) {
        return {Outcome::Refused, e.Message()};
    } catch (const std::exception &e) {
        return {Outcome::OtherError, QString::fromUtf8(e.what())};
    }
}

// Runs the attempt in a child process that first gives up root (folder permissions do not stop
// root) or limits the size of the files it may write (as a full disk would). The child only
// reports back through a pipe and its exit code.
Outcome attemptInChild(Operation op, const QString &path, bool asNobody, rlim_t fileSizeLimit)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {Outcome::SetupFailed, QStringLiteral("pipe")};
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return {Outcome::SetupFailed, QStringLiteral("fork")};
    if (pid == 0) {
        ::close(fds[0]);
        if (asNobody) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNogroup) != 0 || ::setuid(kNobody) != 0)
                ::_exit(Outcome::SetupFailed);
            if (::access(folder.constData(), X_OK) != 0)
                ::_exit(Outcome::Unreachable);
        }
        if (fileSizeLimit != RLIM_INFINITY) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                ::_exit(Outcome::SetupFailed);
        }
        const Outcome outcome = attemptHere(op, path);
        const QByteArray message = outcome.message.toUtf8();
        [[maybe_unused]] const auto written = ::write(fds[1], message.constData(), message.size());
        ::_exit(outcome.kind);
    }
    ::close(fds[1]);
    QByteArray message;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0)
            message.append(buffer, n);
        else if (errno != EINTR)
            break;
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status))
        return {Outcome::SetupFailed, QStringLiteral("the child died: status %1").arg(status)};
    return {Outcome::Kind(WEXITSTATUS(status)), QString::fromUtf8(message)};
}

const char *describe(Outcome::Kind kind)
{
    switch (kind) {
    case Outcome::Refused:
        return "refused";
    case Outcome::Succeeded:
        return "succeeded";
    case Outcome::OtherError:
        return "failed with another error";
    case Outcome::Unreachable:
        return "could not reach the folder";
    case Outcome::SetupFailed:
        return "could not be set up";
    }
    return "?";
}

bool isRoot()
{
    return ::geteuid() == 0;
}

} // namespace

class TestWriteFailures : public QObject
{
    Q_OBJECT
private slots:
    void refusedSaveChangesNothing_data();
    void refusedSaveChangesNothing();
};

void TestWriteFailures::refusedSaveChangesNothing_data()
{
    QTest::addColumn<Obstacle>("obstacle");
    QTest::addColumn<Operation>("op");

    QTest::newRow("read-only file, write") << Obstacle::ReadOnlyFile << Operation::Write;
    QTest::newRow("read-only file, erase") << Obstacle::ReadOnlyFile << Operation::Erase;
    QTest::newRow("read-only folder, write") << Obstacle::ReadOnlyFolder << Operation::Write;
    QTest::newRow("read-only folder, erase") << Obstacle::ReadOnlyFolder << Operation::Erase;
    QTest::newRow("missing folder, write") << Obstacle::MissingFolder << Operation::Write;
    QTest::newRow("path is a folder, write") << Obstacle::PathIsFolder << Operation::Write;
    QTest::newRow("disk full, write") << Obstacle::FullDisk << Operation::Write;
    QTest::newRow("disk full, first write") << Obstacle::FullDiskNewDiary << Operation::Write;
    QTest::newRow("read-only file, whole entry") << Obstacle::ReadOnlyFile << Operation::SaveEntry;
    QTest::newRow("read-only folder, whole entry")
        << Obstacle::ReadOnlyFolder << Operation::SaveEntry;
    QTest::newRow("disk full, whole entry") << Obstacle::FullDisk << Operation::SaveEntry;
    QTest::newRow("disk full, first entry") << Obstacle::FullDiskNewDiary << Operation::SaveEntry;
}

void TestWriteFailures::refusedSaveChangesNothing()
{
    QFETCH(Obstacle, obstacle);
    QFETCH(Operation, op);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString folder = root.filePath(obstacle == Obstacle::MissingFolder ? "missing" : "diary");
    const QString path = folder + QStringLiteral("/Save.vnx");
    if (obstacle != Obstacle::MissingFolder)
        QVERIFY(QDir().mkdir(folder));
    if (obstacle == Obstacle::PathIsFolder) {
        QVERIFY(QDir().mkdir(path));
        QVERIFY(writeBytes(path + QStringLiteral("/inside.txt"), "kept"));
    } else if (obstacle != Obstacle::MissingFolder && obstacle != Obstacle::FullDiskNewDiary) {
        QVERIFY(writeBytes(path, diaryBytes()));
        QVERIFY(setMode(path, 0644));
    }
    // Whatever happens, the folder must be removable again afterwards.
    const auto restore = qScopeGuard([&] { setMode(folder, 0755); });

    bool asNobody = false;
    rlim_t fileSizeLimit = RLIM_INFINITY;
    switch (obstacle) {
    case Obstacle::ReadOnlyFile:
        QVERIFY(setMode(path, 0444));
        break;
    case Obstacle::ReadOnlyFolder:
        // Root writes into any folder, so the save is made as nobody, who owns the diary.
        if (isRoot()) {
            asNobody = true;
            QVERIFY(setMode(root.path(), 0711));
            for (const QString &p : {folder, path})
                QVERIFY(::chown(QFile::encodeName(p).constData(), kNobody, kNogroup) == 0);
        }
        QVERIFY(setMode(folder, 0555));
        break;
    case Obstacle::FullDisk:
        fileSizeLimit = rlim_t(QFileInfo(path).size()) + 64;
        break;
    case Obstacle::FullDiskNewDiary:
        fileSizeLimit = 64;
        break;
    case Obstacle::MissingFolder:
    case Obstacle::PathIsFolder:
        break;
    }

    const FolderSnapshot before = FolderSnapshot::of(root.path());
    const bool inChild = asNobody || fileSizeLimit != RLIM_INFINITY;
    const Outcome outcome =
        inChild ? attemptInChild(op, path, asNobody, fileSizeLimit) : attemptHere(op, path);
    if (outcome.kind == Outcome::Unreachable)
        QSKIP("nobody cannot reach the temporary folder; set TMPDIR to a folder all can enter");

    QVERIFY2(outcome.kind == Outcome::Refused,
             qPrintable(QStringLiteral("the save %1: %2")
                            .arg(QLatin1StringView(describe(outcome.kind)), outcome.message)));
    QCOMPARE(outcome.message, QStringLiteral("Unable to write to ") + path);
    const FolderSnapshot after = FolderSnapshot::of(root.path());
    QCOMPARE(after.names(), before.names()); // no temporary file left anywhere
    QVERIFY(after == before);
}

QTEST_GUILESS_MAIN(TestWriteFailures)
#include "tst_writefailures.moc"
