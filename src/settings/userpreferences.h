#pragma once

#include <QString>

// The user's own choices that the catalogue has no place for, in
// tarnwick.conf of the user's configuration folder (~/.config/tarnwick/).
// Formats.ini is never written with them.
class UserPreferences final
{
public:
    // The file in the user's configuration folder.
    UserPreferences();
    explicit UserPreferences(const QString &file);

    // Converted files take their source's modification time; on unless
    // turned off.
    bool keepDates() const;
    void setKeepDates(bool keep);

    // How a batch that runs unattended treats an output that exists:
    // "ask" (the default), "overwrite", "keepboth" or "skip".
    QString onExisting() const;
    // A file that cannot be converted: "tell" at once (the default) or
    // "note" it in the list and go on.
    QString onFailure() const;
    // Seconds without progress after which a file is given up; 0 waits.
    int stallSeconds() const;
    // Jobs at once: "auto" (the default: one more than there are cores,
    // capped), or "1" (one file after another) to "8".
    QString jobs() const;
    // Each setter refuses a value it does not know and keeps the previous.
    bool setOnExisting(const QString &choice);
    bool setOnFailure(const QString &choice);
    bool setStallSeconds(const QString &seconds);
    bool setJobs(const QString &choice);

    static bool isOnExisting(const QString &choice);
    static bool isOnFailure(const QString &choice);
    static bool isStallSeconds(const QString &seconds);
    static bool isJobs(const QString &choice);

    QString fileName() const { return m_file; }

private:
    QString text(const QString &key, const QString &fallback,
                 bool (*valid)(const QString &)) const;
    bool store(const QString &key, const QString &value, bool (*valid)(const QString &));

    QString m_file;
};
