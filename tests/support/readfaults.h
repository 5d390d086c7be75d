#pragma once

#include <QString>

// Reads of one file fail with EIO over a range of its bytes, as on a bad
// sector, for every reader in the process, the engine's included: a test
// program that links readfaults.cpp defines read and readv ahead of the C
// library and exports them (see tst_jobfaults in tests/convert/CMakeLists.txt).
namespace readfaults {

void failRange(const QString &path, qint64 from, qint64 to);
void clear();

} // namespace readfaults
