#pragma once

#include <QString>

// The output folder a user typed, as an absolute path. A relative one is
// taken from the home folder, not the working folder, which changes as files
// are added; "~" stands for the home folder. Empty for an empty text.
QString absoluteOutputFolder(const QString &typed, const QString &home);
