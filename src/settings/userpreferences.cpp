#include "settings/userpreferences.h"

#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

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

namespace {
const QString kOnExisting = QStringLiteral("OnExisting");
const QString kOnFailure = QStringLiteral("OnFailure");
const QString kStallSeconds = QStringLiteral("StallSeconds");
const QString kJobs = QStringLiteral("Jobs");
constexpr int kMaxJobs = 8;
constexpr int kMaxStallSeconds = 24 * 3600;
} // namespace

bool UserPreferences::isOnExisting(const QString &choice)
{
    static const QStringList known{QStringLiteral("ask"), QStringLiteral("overwrite"),
                                   QStringLiteral("keepboth"), QStringLiteral("skip")};
    return known.contains(choice);
}

bool UserPreferences::isOnFailure(const QString &choice)
{
    return choice == QLatin1String("tell") || choice == QLatin1String("note");
}

bool UserPreferences::isStallSeconds(const QString &seconds)
{
    bool ok = false;
    const int n = seconds.toInt(&ok);
    return ok && n >= 0 && n <= kMaxStallSeconds && seconds == QString::number(n);
}

bool UserPreferences::isJobs(const QString &choice)
{
    bool ok = false;
    const int n = choice.toInt(&ok);
    return choice == QLatin1String("auto") ||
           (ok && n >= 1 && n <= kMaxJobs && choice == QString::number(n));
}

QString UserPreferences::text(const QString &key, const QString &fallback,
                              bool (*valid)(const QString &)) const
{
    // A hand-edited file with a value of no use reads as the default.
    const QString value =
        QSettings(m_file, QSettings::IniFormat).value(key, fallback).toString();
    return valid(value) ? value : fallback;
}

bool UserPreferences::store(const QString &key, const QString &value,
                            bool (*valid)(const QString &))
{
    if (!valid(value))
        return false;
    QSettings settings(m_file, QSettings::IniFormat);
    settings.setValue(key, value);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        qWarning("Tarnwick: the choice %s was not stored in %s", qUtf8Printable(key),
                 qUtf8Printable(m_file));
    return true;
}

QString UserPreferences::onExisting() const
{
    return text(kOnExisting, QStringLiteral("ask"), isOnExisting);
}

QString UserPreferences::onFailure() const
{
    return text(kOnFailure, QStringLiteral("tell"), isOnFailure);
}

int UserPreferences::stallSeconds() const
{
    return text(kStallSeconds, QStringLiteral("0"), isStallSeconds).toInt();
}

QString UserPreferences::jobs() const
{
    return text(kJobs, QStringLiteral("auto"), isJobs);
}

bool UserPreferences::setOnExisting(const QString &choice)
{
    return store(kOnExisting, choice, isOnExisting);
}

bool UserPreferences::setOnFailure(const QString &choice)
{
    return store(kOnFailure, choice, isOnFailure);
}

bool UserPreferences::setStallSeconds(const QString &seconds)
{
    return store(kStallSeconds, seconds, isStallSeconds);
}

bool UserPreferences::setJobs(const QString &choice)
{
    return store(kJobs, choice, isJobs);
}
