#include "IniCodec.h"

#include <QList>
#include <QStringDecoder>

namespace
{

struct Cp1251Table {
    std::array<char16_t, 128> toUnicode{};
    // Reverse of toUnicode for the Basic Multilingual Plane; 0 where the code page has no byte.
    std::array<uchar, 0x10000> fromUnicode{};

    Cp1251Table()
    {
        // The mapping comes from ICU through Qt, byte by byte, so that unassigned bytes show up
        // as such instead of being guessed.
        for (int b = 0x80; b <= 0xFF; ++b) {
            QStringDecoder decoder("windows-1251");
            const char byte = char(b);
            const QString ch = decoder.decode(QByteArrayView(&byte, 1));
            if (decoder.hasError() || ch.size() != 1 || ch.at(0) == QChar::ReplacementCharacter)
                continue;
            toUnicode[b - 0x80] = ch.at(0).unicode();
            fromUnicode[ch.at(0).unicode()] = uchar(b);
        }
    }
};

const Cp1251Table &cp1251()
{
    static const Cp1251Table table;
    return table;
}

bool isControl(char32_t cp)
{
    return cp < 0x20 || cp == 0x7F;
}

} // namespace

IniCodec::IniCodec(Page page) : m_page(page)
{
    m_high = cp1251().toUnicode;
}

QString IniCodec::decode(QByteArrayView bytes) const
{
    if (m_page == Page::Utf8)
        return QString::fromUtf8(bytes);
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *dst = out.data();
    for (const char c : bytes) {
        const auto b = uchar(c);
        if (b < 0x80)
            *dst++ = QChar(b);
        else
            *dst++ = m_high[b - 0x80] ? QChar(m_high[b - 0x80]) : QChar::ReplacementCharacter;
    }
    return out;
}

QByteArray IniCodec::encode(QStringView text) const
{
    if (m_page == Page::Utf8)
        return text.toUtf8();
    const auto &table = cp1251().fromUnicode;
    QByteArray out(text.size(), Qt::Uninitialized);
    char *dst = out.data();
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        *dst++ = u < 0x80 ? char(u) : (table[u] ? char(table[u]) : '?');
    }
    return out;
}

bool IniCodec::canHold(char32_t codePoint) const
{
    if (m_page == Page::Utf8)
        return codePoint < 0xD800 || (codePoint > 0xDFFF && codePoint <= 0x10FFFF);
    if (codePoint < 0x80)
        return true;
    return codePoint < 0x10000 && cp1251().fromUnicode[codePoint] != 0;
}

QString IniCodec::firstUnrepresentable(QStringView text) const
{
    for (const char32_t cp : text.toUcs4()) {
        if (!canHold(cp))
            return QString::fromUcs4(&cp, 1);
    }
    return {};
}

QByteArrayView IniCodec::trimmed(QByteArrayView bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && isBlank(bytes[begin]))
        ++begin;
    while (end > begin && isBlank(bytes[end - 1]))
        --end;
    return bytes.sliced(begin, end - begin);
}

bool IniCodec::needsQuotes(QStringView value) const
{
    if (value.isEmpty())
        return false;
    const QChar first = value.front();
    const QChar last = value.back();
    if (first == u' ' || first == u'\t' || last == u' ' || last == u'\t')
        return true;
    if (value.size() >= 2 && first == u'"' && last == u'"')
        return true;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar ch = value[i];
        if (ch.isHighSurrogate() && i + 1 < value.size() && value[i + 1].isLowSurrogate())
            return true; // beyond the Basic Multilingual Plane: no 8-bit page holds it
        if (isControl(ch.unicode()) || !canHold(ch.unicode()))
            return true;
    }
    return false;
}

QByteArray IniCodec::encodeValue(QStringView value) const
{
    if (!needsQuotes(value))
        return encode(value);

    QString escaped;
    escaped.reserve(value.size() + 16);
    escaped += u'"';
    for (qsizetype i = 0; i < value.size(); ++i) {
        // By code point, keeping a stray half of a surrogate pair as the code unit it is.
        char32_t cp = value[i].unicode();
        if (value[i].isHighSurrogate() && i + 1 < value.size() && value[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(value[i], value[i + 1]);
            ++i;
        }
        switch (cp) {
        case U'\\':
            escaped += QLatin1StringView("\\\\");
            break;
        case U'\r':
            escaped += QLatin1StringView("\\r");
            break;
        case U'\n':
            escaped += QLatin1StringView("\\n");
            break;
        default:
            if (isControl(cp) || !canHold(cp))
                escaped +=
                    QLatin1StringView("\\u{") + QString::number(uint(cp), 16).toUpper() + u'}';
            else if (cp > 0xFFFF)
                escaped += QString::fromUcs4(&cp, 1);
            else
                escaped += QChar(char16_t(cp));
        }
    }
    escaped += u'"';
    return encode(escaped);
}

QString IniCodec::decodeValue(QByteArrayView stored) const
{
    const QString text = decode(stored);
    if (text.size() < 2 || text.front() != u'"' || text.back() != u'"')
        return text;

    const QStringView inner = QStringView(text).sliced(1, text.size() - 2);
    QString out;
    out.reserve(inner.size());
    for (qsizetype i = 0; i < inner.size(); ++i) {
        const QChar ch = inner[i];
        if (ch != u'\\' || i + 1 == inner.size()) {
            out += ch;
            continue;
        }
        const QChar next = inner[i + 1];
        if (next == u'\\') {
            out += u'\\';
            ++i;
        } else if (next == u'r') {
            out += u'\r';
            ++i;
        } else if (next == u'n') {
            out += u'\n';
            ++i;
        } else if (next == u'u' && i + 2 < inner.size() && inner[i + 2] == u'{') {
            const qsizetype close = inner.indexOf(u'}', i + 3);
            bool ok = false;
            const uint cp = close > i + 3 && close - i - 3 <= 6
                                ? inner.sliced(i + 3, close - i - 3).toUInt(&ok, 16)
                                : 0;
            if (ok && cp <= 0x10FFFF) {
                const char32_t c32 = cp;
                out += cp >= 0xD800 && cp <= 0xDFFF ? QString(QChar(char16_t(cp)))
                                                    : QString::fromUcs4(&c32, 1);
                i = close;
            } else {
                out += ch; // not one of ours: a backslash typed by hand stays as it is
            }
        } else {
            out += ch;
        }
    }
    return out;
}
