#pragma once

#include <memory>
#include <optional>

#include <sys/stat.h>

#include <QString>

// The file at an output that the user chose to replace: a commit replaces
// that file and no other. A freed inode is soon used again, so a file put
// in its place is told apart by its change time too.
struct ReplacedFile
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 changedNs = 0;
};

// As found on disk; for jobfiles.
ReplacedFile replacedFile(const struct stat &st);

// A job's private folder inside its output folder (".tarnwick-work-XXXXXX",
// mode 0700): the engine writes the part file in it, where nobody else can
// place or swap anything, and the part takes the output's name only on
// commit. A lock on a file inside tells a running job's folder from a
// leftover of a copy that was killed. Calls touch the file system: run them
// on a worker.
class WorkFolder final
{
public:
    // For the output at path, in its folder; nullptr, with error set, when
    // the folder cannot be made there.
    static std::unique_ptr<WorkFolder> create(const QString &output, QString *error);
    // Removes what is left and lets go of the lock. The batch ends each one
    // on a worker, after remove().
    ~WorkFolder();
    WorkFolder(const WorkFolder &) = delete;
    WorkFolder &operator=(const WorkFolder &) = delete;

    // Where the engine writes: reached through this process's handle on the
    // folder where /proc allows, so that no rename of a name on the way
    // redirects it. A short fixed name with the output's extension.
    QString partPath() const { return m_partPath; }

    enum class Outcome { Committed, NameTaken, Failed };
    // Flushes the part and gives it `name` in the output folder without
    // replacing anything there, then flushes the folder. With `replaced`,
    // that file (and only it) is replaced in one step and lends the part its
    // mode. error says why it Failed.
    Outcome commit(const QString &name, const std::optional<ReplacedFile> &replaced,
                   QString *error);
    // Removes the part and the folder; false when something stays.
    bool remove();
    QString path() const { return m_path; }

private:
    WorkFolder() = default;
    bool holdNewFolder();
    bool moveWithoutReplacing(const QByteArray &target);

    QString m_path;
    QString m_partPath;
    QByteArray m_name;     // the folder's, in the output folder
    QByteArray m_partName; // in the folder
    int m_parent = -1;     // the output folder
    int m_folder = -1;
    int m_lock = -1;
    bool m_removed = false;
};

// Removes the work folders in folder that are this user's and whose lock
// is free, with the part and lock inside; a folder holding anything else
// stays, and no other entry is touched. Returns how many went.
int sweepWorkFolders(const QString &folder);
