#include "rtl/Forms.h"
#include "rtl/SysUtils.h"

#include <QtTest>

class TestSysUtils : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void strToInt_data();
    void strToInt();
    void datesAndTimesFollowTheLocale_data();
    void datesAndTimesFollowTheLocale();
    void filePathKeepsItsSeparator();
    void errorReportEndsWithAFullStop_data();
    void errorReportEndsWithAFullStop();
};

void TestSysUtils::strToInt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");
    QTest::newRow("digit") << "7" << true << 7;
    QTest::newRow("ten") << "10" << true << 10;
    QTest::newRow("leading blanks") << "  3" << true << 3;
    QTest::newRow("signs") << "-4" << true << -4;
    QTest::newRow("hex with $") << "$1A" << true << 26;
    QTest::newRow("hex with 0x") << "0x10" << true << 16;
    QTest::newRow("largest") << "2147483647" << true << 2147483647;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("trailing blank") << "3 " << false << 0;
    QTest::newRow("decimal comma") << "2,5" << false << 0;
    QTest::newRow("word") << "много" << false << 0;
    QTest::newRow("two signs") << "--1" << false << 0;
    QTest::newRow("too large") << "2147483648" << false << 0;
}

void TestSysUtils::strToInt()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);
    if (valid) {
        QCOMPARE(StrToInt(text), value);
        return;
    }
    try {
        StrToInt(text);
        QFAIL("no error raised");
    } catch (const EConvertError &e) {
        QCOMPARE(e.Message(), "'" + text + "' is not a valid integer value");
    }
}

void TestSysUtils::datesAndTimesFollowTheLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::newRow("C: the Russian formats") << QLocale::c() << "05.03.2026"
                                            << "7:08:09";
    QTest::newRow("Russian") << QLocale(QLocale::Russian, QLocale::Russia) << "05.03.2026"
                             << "07:08:09";
    QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "05.03.26"
                            << "07:08:09";
}

void TestSysUtils::datesAndTimesFollowTheLocale()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, date);
    QFETCH(QString, time);
    QLocale::setDefault(locale);
    QCOMPARE(DateToStr(QDate(2026, 3, 5)), date);
    QCOMPARE(TimeToStr(QTime(7, 8, 9)), time); // and no time-zone name
}

void TestSysUtils::filePathKeepsItsSeparator()
{
    QCOMPARE(ExtractFilePath("/home/anna/velnora/velnora"), "/home/anna/velnora/");
    QCOMPARE(ExtractFilePath("velnora"), QString());
}

void TestSysUtils::errorReportEndsWithAFullStop_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Unable to write to /x/Save.vnx"
                            << "Unable to write to /x/Save.vnx.";
    QTest::newRow("quote") << "'a' is not a valid integer value'"
                           << "'a' is not a valid integer value'";
    QTest::newRow("full stop") << "Готово."
                               << "Готово.";
    QTest::newRow("question mark") << "Что?"
                                   << "Что?.";
    QTest::newRow("exclamation") << "Стоп!"
                                 << "Стоп!";
    QTest::newRow("empty") << ""
                           << "";
}

void TestSysUtils::errorReportEndsWithAFullStop()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(TApplication::ReportText(message), shown);
}

QTEST_GUILESS_MAIN(TestSysUtils)
#include "tst_sysutils.moc"
