#pragma once

#include <QString>
#include <QStringList>

// What the crash writer puts in the diary, so that whoever finds the file after a kill knows
// every value that may legitimately be there.
namespace CrashDiary
{

inline const QString kEntry = QStringLiteral("01.01.2027");
inline const QString kMemo = QStringLiteral("Описание");
// Dated entries added one by one, so that the file keeps growing while it is being killed.
constexpr int kMaxDatedEntries = 120;

inline QString longText(const QString &line, int lines)
{
    QString text;
    for (int i = 0; i < lines; ++i)
        text += QStringLiteral("%1. %2\r\n").arg(i + 1).arg(line);
    return text;
}

// The entry's memo alternates between these two; they differ in length and in every line.
inline const QString kOldMemo =
    longText(QStringLiteral("Мне снилось, что я иду по длинному коридору старой школы 🌙"), 90);
inline const QString kNewMemo = longText(
    QStringLiteral("Потом коридор стал берегом реки, и вода \"светилась\" изнутри\tтихо"), 130);

// An entry saved whole in one batch on every turn: each of its fields names the turn, so a reader
// that finds fields of two different turns has caught an entry half saved.
inline const QString kWholeEntry = QStringLiteral("31.12.2026");
inline const QStringList kWholeEntryKeys = {
    QStringLiteral("Сон был"),  QStringLiteral("Ощущения"),  QStringLiteral("Описание"),
    QStringLiteral("Виденное"), QStringLiteral("Трактовка"), QStringLiteral("Степень ОС")};

inline QString wholeEntryField(unsigned turn, int field)
{
    // Fields of changing lengths, so that a half-saved entry would also move the text after it.
    return QStringLiteral("ход %1, поле %2 ").arg(turn).arg(field) +
           QString(int(turn % 7) * 40 + field, QChar(u'ё'));
}

inline QString datedEntry(int n)
{
    return QStringLiteral("%1.%2.2026")
        .arg(n % 28 + 1, 2, 10, QLatin1Char('0'))
        .arg(n / 28 + 1, 2, 10, QLatin1Char('0'));
}
static_assert(kMaxDatedEntries <= 28 * 12, "dates must not repeat");

inline QString datedMemo(int n)
{
    return QStringLiteral("Запись номер %1: ").arg(n) + QString(n % 40 + 20, QChar(u'а' + n % 32)) +
           QStringLiteral("\r\nконец ") + QString::number(n);
}

} // namespace CrashDiary
