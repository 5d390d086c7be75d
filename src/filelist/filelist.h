#pragma once

#include <utility>
#include <vector>

#include <QFont>
#include <QListView>
#include <QPoint>
#include <QString>

#include "convert/jobqueue.h"

class QTimer;

// The input files as the user sees them: a view of the queue, in conversion
// order, each drawn in the program's colours and font as the file's name,
// its folder and, once a batch has taken it, its state, or before that what
// its output will be. The tooltip gives the full path of the file under the
// pointer, then where it goes, went or why it did not. Extended (Shift/Ctrl)
// selection; every operation works on the selected files.
class FileList final : public QListView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileList)

public:
    explicit FileList(JobQueue &queue, QWidget *parent = nullptr);
    ~FileList() override;

    JobQueue &queue() const { return m_queue; }
    int count() const { return m_queue.size(); }
    QStringList paths() const;

    // Each selected file, taken by itself from the top, swaps places with
    // the file above it; one at row 0 stays. Returns the largest selected
    // row, or -1 when nothing is selected.
    int moveUp();
    // Each selected file, taken by itself from the bottom, swaps places with
    // the file below it; one at the last row stays. Returns the smallest
    // selected row, or -1 when nothing is selected.
    int moveDown();
    // Removes every selected file (index is not used) and returns the
    // number left, or 0 when nothing was selected.
    int removeSelected(int index);
    void select(int row, bool selected = true);
    bool isSelected(int row) const;
    QList<JobQueue::Id> selectedIds() const;
    // The focused row, 0 when no row has the focus, -1 for an empty list.
    int focusedRow() const;

    // The state as a word, "" before a batch takes the file.
    QString stateText(int row) const;
    // The full path, then where the file goes, went or why it did not.
    QString tipFor(int row) const;

    // What the empty list shows.
    static QString emptyHint();

    QString tipText() const { return m_tipText; }
    QFont itemFont() const { return m_font; }

    bool m_deleteKeyEnabled = true;
    const int m_textIndent = 4;
    const int m_itemHeight = 16;

signals:
    // Enter or a double-click on a converted file.
    void outputActivated(const QString &output);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void onMouseMove(const QPoint &point);
    void activateOutput(int row);
    void showTip();
    std::vector<int> selectedRows() const;
    void swapRows(const std::vector<std::pair<int, int>> &swaps, const std::vector<int> &selected);

    JobQueue &m_queue;
    QFont m_font;
    QString m_tipText = QStringLiteral("Empty List");
    QPoint m_tipPos;
    QTimer *m_tipTimer = nullptr;
};
