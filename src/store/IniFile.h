#pragma once

#include "Exception.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace inifile
{
struct Splice;
class Text;
class TextToChange;
} // namespace inifile

// The diary file: an initialization-format text file of sections ("[name]") holding key lines
// ("key=value"). Every operation goes to the file itself at once (a batch, below, holds its writes
// until it is committed), so nothing needs saving at exit. A read looks at the file each time and
// reads it again whenever it is not the very file read last (another file put in its place, another
// size or change time); a write always reads the file afresh before changing it.
//
// Reading never fails: a missing or unreadable file is an empty diary.
//   ReadSections   empties the list, then adds each section name in file order (a name that
//                  appears twice is listed once).
//   SectionExists  true when the section is there and holds at least one key.
//   ReadString     the key's value exactly as it was written; Default, less trailing blanks, when
//                  the section or key is missing.
// Writing replaces the whole file atomically: the new file is written beside the old one, flushed
// to disk and renamed over it, so a crash leaves the old file or the new one, never a mix.
//   WriteString    creates the file, the section (at the end of the file) and the key (at the end
//                  of its section) as needed, or replaces the key's value where it stands.
//   EraseSection   removes the section's header and every line under it up to the next header.
// Everything else in the file stays byte for byte: other sections, comments (";"), blank lines,
// lines of other programs, text before the first section. Names match regardless of letter case;
// where a name appears twice, the first one is read and written and the later ones are kept.
// A write that changes nothing leaves the file untouched.
//
// Several writes that belong together (the fields of one entry) can be made as one save with a
// Batch: while it lives, writes change a copy of the file held in memory, reads see that copy,
// and Commit() puts it on disk in one atomic save. A batch dropped without Commit(), such as when
// one of its writes throws, leaves the file exactly as it was. The copy is taken at the batch's
// first change and written back whole, so the batch is meant to be short: the writes of one
// command, not a place to keep the diary.
//
// Failures raise EIniFileException:
//   "Unable to write to <path>"  the file, its folder or the disk refused the write (a file with
//                                no write permission counts as read-only even for root); the file
//                                stays exactly as it was and no temporary file is left.
//   a message about the name     a section or key name that could not be read back as it stands
//                                (empty, blanks at either end, line breaks or control characters,
//                                characters the file's code page cannot hold); nothing is written.
class TIniFile
{
public:
    explicit TIniFile(const QString &FileName);
    ~TIniFile();
    TIniFile(const TIniFile &) = delete;
    TIniFile &operator=(const TIniFile &) = delete;

    const QString &FileName() const { return m_fileName; }

    void ReadSections(QStringList &Strings) const;
    bool SectionExists(const QString &Section) const;
    QString ReadString(const QString &Section, const QString &Ident, const QString &Default) const;
    void WriteString(const QString &Section, const QString &Ident, const QString &Value);
    void EraseSection(const QString &Section);

    class Batch;

private:
    struct Snapshot;
    struct SectionRead;
    std::shared_ptr<const Snapshot> snapshot() const;
    std::optional<SectionRead> readSection(const QString &Section, const QString &Ident) const;
    void change(inifile::TextToChange &changing, const inifile::Splice &splice);
    void commit();
    void endBatch();

    QString m_fileName;
    mutable std::shared_ptr<const Snapshot> m_snapshot;
    bool m_batching = false;
    std::unique_ptr<inifile::Text> m_unsaved; // the file as the batch has changed it, unsaved
};

// Writes made while a Batch lives go to disk together when it is committed, or not at all.
// Batches do not nest.
class TIniFile::Batch
{
public:
    explicit Batch(TIniFile &file);
    ~Batch();
    Batch(const Batch &) = delete;
    Batch &operator=(const Batch &) = delete;

    // Saves the batch's changes, if it made any, as one atomic save of the file, and ends the
    // batch whether or not the save succeeds. Throws as WriteString does.
    void Commit();

private:
    TIniFile *m_file;
};
