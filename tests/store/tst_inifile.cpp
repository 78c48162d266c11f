#include "DiaryBytes.h"
#include "store/IniFile.h"

#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

const QString kDate = QStringLiteral("11.12.2026");
// The six keys of an entry, in the order a new entry receives them.
const QStringList kKeys = {"Сон был",  "Ощущения",  "Описание",
                           "Виденное", "Трактовка", "Степень ОС"};

QByteArray fixture(const QString &name)
{
    return readBytes(QStringLiteral(FIXTURES "/") + name);
}

QStringList sections(const TIniFile &ini)
{
    QStringList list{"stale item"};
    ini.ReadSections(list);
    return list;
}

// One write of a save; a null value erases the section instead.
struct Step {
    QString section;
    QString key;
    QString value;
};
using Steps = QList<Step>;

void apply(TIniFile &ini, const Steps &steps)
{
    for (const Step &step : steps) {
        if (step.value.isNull())
            ini.EraseSection(step.section);
        else
            ini.WriteString(step.section, step.key, step.value);
    }
}

// Everything a reader can learn of the sections and keys the steps touched.
QStringList whatReadsSee(const TIniFile &ini, const Steps &steps)
{
    QStringList seen = sections(ini);
    for (const Step &step : steps) {
        seen << QString::number(ini.SectionExists(step.section));
        if (!step.key.isEmpty())
            seen << ini.ReadString(step.section, step.key, QStringLiteral("(нет)"));
    }
    return seen;
}

Steps wholeEntry(const QString &date, const QStringList &values)
{
    Steps steps;
    for (int i = 0; i < kKeys.size(); ++i)
        steps.append({date, kKeys[i], values.value(i)});
    return steps;
}

} // namespace

Q_DECLARE_METATYPE(Steps)

class TestIniFile : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void missingFileIsAnEmptyDiary();
    void firstSaveWritesTheEntryInWindows1251();
    void sectionsKeepTheirOrder();
    void replacingKeepsPlaceAndSpelling();
    void eraseRemovesOnlyThatSection();
    void sectionWithoutKeysIsListedButAbsent();

    void valuesReadBackExactly_data();
    void valuesReadBackExactly();
    void plainValuesStayPlain_data();
    void plainValuesStayPlain();
    void randomValuesReadBackExactly();
    void quotedValuesWrittenByHandAreUnquoted();

    void sectionNames_data();
    void sectionNames();

    void foreignContentSurvivesByteForByte();
    void tolerantReading_data();
    void tolerantReading();
    void writingKeepsTheFilesConventions_data();
    void writingKeepsTheFilesConventions();
    void utf8DiaryHoldsAnyCharacter();
    void largeDiariesReadWhole_data();
    void largeDiariesReadWhole();
    void lineBreakOnAReadBoundary_data();
    void lineBreakOnAReadBoundary();
    void readsSeeEveryChangeMadeByOthers_data();
    void readsSeeEveryChangeMadeByOthers();

    void batchSavesWhatSeparateWritesSave_data();
    void batchSavesWhatSeparateWritesSave();
    void droppedBatchLeavesTheFileAlone();

private:
    QString path() const { return m_dir->filePath("Save.vnx"); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestIniFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestIniFile::missingFileIsAnEmptyDiary()
{
    const TIniFile ini(path());
    QCOMPARE(sections(ini), QStringList());
    QVERIFY(!ini.SectionExists(kDate));
    QCOMPARE(ini.ReadString(kDate, "Описание", " "), QString());
    QCOMPARE(ini.ReadString(kDate, "Описание", "по умолчанию  "), "по умолчанию");
    QVERIFY(!QFile::exists(path()));
}

void TestIniFile::firstSaveWritesTheEntryInWindows1251()
{
    TIniFile ini(path());
    const QStringList values = {"Поздно ночью", "Страх",       "Шёл по мосту",
                                "Мост, река",   "К переменам", "3"};
    for (int i = 0; i < kKeys.size(); ++i)
        ini.WriteString(kDate, kKeys[i], values[i]);

    QCOMPARE(readBytes(path()), cp1251("[11.12.2026]\r\nСон был=Поздно ночью\r\nОщущения=Страх\r\n"
                                       "Описание=Шёл по мосту\r\nВиденное=Мост, река\r\n"
                                       "Трактовка=К переменам\r\nСтепень ОС=3\r\n"));
    QVERIFY(ini.SectionExists(kDate));
    QCOMPARE(sections(ini), QStringList{kDate});
}

void TestIniFile::sectionsKeepTheirOrder()
{
    TIniFile ini(path());
    for (const QString date : {"03.12.2026", "01.12.2026", "02.12.2026"})
        ini.WriteString(date, "Описание", date);
    QCOMPARE(sections(ini), (QStringList{"03.12.2026", "01.12.2026", "02.12.2026"}));
}

void TestIniFile::replacingKeepsPlaceAndSpelling()
{
    writeBytes(path(), cp1251("[01.12.2026]\r\nОПИСАНИЕ = Лес\r\nСтепень ОС=1\r\n"
                              "[02.12.2026]\r\nОписание=Море\r\n"));
    TIniFile ini(path());
    ini.WriteString("01.12.2026", "Описание", "Поле");
    ini.WriteString("01.12.2026", "Трактовка", "К покою");
    QCOMPARE(readBytes(path()), cp1251("[01.12.2026]\r\nОПИСАНИЕ = Поле\r\nСтепень ОС=1\r\n"
                                       "Трактовка=К покою\r\n[02.12.2026]\r\nОписание=Море\r\n"));
    QCOMPARE(sections(ini), (QStringList{"01.12.2026", "02.12.2026"}));
}

void TestIniFile::eraseRemovesOnlyThatSection()
{
    const QByteArray first = cp1251("; мои сны\r\n[01.12.2026]\r\nОписание=Лес\r\n\r\n");
    const QByteArray middle = cp1251("[02.12.2026]\r\nОписание=Море\r\n; о море\r\n");
    const QByteArray last = cp1251("[03.12.2026]\r\nОписание=Горы");
    writeBytes(path(), first + middle + last);
    TIniFile ini(path());

    ini.EraseSection("02.12.2026");
    QCOMPARE(readBytes(path()), first + last);
    QCOMPARE(sections(ini), (QStringList{"01.12.2026", "03.12.2026"}));

    ini.EraseSection("03.12.2026");
    QCOMPARE(readBytes(path()), first);
    ini.EraseSection("01.12.2026");
    QCOMPARE(readBytes(path()), cp1251("; мои сны\r\n"));
}

void TestIniFile::sectionWithoutKeysIsListedButAbsent()
{
    writeBytes(path(), fixture("keyless.vnx"));
    const TIniFile ini(path());
    QCOMPARE(sections(ini), (QStringList{"01.12.2026", "02.12.2026", "03.12.2026"}));
    QVERIFY(!ini.SectionExists("01.12.2026"));
    QVERIFY(ini.SectionExists("02.12.2026"));
    QVERIFY(!ini.SectionExists("03.12.2026")); // a comment is not a key

    // Saving into a header without keys puts the key right under it.
    TIniFile(path()).WriteString("01.12.2026", "Описание", "Дом");
    QVERIFY(readBytes(path()).startsWith(cp1251("[01.12.2026]\r\nОписание=Дом\r\n[02.12.2026]")));
}

void TestIniFile::valuesReadBackExactly_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << QString();
    QTest::newRow("lines CR LF") << QString("первая строка\r\nвторая\r\n\r\nчетвёртая");
    QTest::newRow("lines LF") << QString("раз\nдва\n");
    QTest::newRow("lines CR") << QString("раз\rдва");
    QTest::newRow("only a break") << QString("\r\n");
    QTest::newRow("blanks at the ends") << QString("  с пробелами \t");
    QTest::newRow("only a space") << QString(" ");
    QTest::newRow("quoted") << QString("\"в кавычках\"");
    QTest::newRow("one quote") << QString("\"");
    QTest::newRow("quotes inside") << QString("он сказал \"стой\" и ушёл");
    QTest::newRow("backslashes") << QString("C:\\сны\\new\\\\");
    QTest::newRow("escape look-alikes") << QString("\"\\u{41}\\r\\n\"");
    QTest::newRow("equals and brackets") << QString("[не раздел]=a=b[");
    QTest::newRow("header look-alike lines") << QString("x\r\n[01.12.2026]\r\nОписание=чужое");
    QTest::newRow("comment look-alike") << QString("; не комментарий");
    QTest::newRow("emoji") << QString("луна 🌙 и звёзды ✨");
    QTest::newRow("other scripts") << QString("夢 ονειρο חלום");
    QTest::newRow("control characters") << QString(QStringLiteral("a\x01\tb\x1a")) + QChar(0) + "c";
    QTest::newRow("lone surrogate") << QString(QChar(0xD83C)) + "x";
    QTest::newRow("megabytes") << QString("Длинный сон. ").repeated(200'000);
}

void TestIniFile::valuesReadBackExactly()
{
    QFETCH(QString, value);
    TIniFile ini(path());
    ini.WriteString(kDate, "Сон был", "до");
    ini.WriteString(kDate, "Описание", value);
    ini.WriteString(kDate, "Трактовка", "после");

    QCOMPARE(ini.ReadString(kDate, "Описание", " "), value);
    QCOMPARE(ini.ReadString(kDate, "Сон был", " "), "до");
    QCOMPARE(ini.ReadString(kDate, "Трактовка", " "), "после");
    QCOMPARE(sections(ini), QStringList{kDate});
    QCOMPARE(readBytes(path()).count("\r\n"),
             4); // one header and three key lines, whatever the value
}

void TestIniFile::plainValuesStayPlain_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("Cyrillic") << QString("Видел белую лошадь, ёлку и №5");
    QTest::newRow("punctuation") << QString("a = b; [c] \"d\" e\\f");
    QTest::newRow("quote at one end") << QString("\"начало");
    QTest::newRow("digit") << QString("10");
}

void TestIniFile::plainValuesStayPlain()
{
    QFETCH(QString, value);
    TIniFile(path()).WriteString(kDate, "Описание", value);
    QCOMPARE(readBytes(path()), cp1251("[11.12.2026]\r\nОписание=" + value + "\r\n"));
}

void TestIniFile::randomValuesReadBackExactly()
{
    // The characters that break naive diary files, drawn at random into values of random length.
    const QStringList alphabet = {"\r",
                                  "\n",
                                  "\r\n",
                                  " ",
                                  "\t",
                                  "\"",
                                  "\\",
                                  "=",
                                  "[",
                                  "]",
                                  ";",
                                  "u",
                                  "{",
                                  "}",
                                  "\\u{",
                                  "Ё",
                                  "я",
                                  "a",
                                  "7",
                                  "😀",
                                  "夢",
                                  "€",
                                  QString(QChar(0)),
                                  "\x1a",
                                  "\xA0"};
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo() << "seed" << seed;
    QRandomGenerator random(seed);
    TIniFile ini(path());
    QMap<QString, QString> written;
    for (int round = 0; round < 300; ++round) {
        QString value;
        const int length = random.bounded(0, 40);
        for (int i = 0; i < length; ++i)
            value += alphabet.at(random.bounded(qsizetype(alphabet.size())));
        const QString key = kKeys.at(random.bounded(qsizetype(kKeys.size())));
        const QString date = QStringLiteral("%1.12.2026").arg(random.bounded(1, 5));
        ini.WriteString(date, key, value);
        written[date + '|' + key] = value;
        for (auto it = written.cbegin(); it != written.cend(); ++it) {
            const QStringList where = it.key().split('|');
            QCOMPARE(ini.ReadString(where[0], where[1], " "), it.value());
        }
    }
}

void TestIniFile::quotedValuesWrittenByHandAreUnquoted()
{
    writeBytes(path(), cp1251("[a]\r\nx=\"в кавычках\"\r\ny=\"\"\r\nz=\"C:\\temp\\сны\"\r\n"));
    const TIniFile ini(path());
    QCOMPARE(ini.ReadString("a", "x", " "), "в кавычках");
    QCOMPARE(ini.ReadString("a", "y", " "), QString());
    QCOMPARE(ini.ReadString("a", "z", " "), "C:\\temp\\сны"); // unknown escapes stay as typed
}

void TestIniFile::sectionNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("kept");
    QTest::newRow("date") << QString("11.12.2026") << true;
    QTest::newRow("any text") << QString("вчера, после бессонницы") << true;
    QTest::newRow("closing bracket") << QString("a]b]") << true;
    QTest::newRow("opening bracket") << QString("[x") << true;
    QTest::newRow("equals and semicolon") << QString(";x=y") << true;
    QTest::newRow("inner blanks") << QString("11 12  2026") << true;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("leading blank") << QString(" 11.12.2026") << false;
    QTest::newRow("trailing blank") << QString("11.12.2026 ") << false;
    QTest::newRow("line break") << QString("11.12\n2026") << false;
    QTest::newRow("control character") << QString("11.12\x01") << false;
    QTest::newRow("emoji") << QString("11.12.2026 🌙") << false;
}

void TestIniFile::sectionNames()
{
    QFETCH(QString, name);
    QFETCH(bool, kept);
    const QByteArray before = cp1251("[01.12.2026]\r\nОписание=Лес\r\n");
    writeBytes(path(), before);
    TIniFile ini(path());

    if (kept) {
        ini.WriteString(name, "Описание", "Море");
        QCOMPARE(sections(ini), (QStringList{"01.12.2026", name}));
        QVERIFY(ini.SectionExists(name));
        QCOMPARE(ini.ReadString(name, "Описание", " "), "Море");
        QCOMPARE(ini.ReadString("01.12.2026", "Описание", " "), "Лес");
        ini.EraseSection(name);
        QCOMPARE(readBytes(path()), before);
    } else {
        QVERIFY_THROWS_EXCEPTION(EIniFileException, ini.WriteString(name, "Описание", "Море"));
        try {
            ini.WriteString(name, "Описание", "Море");
        } catch (const EIniFileException &e) {
            QVERIFY2(e.Message().startsWith("Дата записи"), qPrintable(e.Message()));
        }
        QCOMPARE(readBytes(path()), before);
        QVERIFY(!ini.SectionExists(name));
    }
}

void TestIniFile::foreignContentSurvivesByteForByte()
{
    writeBytes(path(), fixture("foreign_content.vnx"));
    TIniFile ini(path());
    QCOMPARE(sections(ini), (QStringList{"01.12.2026", "02.12.2026"}));
    QCOMPARE(ini.ReadString("01.12.2026", "Описание", " "), "Летал над рекой");

    ini.WriteString("01.12.2026", "Описание", "Плыл по морю");
    ini.WriteString("01.12.2026", "Трактовка", "к дороге");
    ini.WriteString("02.12.2026", "Описание", "Лес"); // already stored: nothing to change
    ini.EraseSection("05.12.2026");                   // not there: nothing to change
    QCOMPARE(readBytes(path()), fixture("foreign_content.expected.vnx"));
}

void TestIniFile::tolerantReading_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("section");
    QTest::newRow("LF only") << "lf_only.vnx"
                             << "01.12.2026";
    QTest::newRow("CR only") << "cr_only.vnx"
                             << "01.12.2026";
    QTest::newRow("no final line break") << "no_final_break.vnx"
                                         << "01.12.2026";
    QTest::newRow("^Z at the end") << "ctrl_z.vnx"
                                   << "01.12.2026";
    QTest::newRow("UTF-8 with BOM") << "utf8_bom.vnx"
                                    << "01.12.2026";
    QTest::newRow("blanks around names") << "blanks.vnx"
                                         << "01.12.2026";
    QTest::newRow("letter case") << "letter_case.vnx"
                                 << "дата НОЧЬЮ";
}

void TestIniFile::tolerantReading()
{
    QFETCH(QString, file);
    QFETCH(QString, section);
    writeBytes(path(), fixture(file));
    const TIniFile ini(path());
    QCOMPARE(sections(ini).size(), 1);
    QVERIFY(ini.SectionExists(section));
    QCOMPARE(ini.ReadString(section, "Сон был", " "), "Поздно ночью");
    QCOMPARE(ini.ReadString(section, "ОПИСАНИЕ", " "), "Лес");
}

void TestIniFile::writingKeepsTheFilesConventions_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray entry = "[01.12.2026]%1Сон был=Поздно ночью%1Описание=Лес%1";
    const auto lines = [&](const char *eol) { return QString(entry).arg(eol); };
    QTest::newRow("LF only") << "lf_only.vnx" << cp1251(lines("\n") + "[новая]\nx=1\n");
    QTest::newRow("CR only") << "cr_only.vnx" << cp1251(lines("\r") + "[новая]\rx=1\r");
    QTest::newRow("no final line break")
        << "no_final_break.vnx" << cp1251(lines("\r\n") + "[новая]\r\nx=1\r\n");
    QTest::newRow("^Z stays last")
        << "ctrl_z.vnx" << cp1251(lines("\r\n") + "[новая]\r\nx=1\r\n\x1a");
    QTest::newRow("UTF-8 stays UTF-8")
        << "utf8_bom.vnx"
        << "\xEF\xBB\xBF" + (lines("\r\n") + "[новая]\r\nx=1\r\n").toUtf8();
}

void TestIniFile::utf8DiaryHoldsAnyCharacter()
{
    writeBytes(path(), fixture("utf8_bom.vnx"));
    TIniFile ini(path());
    const QString value = QStringLiteral("луна 🌙, 夢 и\r\nперевод строки");
    ini.WriteString("01.12.2026", "Описание", value);
    ini.WriteString("луна 🌙", "Описание", "раздел с эмодзи");
    QCOMPARE(ini.ReadString("01.12.2026", "Описание", " "), value);
    QCOMPARE(ini.ReadString("луна 🌙", "Описание", " "), "раздел с эмодзи");
    QVERIFY(readBytes(path()).startsWith("\xEF\xBB\xBF"));
}

void TestIniFile::largeDiariesReadWhole_data()
{
    QTest::addColumn<QByteArray>("eol");
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<QByteArray>("suffix");
    QTest::newRow("CR LF") << QByteArray("\r\n") << QByteArray() << QByteArray();
    QTest::newRow("LF") << QByteArray("\n") << QByteArray() << QByteArray();
    QTest::newRow("CR") << QByteArray("\r") << QByteArray() << QByteArray();
    QTest::newRow("UTF-8, ^Z") << QByteArray("\r\n") << QByteArray("\xEF\xBB\xBF")
                               << QByteArray("\x1a\x1a");
}

void TestIniFile::largeDiariesReadWhole()
{
    // Sections of every length, so that line breaks (a CR LF split in two included) fall on
    // every side of the places where the file is read in pieces.
    QFETCH(QByteArray, eol);
    QFETCH(QByteArray, prefix);
    QFETCH(QByteArray, suffix);
    const bool utf8 = !prefix.isEmpty();
    const auto bytes = [&](const QString &text) { return utf8 ? text.toUtf8() : cp1251(text); };
    QByteArray file = prefix;
    QStringList names;
    QList<QString> values;
    for (int i = 0; i < 700; ++i) {
        const QString name = QStringLiteral("%1 день").arg(i);
        // Brackets inside values are text; a header may stand after blanks.
        const QString value =
            QStringLiteral("сон [").repeated(1 + (i * 37) % 400) + QString::number(i);
        names.append(name);
        values.append(value);
        const QString indent = i % 5 == 0 ? QStringLiteral(" \t") : QString();
        file += bytes(indent + "[" + name + "]") + eol + bytes("Описание=" + value) + eol;
        if (i % 7 == 0)
            file += eol; // blank lines between some entries
    }
    file.chop(eol.size()); // and no line break after the last one
    file += suffix;
    writeBytes(path(), file);

    const TIniFile ini(path());
    QCOMPARE(sections(ini), names);
    for (int i = 0; i < names.size(); i += 1) {
        QVERIFY(ini.SectionExists(names[i]));
        QCOMPARE(ini.ReadString(names[i], "Описание", " "), values[i]);
    }
}

void TestIniFile::lineBreakOnAReadBoundary_data()
{
    QTest::addColumn<QByteArray>("eol");
    QTest::newRow("CR LF split in two") << QByteArray("\r\n");
    QTest::newRow("lone CR last in a piece") << QByteArray("\r");
    QTest::newRow("LF last in a piece") << QByteArray("\n");
}

void TestIniFile::lineBreakOnAReadBoundary()
{
    // Reads go through the file in pieces of 256 KiB: here the first value's line break starts
    // on the last byte of the first piece.
    QFETCH(QByteArray, eol);
    const QByteArray head = "[a]" + eol + "x=";
    const QByteArray value(256 * 1024 - 1 - head.size(), 'v');
    writeBytes(path(), head + value + eol + "[b]" + eol + "y=1" + eol);
    const TIniFile ini(path());
    QCOMPARE(sections(ini), (QStringList{"a", "b"}));
    QCOMPARE(ini.ReadString("a", "x", " ").toLatin1(), value);
    QCOMPARE(ini.ReadString("b", "y", " "), "1");
}

void TestIniFile::readsSeeEveryChangeMadeByOthers_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("another file put in its place") << "replace";
    QTest::newRow("rewritten in place, same size") << "rewrite";
    QTest::newRow("grown in place") << "append";
    QTest::newRow("removed") << "remove";
}

void TestIniFile::readsSeeEveryChangeMadeByOthers()
{
    QFETCH(QString, how);
    const QByteArray before = cp1251("[01.12.2026]\r\nОписание=Лес\r\n");
    const QByteArray after = cp1251("[01.12.2026]\r\nОписание=Дом\r\n");
    writeBytes(path(), before);
    const TIniFile ini(path());
    QCOMPARE(ini.ReadString("01.12.2026", "Описание", " "), "Лес");

    if (how == "replace") {
        const QString other = m_dir->filePath("other");
        writeBytes(other, after);
        QVERIFY(QFile::remove(path()) && QFile::rename(other, path()));
    } else if (how == "rewrite") {
        // Same size, and the same times too, as a quick second write can leave them.
        struct stat st {
        };
        QCOMPARE(::stat(QFile::encodeName(path()).constData(), &st), 0);
        writeBytes(path(), after);
        const timespec times[2] = {st.st_atim, st.st_mtim};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path()).constData(), times, 0), 0);
    } else if (how == "append") {
        QFile file(path());
        QVERIFY(file.open(QIODevice::Append));
        file.write(cp1251("[02.12.2026]\r\nОписание=Море\r\n"));
    } else {
        QVERIFY(QFile::remove(path()));
    }

    QStringList dates;
    ini.ReadSections(dates);
    if (how == "remove") {
        QCOMPARE(dates, QStringList());
        QVERIFY(!ini.SectionExists("01.12.2026"));
    } else if (how == "append") {
        QCOMPARE(dates, (QStringList{"01.12.2026", "02.12.2026"}));
    } else {
        QCOMPARE(ini.ReadString("01.12.2026", "Описание", " "), "Дом");
    }
}

void TestIniFile::writingKeepsTheFilesConventions()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, expected);
    writeBytes(path(), fixture(file));
    TIniFile(path()).WriteString("новая", "x", "1");
    QCOMPARE(readBytes(path()), expected);
}

void TestIniFile::batchSavesWhatSeparateWritesSave_data()
{
    QTest::addColumn<QByteArray>("before"); // null for a diary not yet made
    QTest::addColumn<Steps>("steps");

    const QStringList entry = {"Поздно ночью",       "Страх", "Шёл по мосту\r\nи мост стал лодкой",
                               "  Мост, \"река\"  ", "",      "3"};
    QTest::newRow("first entry of a new diary") << QByteArray() << wholeEntry(kDate, entry);
    QTest::newRow("new entry after others, LF only")
        << fixture("lf_only.vnx") << wholeEntry(kDate, entry);
    QTest::newRow("new entry after a last line without its break")
        << fixture("no_final_break.vnx") << wholeEntry(kDate, entry);
    QTest::newRow("entry replaced in place, other programs' lines kept")
        << fixture("foreign_content.vnx")
        << wholeEntry("01.12.2026", {"Под утро", "Лёгкость", "Летал\r\nнад городом"});
    QTest::newRow("erased, then written again at the end")
        << fixture("foreign_content.vnx")
        << (Steps{{"01.12.2026", {}, {}}} + wholeEntry("01.12.2026", entry));
    QTest::newRow("UTF-8 diary, characters beyond Windows-1251")
        << fixture("utf8_bom.vnx")
        << wholeEntry("луна 🌙", {"夢", "🌊\r\n🌊", QString(100'000, u'ж')});
    QTest::newRow("writes that change nothing among others")
        << fixture("no_final_break.vnx")
        << Steps{{"01.12.2026", "Сон был", "Поздно ночью"},
                 {"01.12.2026", "Описание", "Поле"},
                 {"01.12.2026", "Описание", "Лес"}};
    QTest::newRow("a header left without its bracket and line break")
        << QByteArray("[1") << Steps{{"1", "Сон был", "[1"}, {"1", "Описание", "[1"}};
    QTest::newRow("a CR-only diary emptied, then written")
        << QByteArray("[1]\rx=1\r") << (Steps{{"1", {}, {}}} + wholeEntry(kDate, entry));
    QTest::newRow("erasing what the batch wrote")
        << QByteArray() << (wholeEntry(kDate, entry) + Steps{{kDate, {}, {}}});
}

void TestIniFile::batchSavesWhatSeparateWritesSave()
{
    QFETCH(QByteArray, before);
    QFETCH(Steps, steps);
    const QString separate = m_dir->filePath("separate.vnx");
    if (!before.isNull()) {
        QVERIFY(writeBytes(separate, before));
        QVERIFY(writeBytes(path(), before));
    }
    TIniFile one(separate);
    apply(one, steps);

    TIniFile ini(path());
    {
        TIniFile::Batch batch(ini);
        apply(ini, steps);
        QCOMPARE(readBytes(path()), before); // nothing on the disk yet
        QCOMPARE(QFile::exists(path()), !before.isNull());
        QCOMPARE(whatReadsSee(ini, steps), whatReadsSee(one, steps)); // but reads see it all
        batch.Commit();
    }
    QCOMPARE(readBytes(path()), readBytes(separate));
    QCOMPARE(whatReadsSee(ini, steps), whatReadsSee(one, steps));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"Save.vnx", "separate.vnx"}));
}

void TestIniFile::droppedBatchLeavesTheFileAlone()
{
    const QByteArray before = fixture("foreign_content.vnx");
    QVERIFY(writeBytes(path(), before));
    TIniFile ini(path());
    try {
        TIniFile::Batch batch(ini);
        ini.WriteString("01.12.2026", "Описание", "Горы");
        ini.EraseSection("02.12.2026");
        ini.WriteString(" 05.12.2026", "Описание", "Море"); // refused: a blank before the date
        batch.Commit();
        QFAIL("the date with a blank before it was taken");
    } catch (const EIniFileException &) {
    }
    QCOMPARE(readBytes(path()), before);
    QCOMPARE(sections(ini), (QStringList{"01.12.2026", "02.12.2026"}));
    QCOMPARE(ini.ReadString("01.12.2026", "Описание", " "), "Летал над рекой");

    // The file is written straight away again, as without a batch.
    ini.WriteString("02.12.2026", "Описание", "Река");
    QCOMPARE(TIniFile(path()).ReadString("02.12.2026", "Описание", " "), "Река");
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
