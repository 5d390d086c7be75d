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

    QString fileName() const { return m_file; }

private:
    QString m_file;
};
