#pragma once

#include <QString>

// How many jobs run at once when the user leaves it to the program: one
// engine per file leaves cores idle while it opens, probes and closes files,
// so one more job than there are cores, up to a cap past which the jobs
// only share the same cores and memory.
int automaticJobCount();

// The stored choice, "auto" or a number; anything else reads as "auto".
int jobCountFor(const QString &choice);
