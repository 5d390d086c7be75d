#include "ui/movievariables.h"

#include "movie/movieview.h"

namespace {

struct Entry
{
    MovieVariable variable;
    const char *name;
};

constexpr std::array<Entry, 39> kVariables{{
    {MovieVariable::Path, "_root.path"},
    {MovieVariable::Version, "_root.version"},
    {MovieVariable::ConvertToStr, "_root.convertToStr"},
    {MovieVariable::ConvertToFlag, "_root.convertToFlag"},
    {MovieVariable::ContainerStr, "_root.containerStr"},
    {MovieVariable::ContainerFlag, "_root.containerFlag"},
    {MovieVariable::VideoCodecStr, "_root.videoCodecStr"},
    {MovieVariable::VideoCodecFlag, "_root.videoCodecFlag"},
    {MovieVariable::AudioCodecStr, "_root.audioCodecStr"},
    {MovieVariable::AudioCodecFlag, "_root.audioCodecFlag"},
    {MovieVariable::DisablerAllBtns, "_root.disablerAllBtns"},
    {MovieVariable::DisableConvert, "_root.disableConvert"},
    {MovieVariable::EnableStop, "_root.enableStop"},
    {MovieVariable::ConvertOutput, "_root.convertOutput"},
    {MovieVariable::ShowProgress, "_root.showProgress"},
    {MovieVariable::ProgressValue, "_root.progressValue"},
    {MovieVariable::DisableStop, "_root.disableStop"},
    {MovieVariable::EnableConvert, "_root.enableConvert"},
    {MovieVariable::EnablerAllBtns, "_root.enablerAllBtns"},
    {MovieVariable::HideProgress, "_root.hideProgress"},
    {MovieVariable::AudioCheck, "_root.audioCheck"},
    {MovieVariable::VideoCheck, "_root.videoCheck"},
    {MovieVariable::KeepDates, "_root.keepDates"},
    {MovieVariable::OnExisting, "_root.onExisting"},
    {MovieVariable::OnFailure, "_root.onFailure"},
    {MovieVariable::Stall, "_root.stall"},
    {MovieVariable::Jobs, "_root.jobs"},
    {MovieVariable::Summary, "_root.summary"},
    {MovieVariable::FailedCount, "_root.failedCount"},
    {MovieVariable::BatchProgress, "_root.batchProgress"},
    {MovieVariable::BatchStatus, "_root.batchStatus"},
    {MovieVariable::FileTimeLeft, "_root.fileTimeLeft"},
    {MovieVariable::FileArea, "_root.fileArea"},
    {MovieVariable::ReadyText, "_root.readyText"},
    {MovieVariable::OutputPlan, "_root.outputPlan"},
    {MovieVariable::OpenFolder, "_root.openFolder"},
    {MovieVariable::BatchOver, "_root.batchOver"},
    {MovieVariable::WindowTitle, "_root.windowTitle"},
    {MovieVariable::Maximized, "_root.maximized"},
}};

static_assert(kVariables.back().variable == MovieVariable::Maximized,
              "one entry per variable, in the enum's order");

} // namespace

QString MovieVariables::name(MovieVariable variable)
{
    return QLatin1String(kVariables[std::size_t(variable)].name);
}

bool MovieVariables::isDesigned(MovieVariable variable)
{
    return variable <= MovieVariable::VideoCheck;
}

void MovieVariables::set(MovieVariable variable, const QString &value, bool evenIfSame)
{
    if (!isDesigned(variable)) {
        const auto shown = m_shown.constFind(variable);
        if (!evenIfSame && shown != m_shown.cend() && *shown == value)
            return;
        m_shown.insert(variable, value);
    }
    m_movie.setVariable(name(variable), value);
}

QString MovieVariables::get(MovieVariable variable) const
{
    return m_movie.getVariable(name(variable));
}
