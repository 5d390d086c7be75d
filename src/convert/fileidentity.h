#pragma once

#include <QHash>
#include <QSet>
#include <QString>

// Which file a path names: the device and inode of its folder, and its name
// there, folded where that folder ignores letter case (vfat, exFAT,
// casefolded folders). Two spellings of one file (a folder reached through
// a link, "a/./b") have one identity, and so has a file not written yet.
struct FileIdentity
{
    quint64 device = 0;
    quint64 folder = 0; // the folder's inode
    QString name;       // the whole path when the folder cannot be read

    bool isKnown() const { return device != 0 || folder != 0; }
    friend bool operator==(const FileIdentity &, const FileIdentity &) = default;
};

size_t qHash(const FileIdentity &identity, size_t seed = 0);

// Looks at folders, remembering each it has seen. Every call may wait on a
// slow or hung file system: one instance serves one pass on a worker.
class FileIdentifier final
{
public:
    // listFolders: a pass over many files reads each folder once and looks
    // names up in it; otherwise each name is looked at by itself.
    explicit FileIdentifier(bool listFolders = false) : m_listFolders(listFolders) {}

    FileIdentity identify(const QString &path);
    // Any entry of that name, a dangling link or an unreadable file too.
    bool exists(const QString &path);

private:
    struct Folder
    {
        quint64 device = 0;
        quint64 inode = 0;
        bool folded = false;
        bool listed = false;
        QSet<QString> names; // once listed
    };
    Folder *folder(const QString &path);

    bool m_listFolders = false;
    QHash<QString, Folder> m_folders;
};
