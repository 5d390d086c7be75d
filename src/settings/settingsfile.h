#pragma once

#include <QByteArray>
#include <QString>

// Keys of one INI file with private-profile behaviour: section and key names
// match without regard to case, anything missing reads as the default, a
// write creates the file or section when needed and replaces only the key's
// own line. Values are never cut. The file is read anew for every call.
class SettingsFile
{
public:
    SettingsFile() = default;
    explicit SettingsFile(const QString &appDir) : m_appDir(appDir) {}
    virtual ~SettingsFile() = default;

    void setFileName(const QString &name);
    QString fileName() const { return m_file; }
    // A per-user file laid over the program's: its keys win on reading, and
    // every write goes to it.
    void setUserFile(const QString &path) { m_userFile = path; }
    QString userFile() const { return m_userFile; }

    QString readString(const QString &key, const QString &defaultValue = {},
                       const QString &section = {});
    // Returns false when the file could not be written; the old file then
    // stays as it was, and errorString() says why. A value with a blank at
    // either end is stored in quotes that readString takes off again.
    bool writeString(const QString &key, const QString &value, const QString &section = {});
    QString errorString() const { return m_error; }

    // An absolute path is used unchanged; a relative one is taken relative to
    // the executable's folder.
    QString resolvePath(const QString &path) const;

    // The edited file text, exposed for tests of the line rules.
    static QByteArray withValue(const QByteArray &ini, const QByteArray &section,
                                const QByteArray &key, const QByteArray &value);

private:
    static bool readValue(const QString &file, const QString &section, const QString &key,
                          QString *value);

    QString m_appDir;
    QString m_file;
    QString m_userFile;
    QString m_section;
    QString m_value;
    QString m_error;
};
