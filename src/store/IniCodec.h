#pragma once

#include <QByteArray>
#include <QString>

#include <array>

// How text becomes bytes in the diary file and back.
//
// A file is Windows-1251 unless it starts with a UTF-8 byte-order mark, in which case it is UTF-8
// throughout; either way lines written by us use the same code page as the file around them.
//
// A value is stored as the plain text after "=" when it reads back as it stands. Otherwise it is
// stored between double quotes with these escapes, and only then are escapes understood:
//   \\  backslash       \r  carriage return      \n  line feed
//   \u{XXXX}  any other character by its hexadecimal Unicode code point: control characters,
//             and characters the file's code page has no byte for (emoji, CJK, ...).
// A value needs the quotes when it holds a line break or other control character, a character
// the code page cannot hold, a blank at either end (readers trim those), or when it both starts
// and ends with a double quote (readers take those as quotes).
class IniCodec
{
public:
    enum class Page { Windows1251, Utf8 };

    explicit IniCodec(Page page);

    Page page() const { return m_page; }

    QString decode(QByteArrayView bytes) const;
    QByteArray encode(QStringView text) const;

    // Whether the code page has a byte for this code point.
    bool canHold(char32_t codePoint) const;
    // The first character of the text the code page cannot hold, as text, or empty when all fit.
    QString firstUnrepresentable(QStringView text) const;

    QByteArray encodeValue(QStringView value) const;
    QString decodeValue(QByteArrayView stored) const;

    static bool isBlank(char c) { return c == ' ' || c == '\t'; }
    static QByteArrayView trimmed(QByteArrayView bytes);

private:
    bool needsQuotes(QStringView value) const;

    Page m_page;
    // Windows-1251's upper half: which code point each byte 0x80..0xFF stands for (0 if none).
    std::array<char16_t, 128> m_high{};
};
