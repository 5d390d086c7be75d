#include "settings/presetlist.h"

#include <array>
#include <utility>

QStringList splitPresetList(const QString &value)
{
    const QString text = value + QLatin1Char('|');
    QStringList entries;
    qsizetype start = 0;
    for (qsizetype bar = text.indexOf(QLatin1Char('|')); bar >= 0;
         bar = text.indexOf(QLatin1Char('|'), start)) {
        entries << text.mid(start, bar - start);
        start = bar + 1;
    }
    return entries;
}

QString presetFlagVariable(const QString &textVariable)
{
    static const std::array<std::pair<const char *, const char *>, 4> flags{{
        {"_root.convertToStr", "_root.convertToFlag"},
        {"_root.containerStr", "_root.containerFlag"},
        {"_root.videoCodecStr", "_root.videoCodecFlag"},
        {"_root.audioCodecStr", "_root.audioCodecFlag"},
    }};
    for (const auto &[text, flag] : flags)
        if (textVariable == QLatin1String(text))
            return QLatin1String(flag);
    return {};
}
