#pragma once

#include <QString>

#include "convert/filesettings.h"

class JobQueue;

// What Convert will do, said before it is pressed: how many files, where
// their outputs go and roughly how much room they will take.
namespace batchplan {

// "3 files ready. Press Convert."; empty for no files.
QString readyLine(int files);

// The bytes the outputs will take at the chosen bitrates over the sources'
// lengths; a file whose length is not known counts as the mean of the known
// ones; one whose output is skipped, or whose source was found empty or no
// video, counts nothing. -1 while no length
// is known.
qint64 estimatedBytes(const JobQueue &queue, const FileSettings &settings);

// In decimal units as file managers show them: "about 1.2 GB",
// "about 350 MB", "about 4.5 MB", "under 1 MB".
QString aboutSize(qint64 bytes);

// "Saved beside each source" or "Saved in <folder>", and the estimate:
// "Saved in /home/ana/Converted · about 1.2 GB".
QString outputLine(const FileSettings &settings, qint64 bytes);

} // namespace batchplan
