#include "settings/programfolder.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
bool writableFolder(const QString &dir)
{
    return ::access(QFile::encodeName(dir).constData(), W_OK) == 0;
}
} // namespace

ProgramFolder::ProgramFolder(const QString &appDir)
    : ProgramFolder(appDir, writableFolder(appDir) &&
                                !QFileInfo::exists(QDir(appDir).filePath(
                                    QString::fromLatin1(kInstalledMark))))
{
}

ProgramFolder::ProgramFolder(const QString &appDir, bool writable)
    : m_appDir(appDir.endsWith(QLatin1Char('/')) ? appDir : appDir + QLatin1Char('/')),
      m_writable(writable)
{
}

QString ProgramFolder::userSettingsFile() const
{
    if (m_writable)
        return {};
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config + QStringLiteral("/tarnwick/Formats.ini");
}

QString ProgramFolder::defaultOutputFolder() const
{
    if (m_writable)
        return m_appDir + QStringLiteral("Converted Videos");
    QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (videos.isEmpty())
        videos = QDir::homePath();
    return videos + QStringLiteral("/Converted Videos");
}

void ProgramFolder::createDefaultOutputFolder() const
{
    const QString folder = defaultOutputFolder();
    if (m_writable)
        QDir().mkdir(folder); // one level, beside the executable
    else
        QDir().mkpath(folder);
}
