#pragma once

#include <QString>
#include <QStringList>

// "a|b" -> a, b; "a||b" -> a, "", b; "a|" -> a, ""; "" -> one empty entry.
QStringList splitPresetList(const QString &value);

// The flag variable published right after a list's text variable; empty for
// a name that is not one of the four list variables.
QString presetFlagVariable(const QString &textVariable);
