#pragma once

#include <array>

#include <QHash>
#include <QString>

class MovieView;

// Every movie variable the host writes or reads, by name, in one table.
enum class MovieVariable {
    // The designed ones.
    Path, Version, ConvertToStr, ConvertToFlag, ContainerStr, ContainerFlag, VideoCodecStr,
    VideoCodecFlag, AudioCodecStr, AudioCodecFlag, DisablerAllBtns, DisableConvert, EnableStop,
    ConvertOutput, ShowProgress, ProgressValue, DisableStop, EnableConvert, EnablerAllBtns,
    HideProgress, AudioCheck, VideoCheck,
    // Added beside them; a movie that does not know them works as designed.
    KeepDates, OnExisting, OnFailure, Stall, Jobs, Summary, FailedCount, BatchProgress,
    BatchStatus, FileTimeLeft, FileArea, ReadyText, OutputPlan, OpenFolder, BatchOver,
    WindowTitle, Maximized,
};

// Writes and reads the movie's variables. A designed variable is written at
// each of its designed moments, changed or not: a one-shot signal such as
// "_root.enableStop" is delivered on every write. A variable added beside
// the design is written only when its value changes.
class MovieVariables final
{
public:
    explicit MovieVariables(MovieView &movie) : m_movie(movie) {}

    // evenIfSame: the movie may show another value than it was last given
    // (a choice the host refused).
    void set(MovieVariable variable, const QString &value, bool evenIfSame = false);
    QString get(MovieVariable variable) const;

    static QString name(MovieVariable variable);
    static bool isDesigned(MovieVariable variable);

private:
    MovieView &m_movie;
    QHash<MovieVariable, QString> m_shown; // of the added ones
};
