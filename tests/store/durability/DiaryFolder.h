#pragma once

#include "DiaryBytes.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QString>

#include <sys/stat.h>

// What a folder holds, file by file, down to the bytes and the permission bits: two snapshots
// are equal exactly when nothing in the folder was touched, added or left behind.
struct FolderSnapshot {
    struct Entry {
        bool isFolder = false;
        mode_t mode = 0;
        QByteArray bytes;
        bool operator==(const Entry &) const = default;
    };
    bool exists = false;
    QMap<QString, Entry> entries;
    bool operator==(const FolderSnapshot &) const = default;

    static FolderSnapshot of(const QString &folder)
    {
        FolderSnapshot snap;
        snap.exists = QFileInfo(folder).isDir();
        collect(folder, QString(), snap.entries);
        return snap;
    }

    QStringList names() const { return entries.keys(); }

private:
    static void collect(const QString &folder, const QString &prefix, QMap<QString, Entry> &out)
    {
        const auto infos = QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden |
                                                      QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo &info : infos) {
            struct stat st {
            };
            ::lstat(QFile::encodeName(info.filePath()).constData(), &st);
            Entry entry;
            entry.isFolder = S_ISDIR(st.st_mode);
            entry.mode = st.st_mode & 07777;
            const QString name = prefix + info.fileName();
            if (entry.isFolder) {
                collect(info.filePath(), name + u'/', out);
            } else {
                QFile file(info.filePath());
                if (file.open(QIODevice::ReadOnly))
                    entry.bytes = file.readAll();
            }
            out.insert(name, entry);
        }
    }
};

inline mode_t modeOf(const QString &path)
{
    struct stat st {
    };
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

inline bool setMode(const QString &path, mode_t mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}
