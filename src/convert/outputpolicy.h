#pragma once

#include <functional>
#include <optional>

#include <QString>

// What becomes of a file that is already where an output would go: both
// front ends settle outputs by these rules, and word them alike.
enum class ExistingOutput { Ask, Overwrite, KeepBoth, Skip };

// The stored names "ask", "overwrite", "keepboth", "skip".
QString existingOutputName(ExistingOutput choice);
std::optional<ExistingOutput> existingOutputFromName(const QString &name);

// One file's output, decided the same way for the plan shown before Convert
// and for the file when its turn comes.
struct OutputDecision
{
    enum class Kind {
        New,      // nothing is there
        Replaces, // an unrelated file is there and is to be replaced
        Asks,     // an unrelated file is there: the user is asked at the file's turn
        Renamed,  // the name is taken: the output gets the keep-both name
        Skipped,  // an unrelated file is there and stays; nothing is written
    };
    Kind kind = Kind::New;
    QString output;
    QString reason; // why Renamed or Skipped
};

// name: the output the settings give. ownSource(n): n is the file itself.
// taken(n): another file of the queue is at n, or another file's output is
// or will be written there. exists(n): any entry is at n on disk.
OutputDecision decideOutput(const QString &name, ExistingOutput policy,
                            const std::function<bool(const QString &)> &ownSource,
                            const std::function<bool(const QString &)> &taken,
                            const std::function<bool(const QString &)> &exists);
