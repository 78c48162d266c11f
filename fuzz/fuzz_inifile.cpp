// Feeds arbitrary bytes to the diary file as if they were Save.vnx, then reads and saves it.
// Whatever the file holds, reading must not crash, a value saved into it must read back exactly
// as it was given, and a batch of writes must leave the same file as the same writes one by one.
#include "store/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{

const QString kKey = QStringLiteral("Описание");
const QString kFallbackSection = QStringLiteral("01.01.2000");

[[noreturn]] void fail(const char *what, const QString &detail = {})
{
    std::fprintf(stderr, "fuzz_inifile: %s %s\n", what, detail.toUtf8().constData());
    std::abort();
}

const QString &diaryPath()
{
    // Saves flush to disk; a folder in memory, where there is one, keeps the runs fast.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/fuzz_inifile-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/fuzz_inifile-XXXXXX"));
    static const QString path = dir.filePath(QStringLiteral("Save.vnx"));
    if (!dir.isValid())
        fail("no temporary folder");
    return path;
}

// Pieces a value is made of: besides plain and Cyrillic text, the characters that force quoting
// and escaping (beyond the code page, beyond 16 bits, stray surrogates), and text that looks like
// the escapes themselves.
const QString kPieces[] = {
    QStringLiteral("🌙"),
    QStringLiteral("中"),
    QStringLiteral("ё"),
    QStringLiteral("€"),
    QStringLiteral("\u00A0"),
    QStringLiteral("\uFFFD"),
    QStringLiteral("\\"),
    QStringLiteral("\""),
    QStringLiteral("\\u{41}"),
    QStringLiteral("\\r"),
    QStringLiteral("\\n"),
    QStringLiteral("\\u{"),
    QStringLiteral(" "),
    QStringLiteral("\t"),
    QStringLiteral("\r\n"),
    QStringLiteral("ÿ"),
    QStringLiteral("="),
    QStringLiteral("["),
    QStringLiteral(";"),
    QStringLiteral("\u2028"),
    QStringLiteral("\U0001F600"),
    QString(QChar(char16_t(0xD83C))),
    QString(QChar(char16_t(0xDF19))), // halves of a pair
};

QString valueFrom(const uint8_t *data, size_t size)
{
    QString value;
    const size_t from = size > 96 ? size - 96 : 0;
    for (size_t i = from; i < size; ++i) {
        const uint8_t b = data[i];
        if (b < 0x80)
            value += QChar(b); // control characters included
        else if (b < 0xC0)
            value += QChar(u'А' + (b - 0x80) % 64);
        else
            value += kPieces[(b - 0xC0) % std::size(kPieces)];
    }
    return value;
}

void checkWrite(TIniFile &ini, const QString &section, const QString &value)
{
    QStringList before;
    ini.ReadSections(before);
    ini.WriteString(section, kKey, value);
    const QString back = ini.ReadString(section, kKey, QStringLiteral("<missing>"));
    if (back != value)
        fail("value did not read back:", section + QStringLiteral(" / ") + back);
    if (!ini.SectionExists(section))
        fail("section missing after a write:", section);
    QStringList after;
    ini.ReadSections(after);
    for (const QString &name : std::as_const(before)) {
        if (!after.contains(name))
            fail("a write lost another section:", name);
    }
    if (after.size() > before.size() + 1)
        fail("a write added more than one section");
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void putBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail("could not prepare the file");
}

// A few writes and erasures chosen by the input, made on `ini`; a refused one changes nothing.
void someChanges(TIniFile &ini, const QStringList &sections, const uint8_t *data, size_t size)
{
    const QString keys[] = {kKey, QStringLiteral("Сон был"), QStringLiteral("новый ключ")};
    const size_t count = size ? 2 + data[0] % 6 : 2;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t b = i < size ? data[i] : uint8_t(i);
        const QString section = !sections.isEmpty() && b % 3 != 0
                                    ? sections.at(qsizetype(b / 3) % sections.size())
                                    : QStringLiteral("0%1.05.2005").arg(b % 4);
        try {
            if (b % 5 == 0)
                ini.EraseSection(section);
            else
                ini.WriteString(section, keys[b % 3],
                                valueFrom(data, std::min(size, size_t(b) + i)));
        } catch (const EIniFileException &) {
        }
    }
}

void checkBatch(TIniFile &ini, const QStringList &sections, const uint8_t *data, size_t size)
{
    static const QString separatePath = diaryPath() + QStringLiteral(".separate");
    putBytes(separatePath, bytesOf(ini.FileName()));
    TIniFile separate(separatePath);
    someChanges(separate, sections, data, size);
    QStringList expected;
    separate.ReadSections(expected);

    {
        TIniFile::Batch batch(ini);
        someChanges(ini, sections, data, size);
        QStringList seen;
        ini.ReadSections(seen);
        if (seen != expected)
            fail("reads in a batch see other sections:", seen.join(u'|'));
        batch.Commit();
    }
    if (bytesOf(ini.FileName()) != bytesOf(separatePath))
        fail("a batch saved another file than the same writes one by one");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString &path = diaryPath();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            fail("could not prepare the file");
    }

    TIniFile ini(path);
    QStringList sections;
    ini.ReadSections(sections);
    for (qsizetype i = 0; i < std::min<qsizetype>(sections.size(), 3); ++i) {
        const QString &name = sections.at(i);
        const bool exists = ini.SectionExists(name);
        const QString memo = ini.ReadString(name, kKey, QStringLiteral(" default "));
        if (!exists && memo != QStringLiteral(" default"))
            fail("a value was read from an absent section:", name);
        ini.ReadString(name.toUpper(), QStringLiteral("Сон был"), QString());
    }

    const QString value = valueFrom(data, size);
    // Into an entry the file already has, when its name can be written at all.
    bool written = false;
    if (!sections.isEmpty()) {
        try {
            checkWrite(ini, sections.front(), value);
            written = true;
        } catch (const EIniFileException &) {
            // a name that cannot be stored as it stands; refused before anything was written
        }
    }
    if (!written) {
        try {
            checkWrite(ini, kFallbackSection, value);
        } catch (const EIniFileException &e) {
            fail("a plain write was refused:", e.Message());
        }
    }
    try {
        ini.EraseSection(written ? sections.front() : kFallbackSection);
    } catch (const EIniFileException &e) {
        fail("erasing was refused:", e.Message());
    }

    putBytes(path, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    checkBatch(ini, sections, data, size);
    return 0;
}
