#pragma once

#include <QString>

#include "convert/jobqueue.h"

// A file's state as the list shows it beside the name: "waiting", "23 %",
// "converted", "failed", "skipped"; "" before a batch takes it.
QString entryStateWord(JobQueue::State state, int percent);

// Before a batch, what Convert will do with the output where it is not
// simply a new file: "replaces a file", "renamed", "exists: skipped".
QString planWord(int plan);

// A file as a screen reader reads it, in one sentence:
// "clip.avi, in Videos, failed: the file is not a video".
QString rowSentence(const JobQueue::Entry &file);
