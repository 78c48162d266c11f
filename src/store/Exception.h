#pragma once

#include <QString>

#include <exception>

// The program's failures travel as exceptions carrying a message for the user. Whoever runs an
// event handler reports them; the code that raises one only says what went wrong.
class Exception : public std::exception
{
public:
    explicit Exception(QString message) : m_message(std::move(message)), m_what(m_message.toUtf8())
    {
    }

    const QString &Message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    QString m_message;
    QByteArray m_what;
};

// The diary file could not be written, or was asked to hold a name it cannot keep.
class EIniFileException : public Exception
{
public:
    using Exception::Exception;
};
