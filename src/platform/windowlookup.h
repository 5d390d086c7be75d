#pragma once

#include <QString>

// True when a top-level window of any program on this display is titled
// exactly `title`. Where other programs' windows cannot be listed (no X11
// display), returns false.
bool x11TopLevelWindowExists(const QString &title);
