#pragma once

#include <QStringList>

#include "convert/batch.h"
#include "convert/worker.h"

// A batch over a queue of its own, for tests below the window: the files
// given are listed as the program lists them and converted with `settings`,
// read at each file's turn.
struct BatchRig
{
    BatchRig(Engine &engine, BatchQuestions &questions, const FileSettings &settings)
        : batch(engine, queue, worker, [&settings] { return settings; })
    {
        batch.setQuestions(&questions);
    }

    bool start(const QStringList &paths)
    {
        FileIdentifier files;
        QList<JobQueue::File> found;
        for (const QString &path : paths)
            found.append({path, files.identify(path)});
        return batch.start(queue.append(found));
    }
    const JobQueue::Entry &file(int row) const { return queue.at(row); }

    Worker worker;
    JobQueue queue;
    Batch batch;
};
