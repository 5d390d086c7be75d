#include "convert/fileidentity.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include "convert/nativename.h"

#ifndef FS_CASEFOLD_FL
#define FS_CASEFOLD_FL 0x40000000
#endif

namespace {

constexpr long kMsdosMagic = 0x4d44;
constexpr long kExfatMagic = 0x2011BAB0;

// The folder ignores letter case: its file system does, or the folder is
// marked to fold names.
bool foldsNames(int fd)
{
    struct statfs fs;
    if (::fstatfs(fd, &fs) == 0 && (fs.f_type == kMsdosMagic || fs.f_type == kExfatMagic))
        return true;
    int flags = 0;
    return ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL);
}

std::pair<QString, QString> split(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return {QStringLiteral("."), path};
    return {slash == 0 ? QStringLiteral("/") : path.left(slash), path.mid(slash + 1)};
}

} // namespace

size_t qHash(const FileIdentity &identity, size_t seed)
{
    return qHashMulti(seed, identity.device, identity.folder, identity.name);
}

FileIdentifier::Folder *FileIdentifier::folder(const QString &path)
{
    auto found = m_folders.find(path);
    if (found != m_folders.end())
        return found->device || found->inode ? &*found : nullptr;
    Folder folder;
    const int fd = ::open(toNativeName(path).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    struct stat st;
    if (fd >= 0 && ::fstat(fd, &st) == 0) {
        folder.device = st.st_dev;
        folder.inode = st.st_ino;
        folder.folded = foldsNames(fd);
    }
    if (fd >= 0)
        ::close(fd);
    found = m_folders.insert(path, folder);
    return folder.device || folder.inode ? &*found : nullptr;
}

FileIdentity FileIdentifier::identify(const QString &path)
{
    const auto [folderPath, name] = split(path);
    // "." and ".." name folders, not entries of one.
    const bool entry = !name.isEmpty() && name != u"." && name != u"..";
    const Folder *in = entry ? folder(folderPath) : nullptr;
    if (!in)
        return {0, 0, path};
    return {in->device, in->inode, in->folded ? name.toCaseFolded() : name};
}

bool FileIdentifier::exists(const QString &path)
{
    const auto [folderPath, name] = split(path);
    Folder *in = m_listFolders ? folder(folderPath) : nullptr;
    if (!in) {
        struct stat st;
        return ::lstat(toNativeName(path).constData(), &st) == 0;
    }
    // A folder is read once a pass: many files share one.
    if (!in->listed) {
        in->listed = true;
        if (DIR *dir = ::opendir(toNativeName(folderPath).constData())) {
            while (const dirent *e = ::readdir(dir)) {
                const QString entry = fromNativeName(QByteArray(e->d_name));
                in->names.insert(in->folded ? entry.toCaseFolded() : entry);
            }
            ::closedir(dir);
        }
    }
    return in->names.contains(in->folded ? name.toCaseFolded() : name);
}
