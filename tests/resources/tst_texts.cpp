// Checks the form of the texts we ship read-only: the dream dictionary and the
// article on recording dreams. Both are shown in narrow text boxes, so line
// width and clean line ends matter; the dictionary also has a fixed layout of
// four parts that the reader relies on.

#include "DiaryBytes.h"

#include <QCollator>

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QtTest>
#include <algorithm>

namespace
{

constexpr int kDictionaryWidth = 57;
constexpr int kArticleWidth = 47;
const QString kDictionaryPath = QStringLiteral(RESOURCES "/dictionary.txt");
const QString kArticlePath = QStringLiteral(RESOURCES "/article.txt");
const QString kEntryIndent = QStringLiteral("     ");

// Faults in a text meant for a read-only box of the given width: one message
// per fault, naming the line. An empty list means the text is clean.
QStringList plainTextFaults(const QByteArray &bytes, int width)
{
    QStringList faults;
    if (bytes.isEmpty())
        return {QStringLiteral("empty or missing")};
    if (bytes.startsWith("\xEF\xBB\xBF"))
        faults << QStringLiteral("starts with a byte order mark");
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        faults << QStringLiteral("not valid UTF-8");
    if (!text.endsWith(QLatin1Char('\n')))
        faults << QStringLiteral("no newline after the last line");

    static const QRegularExpression splitWord(QStringLiteral("\\w-$"),
                                              QRegularExpression::UseUnicodePropertiesOption);
    QStringList lines = text.split(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        lines.removeLast();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        const QString where = QStringLiteral("line %1: ").arg(i + 1);
        if (line.size() > width)
            faults << where + QStringLiteral("%1 characters").arg(line.size());
        if (line.contains(QLatin1Char('\t')))
            faults << where + QStringLiteral("tab");
        if (line.contains(QLatin1Char('\r')))
            faults << where + QStringLiteral("carriage return");
        if (line.endsWith(QLatin1Char(' ')))
            faults << where + QStringLiteral("trailing space");
        if (splitWord.match(line).hasMatch())
            faults << where + QStringLiteral("word split across lines");
    }
    return faults;
}

QStringList readLines(const QString &path)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(readBytes(path));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text.split(QLatin1Char('\n'));
}

// The dictionary's parts are separated by exactly three empty lines; inside a
// part there is never more than one empty line in a row.
QList<QStringList> splitParts(const QStringList &lines, QStringList *faults)
{
    QList<QStringList> parts{{}};
    int blanks = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (line.isEmpty()) {
            ++blanks;
            continue;
        }
        if (blanks == 3) {
            parts.append(QStringList());
        } else if (blanks > 1) {
            *faults << QStringLiteral("line %1: %2 empty lines before it").arg(i + 1).arg(blanks);
        } else if (blanks == 1) {
            parts.last().append(QString());
        }
        blanks = 0;
        parts.last().append(line);
    }
    return parts;
}

bool isAllCaps(const QString &word)
{
    return word.size() > 1 && word == word.toUpper() && word != word.toLower();
}

} // namespace

class TextsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void plainText_data();
    void plainText();
    void sizes_data();
    void sizes();

    void dictionaryHasFourPartsInOrder();
    void alphabeticalPartIsSortedAndUnique();
    void lunarDaysAreNumberedOnce();
    void shortDictionaryEntries();
    void capitalDictionaryEntries();

private:
    QList<QStringList> m_parts;
    QStringList m_partFaults;
};

void TextsTest::initTestCase()
{
    m_parts = splitParts(readLines(kDictionaryPath), &m_partFaults);
}

void TextsTest::plainText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("expectedFault");

    QTest::newRow("dictionary") << readBytes(kDictionaryPath) << kDictionaryWidth << QString();
    QTest::newRow("article") << readBytes(kArticlePath) << kArticleWidth << QString();

    // Small texts that show each fault is caught, and that the lines a wrapped
    // entry legitimately produces are not mistaken for one.
    QTest::newRow("dash left at line end")
        << QByteArray("Гусь: видеть -\nк гостям.\n") << 14 << QString();
    QTest::newRow("hyphenated word kept whole")
        << QByteArray("Сон из-за\nпустяка\n") << 9 << QString();
    QTest::newRow("one character too wide")
        << QByteArray("Гусь: видеть -\n") << 13 << QStringLiteral("line 1: 14 characters");
    QTest::newRow("word split") << QByteArray("к перемене пого-\nды\n") << 20
                                << QStringLiteral("line 1: word split across lines");
    QTest::newRow("trailing space")
        << QByteArray("к гостям \n") << 20 << QStringLiteral("line 1: trailing space");
    QTest::newRow("tab") << QByteArray("к\tгостям\n") << 20 << QStringLiteral("line 1: tab");
    QTest::newRow("windows line end")
        << QByteArray("к гостям\r\n") << 20 << QStringLiteral("line 1: carriage return");
    QTest::newRow("cp1251 bytes") << QByteArray("\xea \xe3\xee\xf1\xf2\xff\xec\n") << 20
                                  << QStringLiteral("not valid UTF-8");
    QTest::newRow("no final newline")
        << QByteArray("к гостям") << 20 << QStringLiteral("no newline after the last line");
}

void TextsTest::plainText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, width);
    QFETCH(QString, expectedFault);

    const QStringList faults = plainTextFaults(bytes, width);
    if (expectedFault.isEmpty())
        QVERIFY2(faults.isEmpty(), qPrintable(faults.mid(0, 20).join(QLatin1String("; "))));
    else
        QCOMPARE(faults, QStringList{expectedFault});
}

void TextsTest::sizes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("minLines");
    QTest::addColumn<int>("maxLines");
    QTest::addColumn<int>("minChars");
    QTest::addColumn<int>("maxChars");

    QTest::newRow("dictionary") << kDictionaryPath << 6000 << 11000 << 200000 << 320000;
    QTest::newRow("article") << kArticlePath << 72 << 72 << 2500 << 3100;
}

void TextsTest::sizes()
{
    QFETCH(QString, path);
    QFETCH(int, minLines);
    QFETCH(int, maxLines);
    QFETCH(int, minChars);
    QFETCH(int, maxChars);

    const QStringList lines = readLines(path);
    qsizetype chars = 0;
    for (const QString &line : lines)
        chars += line.size();

    QVERIFY2(lines.size() >= minLines && lines.size() <= maxLines,
             qPrintable(QStringLiteral("%1 lines").arg(lines.size())));
    QVERIFY2(chars >= minChars && chars <= maxChars,
             qPrintable(QStringLiteral("%1 characters").arg(chars)));
}

void TextsTest::dictionaryHasFourPartsInOrder()
{
    QVERIFY2(m_partFaults.isEmpty(), qPrintable(m_partFaults.join(QLatin1String("; "))));
    QCOMPARE(m_parts.size(), 4);

    // The alphabetical part opens the text with an indented entry.
    const QStringList &alphabetical = m_parts.at(0);
    QVERIFY(alphabetical.first().startsWith(kEntryIndent));

    // The lunar days come under the centred book title and their own heading.
    const QStringList &lunar = m_parts.at(1);
    QVERIFY(lunar.size() > 4);
    const QString title = lunar.at(0);
    QCOMPARE(title.trimmed(), QStringLiteral("СОННИК"));
    // Centred over the text, as wide as its widest line.
    qsizetype textWidth = 0;
    for (const QStringList &part : m_parts) {
        for (const QString &line : part)
            textWidth = std::max(textWidth, line.size());
    }
    const qsizetype left = title.size() - title.trimmed().size();
    const qsizetype right = textWidth - title.size();
    QVERIFY2(
        qAbs(left - right) <= 1,
        qPrintable(QStringLiteral("title has %1 columns left, %2 right").arg(left).arg(right)));
    QCOMPARE(lunar.mid(1, 3),
             (QStringList{QString(), QStringLiteral("Дни от новолуния"), QString()}));
    QVERIFY(lunar.at(4).startsWith(QLatin1String("1. ")));

    // The two short dictionaries: image first, then the capital headwords.
    QVERIFY(!isAllCaps(m_parts.at(2).first().section(QLatin1Char(' '), 0, 0)));
    QVERIFY(isAllCaps(m_parts.at(3).first().section(QLatin1Char(' '), 0, 0)));
}

void TextsTest::alphabeticalPartIsSortedAndUnique()
{
    QVERIFY(!m_parts.isEmpty());
    const QCollator collator{QLocale(QLocale::Russian)};
    // Russian order files ё with е; a collator without locale data would put
    // ё after я and fail every ё-word below for the wrong reason.
    QVERIFY2(collator.compare(QStringLiteral("Ёж"), QStringLiteral("Ежевика")) < 0,
             "QCollator lacks Russian collation (Qt built without ICU?)");

    QStringList entries;
    for (const QString &line : m_parts.at(0)) {
        QVERIFY2(!line.isEmpty(), "empty line inside the alphabetical part");
        if (line.startsWith(kEntryIndent)) {
            QVERIFY2(!line.at(kEntryIndent.size()).isSpace(), qPrintable(line));
            entries << line.mid(kEntryIndent.size());
        } else {
            QVERIFY2(!entries.isEmpty() && !line.front().isSpace(), qPrintable(line));
            entries.last() += QLatin1Char(' ') + line;
        }
    }

    static const QRegularExpression entryForm(QStringLiteral("^[^:]+: .+ - .+\\.$"));
    QSet<QString> seen;
    QString previous;
    for (const QString &entry : std::as_const(entries)) {
        QVERIFY2(entryForm.match(entry).hasMatch(), qPrintable(entry));
        const QString headword = entry.section(QLatin1Char(':'), 0, 0);
        QVERIFY2(!seen.contains(headword), qPrintable(QStringLiteral("twice: ") + headword));
        seen.insert(headword);
        if (!previous.isEmpty()) {
            QVERIFY2(collator.compare(previous, headword) < 0,
                     qPrintable(QStringLiteral("%1 before %2").arg(previous, headword)));
        }
        previous = headword;
    }
    QCOMPARE(entries.first().section(QLatin1Char(':'), 0, 0), QStringLiteral("Абажур (бумажный)"));
}

void TextsTest::lunarDaysAreNumberedOnce()
{
    QVERIFY(m_parts.size() > 1);
    static const QRegularExpression dayStart(QStringLiteral("^(\\d+)\\. "));
    QList<int> days;
    for (const QString &line : m_parts.at(1).mid(4)) {
        QVERIFY2(!line.isEmpty() && !line.front().isSpace(), qPrintable(line));
        const QRegularExpressionMatch match = dayStart.match(line);
        if (match.hasMatch())
            days << match.captured(1).toInt();
        else
            QVERIFY2(!days.isEmpty(), qPrintable(line));
    }
    QList<int> expected;
    for (int day = 1; day <= 30; ++day)
        expected << day;
    QCOMPARE(days, expected);
}

void TextsTest::shortDictionaryEntries()
{
    QVERIFY(m_parts.size() > 2);
    // Every line is a whole entry: these are short enough never to wrap.
    static const QRegularExpression entryForm(QStringLiteral("^[А-ЯЁ][^ ].* - .+"));
    for (const QString &line : m_parts.at(2)) {
        if (line.isEmpty())
            continue;
        QVERIFY2(entryForm.match(line).hasMatch(), qPrintable(line));
        const QString image = line.section(QLatin1String(" - "), 0, 0);
        QVERIFY2(!isAllCaps(image.section(QLatin1Char(' '), 0, 0)), qPrintable(line));
    }
}

void TextsTest::capitalDictionaryEntries()
{
    QVERIFY(m_parts.size() > 3);
    static const QRegularExpression entryForm(QStringLiteral("^[А-ЯЁ][А-ЯЁ ()-]* - \\S"));
    bool groupStart = true;
    for (const QString &line : m_parts.at(3)) {
        if (line.isEmpty()) {
            groupStart = true;
            continue;
        }
        // A line opening with a capitalised word is an entry; anything else
        // continues the meaning of the entry above, and the only dash of an
        // entry follows its headword on the first line.
        const bool entry = isAllCaps(line.section(QLatin1Char(' '), 0, 0));
        if (entry || groupStart)
            QVERIFY2(entryForm.match(line).hasMatch(), qPrintable(line));
        else
            QVERIFY2(!line.front().isSpace() && !line.startsWith(QLatin1String("- ")) &&
                         !line.contains(QLatin1String(" - ")),
                     qPrintable(line));
        groupStart = false;
    }
}

QTEST_GUILESS_MAIN(TextsTest)
#include "tst_texts.moc"
