#include "ui/listtabstop.h"

#include <QKeyEvent>
#include <QWidget>

#include "movie/movieview.h"

ListTabStop::ListTabStop(MovieView &movie, QWidget &list)
    : QObject(&list), m_movie(movie), m_list(list)
{
    m_list.installEventFilter(this);
    connect(&m_movie, &MovieView::movieCommand, this, [this](const QString &command) {
        if (command.compare(QLatin1String("IDC_FS_FOCUSLIST"), Qt::CaseInsensitive) == 0 &&
            m_list.isVisible() && m_list.isEnabled())
            m_list.setFocus(Qt::TabFocusReason);
    });
}

bool ListTabStop::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != &m_list)
        return false;
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        m_movie.setVariable(QStringLiteral("_root.listFocused"), event->type() == QEvent::FocusIn
                                                                     ? QStringLiteral("true")
                                                                     : QStringLiteral("false"));
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    if (!tab || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    const bool forward = key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
    // Not a Tab reason: a Qt Quick widget would then focus its first or last
    // item, and the movie picks the item itself.
    m_movie.setFocus(Qt::OtherFocusReason);
    m_movie.setVariable(QStringLiteral("_root.focusFromList"),
                        forward ? QStringLiteral("next") : QStringLiteral("previous"));
    return true;
}
