#include "convert/settingscheck.h"

#include <cmath>

#include "convert/outputnaming.h"

namespace settingscheck {

namespace {

bool isWholeNumber(const QString &text, int low, int high)
{
    if (text.isEmpty() || text.size() > 6)
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    const int value = text.toInt();
    return value >= low && value <= high;
}

} // namespace

bool isBitrate(const QString &kbits)
{
    return isWholeNumber(kbits, 1, 100000);
}

bool isScale(const QString &factor)
{
    if (factor.isEmpty() || factor.size() > 8)
        return false;
    for (const QChar c : factor) {
        if ((c < QLatin1Char('0') || c > QLatin1Char('9')) && c != QLatin1Char('.'))
            return false;
    }
    bool ok = false;
    const double value = factor.toDouble(&ok);
    return ok && std::isfinite(value) && value > 0.0 && value <= 16.0;
}

bool isChannels(const QString &count)
{
    return isWholeNumber(count, 1, 8);
}

bool isName(const QString &name)
{
    if (name.size() > 32)
        return false;
    for (const QChar c : name) {
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                           (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
        if (!plain && c != QLatin1Char('.') && c != QLatin1Char('_') && c != QLatin1Char('+') &&
            c != QLatin1Char('-'))
            return false;
    }
    return true;
}

QString fault(const ConversionSettings &s)
{
    const struct
    {
        const char *what;
        const QString &value;
    } names[] = {{"format", s.format},
                 {"container", s.container},
                 {"video codec", s.videoCodec},
                 {"audio codec", s.audioCodec}};
    for (const auto &name : names) {
        if (!isName(name.value))
            return QStringLiteral("The %1 \"%2\" of Formats.ini cannot be used: a name may hold "
                                  "only letters, digits and . _ + -")
                .arg(QLatin1String(name.what), name.value);
    }
    if (!isBitrate(s.videoBitrate))
        return QStringLiteral("The video bitrate \"%1\" cannot be used: give whole kb/s from 1 "
                              "to 100000")
            .arg(s.videoBitrate);
    if (!isBitrate(s.audioBitrate))
        return QStringLiteral("The audio bitrate \"%1\" cannot be used: give whole kb/s from 1 "
                              "to 100000")
            .arg(s.audioBitrate);
    if (!isScale(s.scale))
        return QStringLiteral("The scale \"%1\" cannot be used: give a number above 0, at most 16")
            .arg(s.scale);
    if (!isChannels(s.channels))
        return QStringLiteral("The channel count \"%1\" cannot be used: give 1 to 8")
            .arg(s.channels);
    return {};
}

} // namespace settingscheck
