#pragma once

#include <QString>

#include "filelist/filelist.h"

// An entry's state as the list shows it beside the name: "waiting",
// "23 %", "converted", "failed", "skipped"; "" before a batch takes it.
QString entryStateWord(FileList::EntryState state, int percent);

// An entry as a screen reader reads it, in one sentence:
// "clip.avi, in Videos, failed: the file is not a video".
QString rowSentence(const QString &path, FileList::EntryState state, int percent,
                    const QString &reason);
