#pragma once

#include <QString>

// How many jobs run at once when the user leaves it to the program: one
// engine per file leaves cores idle while it opens, probes and closes files,
// so one more job than there are cores, up to a cap past which the jobs
// only share the same cores and memory. The VP8 and VP9 encoders spread
// each file over every core themselves: files beside them only take turns,
// at two and a half times the time, so for them it is one.
int automaticJobCount(const QString &videoCodec = {});

// The stored choice, "auto" or a number; anything else reads as "auto".
int jobCountFor(const QString &choice, const QString &videoCodec = {});
