#pragma once

#include <QString>

// Where the program keeps what it writes. A program folder the user can write
// to (built or unpacked by the user) keeps everything beside the executable.
// An installed or read-only program folder keeps the catalogue there, while
// the user's stored settings go to the user's configuration folder and
// converted files to the user's Videos folder.
class ProgramFolder final
{
public:
    // Left in the program folder by cmake --install. An installed copy is
    // shared: whoever runs it, root too, keeps settings of their own.
    static constexpr const char *kInstalledMark = "installed";

    explicit ProgramFolder(const QString &appDir);
    ProgramFolder(const QString &appDir, bool writable);

    // Everything stays beside the executable.
    bool isWritable() const { return m_writable; }
    // Empty when the settings stay beside the executable.
    QString userSettingsFile() const;
    QString defaultOutputFolder() const;
    // Creates the default output folder; failures are ignored.
    void createDefaultOutputFolder() const;

private:
    QString m_appDir;
    bool m_writable = true;
};
