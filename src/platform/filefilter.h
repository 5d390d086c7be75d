#pragma once

#include <QStringList>

// Turns the "label|patterns|label|patterns||" filter text into Qt name
// filters: "All Files (*.*)|*.*" becomes "All Files (*)". The program's file
// dialogs match these patterns regardless of letter case.
QStringList qtNameFilters(const QString &filterText);
