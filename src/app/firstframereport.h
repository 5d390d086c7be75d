#pragma once

#include <QObject>

// For bench/startup.sh: installed on the application, it prints one line on
// stderr once the movie's first frame has been drawn into its widget and the
// widget painted, i.e. is on screen: the time since the process started and
// the peak resident size so far.
class FirstFrameReport final : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_watching = false;
    bool m_rendered = false;
    bool m_done = false;
};
