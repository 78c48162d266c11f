#pragma once

#include "store/Exception.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <functional>

// The handful of conversions the diary's handlers are written in terms of.

// A text that is not a whole number; the message names the text in quotes.
class EConvertError : public Exception
{
public:
    using Exception::Exception;
};

// Today and now. Tests fix the clock; the program reads the system's.
QDate Date();
QTime Time();
void SetClock(std::function<QDateTime()> clock);

// The user's short date format and long time format (without a time-zone name). Where the
// locale is C or POSIX the Russian formats stand in, since the program speaks Russian:
// dd.MM.yyyy and H:mm:ss.
QString DateToStr(const QDate &date);
QString TimeToStr(const QTime &time);

QString IntToStr(int value);
// Optional blanks before, an optional sign, then decimal digits, or hexadecimal after "$" or
// "0x"; anything else raises EConvertError "'<text>' is not a valid integer value".
int StrToInt(const QString &text);

// The folder part of a path, with its trailing separator.
QString ExtractFilePath(const QString &fileName);
