// Starts the real program on a private X server, as a user would start it, and closes it as a
// window manager's close button does. The program runs from a copy in a temporary folder so that
// its diary file lands there and nowhere near the build.
#include "TopLevels.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <memory>

namespace
{

constexpr int kSkipped = 77; // what CTest is told means "skipped"
constexpr int kMapTimeoutMs = 20000;
constexpr int kExitTimeoutMs = 10000;
const QString kTitle = QStringLiteral("Дневник сна");
const QString kDiaryName = QStringLiteral("Save.vnx");

QString programPath()
{
    const QString fromEnvironment = qEnvironmentVariable("VELNORA_EXE");
    return fromEnvironment.isEmpty() ? QStringLiteral(VELNORA_EXE) : fromEnvironment;
}

QByteArray cp1251(const QString &text)
{
    QStringEncoder encoder("windows-1251");
    return encoder.encode(text);
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A diary as the program keeps it: today's entry, with texts over several lines, and an older one.
QByteArray smallDiary()
{
    const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
    const QString text =
        QStringLiteral("[01.03.2024]\r\n"
                       "Сон был=Поздно ночью\r\n"
                       "Ощущения=Спокойствие\r\n"
                       "Описание=Шёл по мосту через реку.\r\n"
                       "Виденное=Мост, река\r\n"
                       "Трактовка=К переменам.\r\n"
                       "Степень ОС=2\r\n"
                       "[%1]\r\n"
                       "Сон был=Перед пробуждением утром\r\n"
                       "Ощущения=\"Лёгкость\\r\\nи радость\"\r\n"
                       "Описание=\"Летал над городом.\\r\\nПотом оказался дома.\"\r\n"
                       "Виденное=Птица, дом\r\n"
                       "Трактовка=\"По соннику полёт — к свободе.\\r\\nСкоро отпуск.\"\r\n"
                       "Степень ОС=7\r\n")
            .arg(today);
    return cp1251(text);
}

QString titles(const std::map<unsigned long, std::string> &windows)
{
    QStringList list;
    for (const auto &[window, title] : windows)
        list << QStringLiteral("\"%1\"").arg(QString::fromStdString(title));
    return list.isEmpty() ? QStringLiteral("none") : list.join(QStringLiteral(", "));
}

} // namespace

class TestSmoke : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void opensAndClosesLeavingTheDiaryAsItWas_data();
    void opensAndClosesLeavingTheDiaryAsItWas();

private:
    QProcess m_xvfb;
    QString m_display;
    QTemporaryDir m_runtime; // the programs' XDG_RUNTIME_DIR
};

void TestSmoke::initTestCase()
{
    QVERIFY2(QFileInfo(programPath()).isExecutable(), qPrintable(programPath()));
    QVERIFY(m_runtime.isValid());
    // The server picks a free display itself and tells us which on its standard output. It must
    // not reset when the last client leaves: the next program could be caught in the reset.
    m_xvfb.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                  QStringLiteral("tcp"), QStringLiteral("-noreset"), QStringLiteral("-screen"),
                  QStringLiteral("0"), QStringLiteral("1024x768x24")});
    QVERIFY2(m_xvfb.waitForStarted(), qPrintable(m_xvfb.errorString()));
    QElapsedTimer timer;
    timer.start();
    while (!m_xvfb.canReadLine() && timer.elapsed() < 10000 && m_xvfb.state() == QProcess::Running)
        m_xvfb.waitForReadyRead(100);
    const QByteArray number = m_xvfb.readLine().trimmed();
    QVERIFY2(!number.isEmpty(), m_xvfb.readAllStandardError().constData());
    m_display = QStringLiteral(":") + QString::fromLatin1(number);
}

void TestSmoke::cleanupTestCase()
{
    if (m_xvfb.state() == QProcess::NotRunning)
        return;
    m_xvfb.terminate();
    if (!m_xvfb.waitForFinished(5000))
        m_xvfb.kill();
    m_xvfb.waitForFinished(5000);
}

void TestSmoke::opensAndClosesLeavingTheDiaryAsItWas_data()
{
    QTest::addColumn<bool>("hasDiary");
    QTest::addColumn<QByteArray>("diary");

    QTest::newRow("first start, no diary") << false << QByteArray();
    QTest::newRow("diary with today's entry") << true << smallDiary();
    QTest::newRow("empty diary file") << true << QByteArray();
    QTest::newRow("file that is no diary")
        << true << QByteArray("\x00\xff\x1a[\r\n=\"\\u{\n\xfe", 13);
}

void TestSmoke::opensAndClosesLeavingTheDiaryAsItWas()
{
    QFETCH(bool, hasDiary);
    QFETCH(QByteArray, diary);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString program = folder.filePath(QStringLiteral("velnora"));
    QVERIFY(QFile::copy(programPath(), program));
    const QString diaryPath = folder.filePath(kDiaryName);
    if (hasDiary) {
        QFile file(diaryPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(diary), diary.size());
    }
    const QStringList before = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);

    TopLevels windows(m_display.toStdString());
    QVERIFY2(windows.connected(), qPrintable(m_display));

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(QDir::tempPath()); // the diary goes beside the program regardless
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, {});
    QVERIFY2(process.waitForStarted(), qPrintable(process.errorString()));
    const auto stop = qScopeGuard([&process] {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(kExitTimeoutMs);
        }
    });

    QElapsedTimer timer;
    timer.start();
    unsigned long window = 0;
    while (!window && timer.elapsed() < kMapTimeoutMs) {
        windows.update(20);
        window = windows.find(kTitle.toStdString());
        QVERIFY2(window || !process.waitForFinished(0),
                 qPrintable(QStringLiteral("the program ended before showing its window, code %1")
                                .arg(process.exitCode())));
    }
    QVERIFY2(window, qPrintable(QStringLiteral("no window titled %1 within %2 s; mapped: %3")
                                    .arg(kTitle)
                                    .arg(kMapTimeoutMs / 1000)
                                    .arg(titles(windows.mapped()))));

    windows.requestClose(window);
    QVERIFY2(process.waitForFinished(kExitTimeoutMs), "the program did not end when its main "
                                                      "window was closed");
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);

    // Looking costs nothing: no diary appears, an existing one is not touched, nothing is left.
    QCOMPARE(QFileInfo::exists(diaryPath), hasDiary);
    if (hasDiary)
        QCOMPARE(readBytes(diaryPath), diary);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), before);
}

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) {
        std::puts("SKIP: Xvfb is not installed");
        return kSkipped;
    }
    TestSmoke test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_smoke.moc"
