#pragma once

#include <QString>
#include <QStringList>

#include "convert/batch.h"

// The command line of a conversion without a window: every value is read
// and checked against the catalogue before anything is converted.
class TerminalOptions final
{
    Q_DISABLE_COPY_MOVE(TerminalOptions)

public:
    enum class Existing { Skip, Overwrite, KeepBoth };
    enum class Outcome {
        Convert, // the options can be used
        Shown,   // help or version asked for; text() holds it
        Invalid, // text() says which value and what is allowed
    };

    // True when the arguments name one of these options, so that the program
    // must start without a window. Only files, or nothing, open the window.
    static bool wanted(int argc, char **argv);

    // appDir: the program's folder, whose Formats.ini is the catalogue
    // unless --catalogue names another.
    explicit TerminalOptions(const QString &appDir);

    Outcome parse(const QStringList &arguments);

    QString text() const { return m_text; }
    const FileSettings &settings() const { return m_settings; }
    // Absolute paths, each once, in the order given. Arguments and names
    // keep stray bytes as nativename.h says.
    const QStringList &inputs() const { return m_inputs; }
    Existing existing() const { return m_existing; }
    int jobs() const { return m_jobs; }
    // 0: a file that makes no progress is waited for.
    int stallSeconds() const { return m_stallSeconds; }
    // Converted paths end with NUL rather than a line break.
    bool nulSeparated() const { return m_nulSeparated; }

    static constexpr int kMaxJobs = 16;
    static constexpr int kMaxStallMinutes = 1440;

private:
    Outcome invalid(const QString &message);
    bool checkInputs(const QStringList &files);
    bool checkOutputFolder(const QString &folder, const QString &what);

    QString m_appDir;
    QString m_text;
    FileSettings m_settings;
    QStringList m_inputs;
    Existing m_existing = Existing::Skip;
    int m_jobs = 1;
    int m_stallSeconds = 0;
    bool m_nulSeparated = false;
};
