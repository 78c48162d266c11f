#include "IniFile.h"

#include "IniCodec.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace inifile
{

// A change to the file's text: the bytes [begin, end) give way to `bytes`.
struct Splice {
    qsizetype begin;
    qsizetype end;
    QByteArray bytes;
};

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr char kEndOfFile = '\x1A'; // old editors close a text file with ^Z

// A new file as the old one with one stretch replaced. Written out piece by piece, it never needs a
// second copy of the whole diary in memory.
struct Edit {
    QByteArrayView before;
    QByteArray inserted;
    QByteArrayView after;
};

struct Line {
    qsizetype begin; // first byte of the line
    qsizetype end;   // one past its last byte, before the line break
    qsizetype next;  // first byte of the following line
};

// Visits the lines of base[from, to) that start there; `to` is the start of a line or the end of
// the text. A line ends with CR LF, LF or a lone CR.
template <typename F> void forEachLineIn(const char *base, qsizetype from, qsizetype to, F &&visit)
{
    qsizetype pos = from;
    while (pos < to) {
        const char *start = base + pos;
        const auto rest = size_t(to - pos);
        const auto *lf = static_cast<const char *>(std::memchr(start, '\n', rest));
        const size_t span = lf ? size_t(lf - start) : rest;
        const auto *cr = static_cast<const char *>(std::memchr(start, '\r', span));
        Line line{pos, 0, 0};
        if (cr && cr + 1 != lf) { // a lone CR ends this line
            line.end = pos + (cr - start);
            line.next = line.end + 1;
        } else if (lf) {
            line.end = pos + qsizetype(span) - (cr ? 1 : 0);
            line.next = pos + qsizetype(span) + 1;
        } else {
            line.end = line.next = to;
        }
        if (!visit(line))
            return;
        pos = line.next;
    }
}

// One reading of the file, with what it takes to find names in it and to change it in place.
class Text
{
public:
    explicit Text(QByteArray bytes) : data(std::move(bytes))
    {
        if (data.startsWith(kByteOrderMark)) {
            bodyBegin = 3;
            codec = IniCodec(IniCodec::Page::Utf8);
        }
        bodyEnd = data.size();
        while (bodyEnd > bodyBegin && data[bodyEnd - 1] == kEndOfFile)
            --bodyEnd;
        eol = detectLineBreak();
    }

    QByteArrayView view(const Line &line) const
    {
        return QByteArrayView(data).sliced(line.begin, line.end - line.begin);
    }

    // The raw name of a section header line, or nothing when the line is not a header.
    static std::optional<QByteArrayView> headerName(QByteArrayView content)
    {
        const QByteArrayView t = IniCodec::trimmed(content);
        if (t.isEmpty() || t.front() != '[')
            return std::nullopt;
        const qsizetype close = t.lastIndexOf(']');
        const QByteArrayView inner = close > 0 ? t.sliced(1, close - 1) : t.sliced(1);
        return IniCodec::trimmed(inner);
    }

    // Where the key name and the value stand in a key line; nothing for other lines.
    struct KeyLine {
        QByteArrayView name;
        qsizetype valueBegin; // offset in the line of the value, blanks after "=" skipped
        qsizetype valueEnd;
    };
    static std::optional<KeyLine> keyLine(QByteArrayView content)
    {
        const qsizetype eq = content.indexOf('=');
        if (eq < 0)
            return std::nullopt;
        const QByteArrayView name = IniCodec::trimmed(content.first(eq));
        if (name.isEmpty() || name.front() == ';' || name.front() == '[')
            return std::nullopt;
        qsizetype begin = eq + 1;
        qsizetype end = content.size();
        while (begin < end && IniCodec::isBlank(content[begin]))
            ++begin;
        while (end > begin && IniCodec::isBlank(content[end - 1]))
            --end;
        return KeyLine{name, begin, end};
    }

    struct Section {
        bool found = false;
        qsizetype begin = 0;    // its header line
        qsizetype end = 0;      // the next header, or the end of the text
        qsizetype appendAt = 0; // after its last key line, or after the header
        bool hasKey = false;
        std::optional<Line> key;  // the first line of the key asked for
        qsizetype valueBegin = 0; // within that line
        qsizetype valueEnd = 0;
    };

    struct Header {
        qsizetype begin; // the header line
        qsizetype next;  // the line after it
        QString name;
    };

    // The section headers in file order, found in one pass over the text the first time they
    // are asked for.
    const std::vector<Header> &headers() const
    {
        if (!m_headers) {
            std::vector<Header> list;
            findHeaders(data.constData(), bodyBegin, bodyEnd, bodyEnd, 0, codec, list);
            m_headers = std::move(list);
        }
        return *m_headers;
    }

    // Adds the headers among the lines of base[from, whole) to `out`, at their place plus
    // `offset`; `from` is the start of a line, and a line starting before `whole` ends by
    // `textEnd`. A header is a "[" with nothing but blanks before it on its line: looking for "["
    // alone passes over the text of the entries at the speed of memchr.
    static void findHeaders(const char *base, qsizetype from, qsizetype whole, qsizetype textEnd,
                            qsizetype offset, const IniCodec &codec, std::vector<Header> &out)
    {
        qsizetype at = from;
        while (at < whole) {
            const auto *hit =
                static_cast<const char *>(std::memchr(base + at, '[', size_t(whole - at)));
            if (!hit)
                break;
            qsizetype start = hit - base;
            while (start > from && IniCodec::isBlank(base[start - 1]))
                --start;
            if (start > from && base[start - 1] != '\n' && base[start - 1] != '\r') {
                at = hit - base + 1;
                continue;
            }
            forEachLineIn(base, start, textEnd, [&](const Line &line) {
                const QByteArrayView content(base + line.begin, line.end - line.begin);
                if (const auto raw = headerName(content))
                    out.push_back({offset + line.begin, offset + line.next, codec.decode(*raw)});
                at = line.next;
                return false;
            });
        }
    }

    Section find(const QString &section, const QString &ident = {}) const
    {
        Section s;
        const std::vector<Header> &list = headers();
        const auto match = std::find_if(list.begin(), list.end(), [&](const Header &h) {
            return QString::compare(h.name, section, Qt::CaseInsensitive) == 0;
        });
        if (match == list.end())
            return s;
        s.found = true;
        s.begin = match->begin;
        s.appendAt = match->next;
        s.end = match + 1 != list.end() ? (match + 1)->begin : bodyEnd;
        scanKeys(data.constData(), match->next, s.end, codec, ident, s);
        return s;
    }

    // Looks through a section's lines, base[from, to), for its keys and the key asked for.
    static void scanKeys(const char *base, qsizetype from, qsizetype to, const IniCodec &codec,
                         const QString &ident, Section &s)
    {
        forEachLineIn(base, from, to, [&](const Line &line) {
            const auto key = keyLine(QByteArrayView(base + line.begin, line.end - line.begin));
            if (key) {
                s.hasKey = true;
                s.appendAt = line.next;
                if (!s.key && !ident.isEmpty() &&
                    QString::compare(codec.decode(key->name), ident, Qt::CaseInsensitive) == 0) {
                    s.key = line;
                    s.valueBegin = key->valueBegin;
                    s.valueEnd = key->valueEnd;
                }
            }
            return true;
        });
    }

    // Makes the change here, keeping the list of headers, once made, up to date: the lines the
    // change touches are looked through again, and the headers after them move with the text.
    void apply(const Splice &splice)
    {
        // In place, moving the text after the change once.
        const qsizetype delta = splice.bytes.size() - (splice.end - splice.begin);
        const qsizetype size = data.size();
        if (delta > 0)
            data.resize(size + delta);
        char *bytes = data.data();
        std::memmove(bytes + splice.end + delta, bytes + splice.end, size_t(size - splice.end));
        std::memcpy(bytes + splice.begin, splice.bytes.constData(), size_t(splice.bytes.size()));
        if (delta < 0)
            data.resize(size + delta);
        bodyEnd += delta;
        eol = detectLineBreak(); // the first line break may be a new one
        if (!m_headers)
            return;

        // The touched lines: from the start of the line the change begins in, to the end of
        // what was put in.
        qsizetype from = splice.begin;
        while (from > bodyBegin && data[from - 1] != '\n' && data[from - 1] != '\r')
            --from;
        std::vector<Header> &list = *m_headers;
        const auto startingAt = [&](qsizetype at) {
            return std::lower_bound(list.begin(), list.end(), at,
                                    [](const Header &h, qsizetype pos) { return h.begin < pos; });
        };
        const auto first = startingAt(from);
        const auto last = startingAt(splice.end);
        for (auto h = last; h != list.end(); ++h) {
            h->begin += delta;
            h->next += delta;
        }
        std::vector<Header> found;
        findHeaders(data.constData(), from, splice.begin + splice.bytes.size(), bodyEnd, 0, codec,
                    found);
        list.insert(list.erase(first, last), found.begin(), found.end());
    }

    // `bytes` put in at `pos` as whole lines, mending a last line left without its line break.
    Splice insertLines(qsizetype pos, const QByteArray &bytes) const
    {
        const bool mend = pos > bodyBegin && data[pos - 1] != '\n' && data[pos - 1] != '\r';
        return Splice{pos, pos, mend ? eol + bytes : bytes};
    }

    QByteArray data;
    qsizetype bodyBegin = 0;
    qsizetype bodyEnd = 0;
    IniCodec codec{IniCodec::Page::Windows1251};
    QByteArray eol;

private:
    mutable std::optional<std::vector<Header>> m_headers;

    QByteArray detectLineBreak() const
    {
        for (qsizetype i = bodyBegin; i < bodyEnd; ++i) {
            if (data[i] == '\n')
                return "\n";
            if (data[i] == '\r')
                return i + 1 < bodyEnd && data[i + 1] == '\n' ? "\r\n" : "\r";
        }
        return "\r\n"; // the diary's own line break
    }
};

// Every write reads the whole file. Reading it into the same block of memory each time spares
// the system handing out, clearing and taking back a block the size of the diary on every call,
// which for years of entries costs more than the reading itself. The block stays with the thread
// for its next call and only ever grows; what is returned shares it until it goes away. A batch,
// which changes the text it read, takes the block for itself and gives it back when it is done.
QByteArray &readingBlock()
{
    thread_local QByteArray block;
    return block;
}

void giveBack(QByteArray &&block)
{
    QByteArray &mine = readingBlock();
    if (block.isDetached() && block.capacity() > mine.capacity())
        mine = std::move(block);
}

enum class Block { Shared, Taken };

QByteArray readText(const QString &fileName, Block use = Block::Shared)
{
    QByteArray &buffer = readingBlock();
    QFile file(fileName);
    if (QFileInfo(fileName).isDir() || !file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    // One byte more than the file holds, so that a file that grew meanwhile is read to its end.
    qsizetype room = qsizetype(file.size()) + 1;
    qsizetype size = 0;
    for (;;) {
        if (buffer.size() < room)
            buffer.resize(room);
        const qint64 got = file.read(buffer.data() + size, room - size);
        if (got <= 0)
            break;
        size += qsizetype(got);
        if (size == room)
            room *= 2;
    }
    buffer.resize(size);
    return use == Block::Taken ? std::exchange(buffer, QByteArray()) : buffer;
}

// What tells one state of the file from another without reading it: a save puts a new file in
// place (another inode), and any other change moves its size or its change times.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const FileStamp &o) const
    {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

FileStamp stampOf(const QString &fileName)
{
    struct stat st {
    };
    if (::stat(QFile::encodeName(fileName).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

[[noreturn]] void failWrite(const QString &fileName)
{
    throw EIniFileException(QStringLiteral("Unable to write to %1").arg(fileName));
}

// Refuses a name that would not read back as it stands.
void checkName(const IniCodec &codec, const QString &name, bool isSection)
{
    const QString what = isSection ? QStringLiteral("Дата записи") : QStringLiteral("Имя поля");
    if (name.isEmpty())
        throw EIniFileException(what + QStringLiteral(" не может быть пустой"));
    const QChar first = name.front();
    const QChar last = name.back();
    if (first.isSpace() || last.isSpace())
        throw EIniFileException(
            QStringLiteral("%1 «%2» не может начинаться или кончаться пробелом").arg(what, name));
    for (const QChar ch : name) {
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F)
            throw EIniFileException(
                QStringLiteral("%1 не может содержать перевод строки или управляющие символы")
                    .arg(what));
    }
    if (!isSection && (name.contains(u'=') || first == u';' || first == u'['))
        throw EIniFileException(QStringLiteral("Недопустимое имя поля «%1»").arg(name));
    const QString bad = codec.firstUnrepresentable(name);
    if (!bad.isEmpty())
        throw EIniFileException(
            QStringLiteral(
                "%1 «%2» содержит символ «%3», который нельзя сохранить в файле дневника")
                .arg(what, name, bad));
}

// A file without any write permission is read-only for us, whoever we run as.
void checkWritable(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        return;
    constexpr auto anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (info.isDir() || !(info.permissions() & anyWrite) || !info.isWritable())
        failWrite(fileName);
}

// Where the save really happens: a symbolic link is followed and its target replaced.
QFileInfo savedFile(const QString &fileName)
{
    const QFileInfo info(fileName);
    const QString target = info.canonicalFilePath();
    return target.isEmpty() ? info : QFileInfo(target);
}

// The new diary is first completed and flushed under a name of its own beside the old one,
// "Save.vnx.velnora-new", and only then renamed over it. QSaveFile, which writes it, may itself
// pass through "Save.vnx.velnora-new.AbCdEf". A crash between those steps leaves such a file
// behind: whole, but never taken for the diary. The names are ours alone, so removing them before
// the next save cannot touch anything of the user's, such as a "Save.vnx.backup".
const QString kStagingSuffix = QStringLiteral(".velnora-new");

bool isLeftoverName(QStringView name, QStringView staging)
{
    constexpr qsizetype kRandomPart = 6;
    if (name == staging)
        return true;
    if (name.size() != staging.size() + 1 + kRandomPart || !name.startsWith(staging) ||
        name[staging.size()] != u'.')
        return false;
    for (const QChar ch : name.last(kRandomPart)) {
        const char16_t c = ch.unicode();
        if (!((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')))
            return false;
    }
    return true;
}

void removeLeftovers(const QFileInfo &target)
{
    const QString staging = target.fileName() + kStagingSuffix;
    QDirIterator it(target.absolutePath(), {staging + u'*'},
                    QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    while (it.hasNext()) {
        it.next();
        if (isLeftoverName(it.fileName(), staging))
            QFile::remove(it.filePath());
    }
}

// The rename that replaced the diary is an entry in its folder; until the folder itself reaches
// the disk, a power cut could bring back the old file, or (for a new diary) no file at all.
bool syncFolder(const QString &fileName)
{
    const QString folder = savedFile(fileName).absolutePath();
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return true; // nothing more we can do from here
    int rc;
    do {
        rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    // EINVAL: the file system has no way to sync a folder (some network and FUSE mounts).
    const bool ok = rc == 0 || errno == EINVAL;
    ::close(fd);
    return ok;
}

void writeAtomically(const QString &fileName, const Edit &edit)
{
    const QFileInfo target = savedFile(fileName);
    removeLeftovers(target);
    const QString staging = target.absoluteFilePath() + kStagingSuffix;
    QSaveFile file(staging);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        failWrite(fileName);
    // A diary is private: a new one is for its owner's eyes only. An existing file keeps the
    // permissions it has.
    const auto permissions =
        target.exists() ? target.permissions() : QFile::ReadOwner | QFile::WriteOwner;
    if (!file.setPermissions(permissions)) {
        file.cancelWriting();
        failWrite(fileName);
    }
    for (const QByteArrayView piece : {edit.before, QByteArrayView(edit.inserted), edit.after}) {
        if (file.write(piece.data(), piece.size()) != piece.size()) {
            file.cancelWriting();
            failWrite(fileName);
        }
    }
    if (!file.commit())
        failWrite(fileName);
    if (::rename(QFile::encodeName(staging).constData(),
                 QFile::encodeName(target.absoluteFilePath()).constData()) != 0) {
        QFile::remove(staging);
        failWrite(fileName);
    }
    if (!syncFolder(fileName))
        failWrite(fileName);
}

// The names of the sections in file order, each name once.
QStringList namesOf(const std::vector<Text::Header> &headers)
{
    QStringList names;
    QSet<QString> seen;
    for (const Text::Header &header : headers) {
        // Letter case only matters to names with letters; dates go as they are.
        const bool hasLetters = std::any_of(header.name.begin(), header.name.end(),
                                            [](QChar c) { return c.isLetter(); });
        const QString key = hasLetters ? header.name.toCaseFolded() : header.name;
        if (!seen.contains(key)) {
            seen.insert(key);
            names.append(header.name);
        }
    }
    return names;
}

// What a read gives for a missing key: the default without its trailing blanks.
QString defaultValue(const QString &Default)
{
    qsizetype end = Default.size();
    while (end > 0 && Default.at(end - 1).isSpace())
        --end;
    return Default.first(end);
}

QString valueAt(const Text &text, const Text::Section &s)
{
    return text.codec.decodeValue(
        text.view(*s.key).sliced(s.valueBegin, s.valueEnd - s.valueBegin));
}

// What a write changes: the batch's text, or else the file read afresh. A block taken from the
// reader goes back to it when the write is done with it.
class TextToChange
{
public:
    TextToChange(const std::unique_ptr<Text> &batchText, const QString &fileName, bool batching)
        : m_batchText(batchText.get())
    {
        if (!m_batchText)
            fresh.emplace(readText(fileName, batching ? Block::Taken : Block::Shared));
    }
    ~TextToChange()
    {
        if (fresh)
            giveBack(std::move(fresh->data));
    }
    TextToChange(const TextToChange &) = delete;
    TextToChange &operator=(const TextToChange &) = delete;

    const Text &text() const { return m_batchText ? *m_batchText : *fresh; }

    std::optional<Text> fresh;

private:
    const Text *m_batchText;
};

} // namespace inifile

using namespace inifile;

TIniFile::TIniFile(const QString &FileName) : m_fileName(FileName) {}

// What the read operations know of the file between two looks at it: where its sections are.
// The section headers are found by reading the file once through a small buffer, so that years
// of entries are never held in memory whole just to be read; a section's lines are read from the
// file when they are asked for.
struct TIniFile::Snapshot {
    FileStamp stamp;
    IniCodec codec{IniCodec::Page::Windows1251};
    qsizetype bodyEnd = 0;
    std::vector<Text::Header> headers;
    // Read while this is the file: the names listed, and the lines of the section read last
    // (an entry is read key by key), by where they start.
    mutable std::optional<QStringList> names;
    mutable std::optional<std::pair<qsizetype, QByteArray>> lastLines;

    // The lines of the first section of that name, [from, to) in the file; nothing when absent.
    std::optional<std::pair<qsizetype, qsizetype>> sectionLines(const QString &section) const
    {
        for (size_t i = 0; i < headers.size(); ++i) {
            if (QString::compare(headers[i].name, section, Qt::CaseInsensitive) == 0) {
                const qsizetype to = i + 1 < headers.size() ? headers[i + 1].begin : bodyEnd;
                return std::pair{std::min(headers[i].next, to), to};
            }
        }
        return std::nullopt;
    }
};

// A section's lines as read from the file, with what was found in them.
struct TIniFile::SectionRead {
    IniCodec codec;
    QByteArray bytes;
    Text::Section section;
};

namespace inifile
{

// Reads the file through once, noting its code page, where its text ends and its headers.
bool indexFile(QFile &file, IniCodec &codec, qsizetype &bodyEnd, std::vector<Text::Header> &headers)
{
    constexpr qsizetype kChunk = 256 * 1024;
    QByteArray buffer(kChunk, Qt::Uninitialized);
    qsizetype filled = 0; // bytes in the buffer: the start of a line not yet looked at, then more
    qsizetype offset = 0; // where the buffer starts in the file
    qsizetype endOfFileMarks = 0;
    bool first = true;
    for (bool atEnd = false; !atEnd;) {
        if (buffer.size() - filled < kChunk / 2)
            buffer.resize(filled + kChunk); // a line longer than the buffer
        const qint64 got = file.read(buffer.data() + filled, buffer.size() - filled);
        if (got < 0)
            return false;
        atEnd = got == 0;

        qsizetype ends = 0; // ^Z bytes closing what was just read
        while (ends < got && buffer[filled + got - 1 - ends] == kEndOfFile)
            ++ends;
        endOfFileMarks = ends == got ? endOfFileMarks + ends : ends;
        filled += qsizetype(got);

        qsizetype pos = 0;
        if (first && (filled >= 3 || atEnd)) {
            first = false;
            if (QByteArrayView(buffer.constData(), filled).startsWith(kByteOrderMark)) {
                codec = IniCodec(IniCodec::Page::Utf8);
                pos = 3;
            }
        }
        if (first)
            continue;
        const qsizetype textEnd = atEnd ? filled - endOfFileMarks : filled;
        const char *base = buffer.constData();
        // Lines that start before `whole` have their line break in the buffer; the rest waits for
        // the next piece (the buffer always begins at the start of a line).
        qsizetype whole = textEnd;
        if (!atEnd) {
            while (whole > pos && base[whole - 1] != '\n' && base[whole - 1] != '\r')
                --whole;
        }
        Text::findHeaders(base, pos, whole, textEnd, offset, codec, headers);
        pos = whole;
        if (atEnd) {
            bodyEnd = offset + textEnd;
            break;
        }
        std::memmove(buffer.data(), buffer.constData() + pos, size_t(filled - pos));
        filled -= pos;
        offset += pos;
    }
    return true;
}

} // namespace inifile

std::shared_ptr<const TIniFile::Snapshot> TIniFile::snapshot() const
{
    // Taken before reading: if the file changes while it is read, the next look sees another
    // stamp and reads it again.
    const FileStamp stamp = stampOf(m_fileName);
    if (!m_snapshot || !(m_snapshot->stamp == stamp)) {
        auto fresh = std::make_shared<Snapshot>();
        fresh->stamp = stamp;
        QFile file(m_fileName);
        if (stamp.exists && file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) &&
            !indexFile(file, fresh->codec, fresh->bodyEnd, fresh->headers)) {
            fresh->headers.clear();
            fresh->bodyEnd = 0;
        }
        m_snapshot = std::move(fresh);
    }
    return m_snapshot;
}

std::optional<TIniFile::SectionRead> TIniFile::readSection(const QString &Section,
                                                           const QString &Ident) const
{
    // The file may change between looking at it and reading the section's lines: then the lines
    // read may belong to another version of it, so look again and start over.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const auto snap = snapshot();
        const auto lines = snap->sectionLines(Section);
        if (!lines)
            return std::nullopt;
        SectionRead read{snap->codec, {}, {}};
        if (snap->lastLines && snap->lastLines->first == lines->first) {
            read.bytes = snap->lastLines->second;
            Text::scanKeys(read.bytes.constData(), 0, read.bytes.size(), read.codec, Ident,
                           read.section);
            return read;
        }
        QFile file(m_fileName);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || !file.seek(lines->first))
            continue;
        read.bytes = file.read(lines->second - lines->first);
        if (stampOf(m_fileName) == snap->stamp &&
            read.bytes.size() == lines->second - lines->first) {
            Text::scanKeys(read.bytes.constData(), 0, read.bytes.size(), read.codec, Ident,
                           read.section);
            snap->lastLines.emplace(lines->first, read.bytes);
            return read;
        }
    }
    return std::nullopt; // the file would not hold still: nothing can be told of it
}

void TIniFile::ReadSections(QStringList &Strings) const
{
    if (m_unsaved) {
        Strings = namesOf(m_unsaved->headers());
        return;
    }
    const auto snap = snapshot();
    if (!snap->names)
        snap->names = namesOf(snap->headers);
    Strings = *snap->names;
}

bool TIniFile::SectionExists(const QString &Section) const
{
    if (m_unsaved)
        return m_unsaved->find(Section).hasKey;
    const auto read = readSection(Section, {});
    return read && read->section.hasKey;
}

QString TIniFile::ReadString(const QString &Section, const QString &Ident,
                             const QString &Default) const
{
    if (m_unsaved) {
        const auto s = m_unsaved->find(Section, Ident);
        return s.key ? valueAt(*m_unsaved, s) : defaultValue(Default);
    }
    const auto read = readSection(Section, Ident);
    if (!read || !read->section.key)
        return defaultValue(Default);
    const Line &line = *read->section.key;
    return read->codec.decodeValue(QByteArrayView(read->bytes)
                                       .sliced(line.begin + read->section.valueBegin,
                                               read->section.valueEnd - read->section.valueBegin));
}

TIniFile::~TIniFile() = default;

void TIniFile::WriteString(const QString &Section, const QString &Ident, const QString &Value)
{
    TextToChange changing(m_unsaved, m_fileName, m_batching);
    const Text &text = changing.text();
    checkName(text.codec, Section, true);
    checkName(text.codec, Ident, false);
    checkWritable(m_fileName);

    const QByteArray value = text.codec.encodeValue(Value);
    const auto s = text.find(Section, Ident);
    Splice splice;
    if (s.key) {
        if (valueAt(text, s) == Value)
            return;
        // The key keeps its spelling and the blanks around "=" that it was written with.
        splice = {s.key->begin + s.valueBegin, s.key->end, value};
    } else if (s.found) {
        splice = text.insertLines(s.appendAt, text.codec.encode(Ident) + '=' + value + text.eol);
    } else {
        const QByteArray lines = '[' + text.codec.encode(Section) + ']' + text.eol +
                                 text.codec.encode(Ident) + '=' + value + text.eol;
        splice = text.insertLines(text.bodyEnd, lines);
    }
    change(changing, splice);
}

void TIniFile::EraseSection(const QString &Section)
{
    TextToChange changing(m_unsaved, m_fileName, m_batching);
    const Text &text = changing.text();
    const auto s = text.find(Section);
    if (!s.found)
        return;
    checkWritable(m_fileName);
    change(changing, {s.begin, s.end, {}});
}

// Saves the change to the file, read afresh; or, in a batch, makes it in the batch's text, which
// the first change of the batch takes over from what was read.
void TIniFile::change(TextToChange &changing, const Splice &splice)
{
    std::optional<Text> &fresh = changing.fresh;
    m_snapshot.reset();
    if (!m_batching) {
        const QByteArrayView whole(fresh->data);
        writeAtomically(m_fileName,
                        Edit{whole.first(splice.begin), splice.bytes, whole.sliced(splice.end)});
        return;
    }
    if (!m_unsaved)
        m_unsaved = std::make_unique<Text>(std::move(*fresh)); // read into a block of its own
    m_unsaved->apply(splice);
}

void TIniFile::commit()
{
    const auto done = qScopeGuard([this] { endBatch(); });
    if (!m_unsaved)
        return;
    checkWritable(m_fileName);
    m_snapshot.reset();
    writeAtomically(m_fileName, Edit{m_unsaved->data, {}, {}});
}

void TIniFile::endBatch()
{
    m_batching = false;
    if (m_unsaved)
        giveBack(std::move(m_unsaved->data));
    m_unsaved.reset();
}

TIniFile::Batch::Batch(TIniFile &file) : m_file(&file)
{
    Q_ASSERT_X(!file.m_batching, "TIniFile::Batch", "batches do not nest");
    file.m_batching = true;
}

TIniFile::Batch::~Batch()
{
    if (m_file)
        m_file->endBatch();
}

void TIniFile::Batch::Commit()
{
    if (TIniFile *file = std::exchange(m_file, nullptr))
        file->commit();
}
