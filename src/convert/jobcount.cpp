#include "convert/jobcount.h"

#include <algorithm>

#include <QThread>

namespace {
constexpr int kMostJobs = 4;
constexpr int kMostChosenJobs = 16;
} // namespace

int automaticJobCount(const QString &videoCodec)
{
    if (videoCodec == QLatin1String("VP80") || videoCodec == QLatin1String("VP90"))
        return 1;
    return std::clamp(QThread::idealThreadCount() + 1, 1, kMostJobs);
}

int jobCountFor(const QString &choice, const QString &videoCodec)
{
    bool ok = false;
    const int jobs = choice.toInt(&ok);
    return ok && jobs >= 1 ? std::min(jobs, kMostChosenJobs) : automaticJobCount(videoCodec);
}
