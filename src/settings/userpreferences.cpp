#include "settings/userpreferences.h"

#include <QSettings>
#include <QStandardPaths>

namespace {
const QString kKeepDates = QStringLiteral("KeepDates");
}

UserPreferences::UserPreferences()
    : UserPreferences(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                      QStringLiteral("/tarnwick/tarnwick.conf"))
{
}

UserPreferences::UserPreferences(const QString &file) : m_file(file) {}

bool UserPreferences::keepDates() const
{
    return QSettings(m_file, QSettings::IniFormat).value(kKeepDates, true).toBool();
}

void UserPreferences::setKeepDates(bool keep)
{
    QSettings settings(m_file, QSettings::IniFormat);
    settings.setValue(kKeepDates, keep);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        qWarning("Tarnwick: the choice to keep dates was not stored in %s", qUtf8Printable(m_file));
}
