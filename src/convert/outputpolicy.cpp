#include "convert/outputpolicy.h"

#include <array>

#include "convert/outputnaming.h"

namespace {

constexpr std::array<std::pair<ExistingOutput, const char *>, 4> kNames{{
    {ExistingOutput::Ask, "ask"},
    {ExistingOutput::Overwrite, "overwrite"},
    {ExistingOutput::KeepBoth, "keepboth"},
    {ExistingOutput::Skip, "skip"},
}};

// Past this many numbered names in one folder something else is wrong.
constexpr int kMaxNumber = 10000;

} // namespace

QString existingOutputName(ExistingOutput choice)
{
    for (const auto &[value, name] : kNames)
        if (value == choice)
            return QString::fromLatin1(name);
    return {};
}

std::optional<ExistingOutput> existingOutputFromName(const QString &name)
{
    for (const auto &[value, text] : kNames)
        if (name == QLatin1String(text))
            return value;
    return std::nullopt;
}

OutputDecision decideOutput(const QString &name, ExistingOutput policy,
                            const std::function<bool(const QString &)> &ownSource,
                            const std::function<bool(const QString &)> &taken,
                            const std::function<bool(const QString &)> &exists)
{
    const auto keepBoth = [&](OutputDecision::Kind kind, const QString &reason) {
        for (int number = 2; number <= kMaxNumber; ++number) {
            const QString free = numberedOutputName(name, number);
            if (!ownSource(free) && !taken(free) && !exists(free))
                return OutputDecision{kind, free, reason};
        }
        return OutputDecision{OutputDecision::Kind::Skipped, {},
                              QStringLiteral("no free name was found beside %1").arg(name)};
    };
    using Kind = OutputDecision::Kind;
    if (ownSource(name))
        return keepBoth(Kind::Renamed, QStringLiteral("its output would be the file itself"));
    if (taken(name))
        return keepBoth(Kind::Renamed,
                        QStringLiteral("another file of the list has or gets that name"));
    if (!exists(name))
        return {Kind::New, name, {}};
    switch (policy) {
    case ExistingOutput::Ask:
        return {Kind::Asks, name, {}};
    case ExistingOutput::Overwrite:
        return {Kind::Replaces, name, {}};
    case ExistingOutput::KeepBoth:
        return keepBoth(Kind::Renamed, QStringLiteral("%1 exists already").arg(name));
    case ExistingOutput::Skip:
        break;
    }
    return {Kind::Skipped, name, QStringLiteral("%1 exists already").arg(name)};
}
