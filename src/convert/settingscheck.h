#pragma once

#include <QString>

struct ConversionSettings;

// Every value goes into the engine's option text unquoted, so each is held to
// what it can mean there: numbers in a sane range, names of letters, digits
// and a few signs that have no meaning to the engine's option parser.
namespace settingscheck {

bool isBitrate(const QString &kbits); // whole kb/s, 1 to 100000
bool isScale(const QString &factor);  // a decimal above 0, at most 16
bool isChannels(const QString &count); // 1 to 8
// Catalogue names (formats, containers, codecs); empty is allowed.
bool isName(const QString &name);

// Empty when every value passes; else a message naming the value.
QString fault(const ConversionSettings &settings);

} // namespace settingscheck
