#include "SysUtils.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>

namespace
{

std::function<QDateTime()> &wallClock()
{
    static std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    return now;
}

bool localeIsNeutral()
{
    const QLocale locale;
    return locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage;
}

} // namespace

QDate Date()
{
    return wallClock()().date();
}
QTime Time()
{
    return wallClock()().time();
}
void SetClock(std::function<QDateTime()> now)
{
    wallClock() = std::move(now);
}

QString DateToStr(const QDate &date)
{
    if (localeIsNeutral())
        return date.toString(QStringLiteral("dd.MM.yyyy"));
    return QLocale().toString(date, QLocale::ShortFormat);
}

QString TimeToStr(const QTime &time)
{
    if (localeIsNeutral())
        return time.toString(QStringLiteral("H:mm:ss"));
    // The long format names the time zone ("t"); a clock in the status bar does without it.
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b\\s*"));
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.replace(zone, QString());
    return QLocale().toString(time, format.trimmed());
}

QString IntToStr(int value)
{
    return QString::number(value);
}

int StrToInt(const QString &text)
{
    QStringView digits = QStringView(text);
    while (!digits.isEmpty() && digits.front() == u' ')
        digits = digits.sliced(1);
    bool negative = false;
    if (!digits.isEmpty() && (digits.front() == u'-' || digits.front() == u'+')) {
        negative = digits.front() == u'-';
        digits = digits.sliced(1);
    }
    int base = 10;
    if (digits.startsWith(u'$')) {
        base = 16;
        digits = digits.sliced(1);
    } else if (digits.startsWith(u"0x", Qt::CaseInsensitive)) {
        base = 16;
        digits = digits.sliced(2);
    }
    const auto isDigit = [base](QChar c) {
        return (c >= u'0' && c <= u'9') ||
               (base == 16 && ((c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')));
    };
    bool ok = !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), isDigit);
    const qlonglong magnitude = ok ? digits.toLongLong(&ok, base) : 0;
    const qlonglong value = negative ? -magnitude : magnitude;
    if (!ok || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return int(value);
}

QString ExtractFilePath(const QString &fileName)
{
    const qsizetype slash = fileName.lastIndexOf(u'/');
    return fileName.left(slash + 1);
}
