#pragma once

#include <QByteArray>
#include <QString>

// File names are bytes; not every name is UTF-8 (old disks and archives
// hold Latin-1 names). A byte that is not part of valid UTF-8 is kept in the
// QString as the lone surrogate U+DC80..U+DCFF, so that any name read from
// the system turns back into exactly its bytes. Qt's own file classes do
// not know this mapping: calls on names that may hold such bytes go to the
// system with toNativeName().
QString fromNativeName(const QByteArray &bytes);
QByteArray toNativeName(const QString &name);
