#pragma once

#include <QObject>

class MovieView;
class QWidget;

// Puts the file list, a widget of its own over the movie, into the movie's
// Tab order. The movie keeps a place for it among its controls and sends
// IDC_FS_FOCUSLIST when Tab reaches it; Tab or Shift+Tab in the list hands
// the focus back to the control after or before that place, through
// "_root.focusFromList". "_root.listFocused" tells the movie whether the
// list has the focus, to show it. A movie without the place never sends the
// command.
class ListTabStop final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListTabStop)

public:
    // Owned by the list.
    ListTabStop(MovieView &movie, QWidget &list);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    MovieView &m_movie;
    QWidget &m_list;
};
