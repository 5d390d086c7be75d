#pragma once

#include <QStringList>

// Turns the "label|patterns|label|patterns||" filter text into Qt name
// filters: "All Files (*.*)|*.*" becomes "All Files (*)". The program's file
// dialogs match these patterns regardless of letter case.
QStringList qtNameFilters(const QString &filterText);

// The extensions of the filter's first group, lower case without the dot:
// "All Supported Types (*.mov;*.mp4)|*.mov;*.mp4|..." gives mov, mp4.
QStringList firstGroupExtensions(const QString &filterText);
