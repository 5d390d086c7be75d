#pragma once

#include <utility>
#include <vector>

#include <QFont>
#include <QHash>
#include <QListWidget>
#include <QPoint>
#include <QString>

class QTimer;

// The input files: full paths in conversion order, drawn in the program's
// colours and font as the file's name, its folder and, once a batch has
// taken it, its state; the full path of the item under the pointer (and
// where it went or why it failed) as a tooltip. Extended (Shift/Ctrl)
// selection; every operation works on the selected items.
class FileList final : public QListWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileList)

public:
    // Where a file is in a batch; None until a batch takes it.
    enum class EntryState { None, Waiting, Converting, Converted, Failed, Skipped };

    explicit FileList(QWidget *parent = nullptr);
    ~FileList() override;

    // Each selected item, taken by itself from the top, swaps places with the
    // item above it; an item at index 0 stays. Returns the largest selected
    // index, or -1 when nothing is selected.
    int moveUp();
    // Each selected item, taken by itself from the bottom, swaps places with
    // the item below it; an item at the last index stays. Returns the
    // smallest selected index, or -1 when nothing is selected.
    int moveDown();
    // Removes every selected item (index is not used) and returns the number
    // of items left, or 0 when nothing was selected.
    int removeSelected(int index);

    // Appends the path unless it is empty or the list holds exactly this path
    // already (letter case counts).
    bool addPath(const QString &path);
    int findExact(const QString &path) const;
    // The focused item, 0 when no item has the focus, -1 for an empty list.
    int focusedRow() const;
    QStringList paths() const;

    // The entry of this path shows the state; false when the list has no such path.
    bool setEntryState(const QString &path, EntryState state, int percent = 0,
                       const QString &output = {}, const QString &reason = {});
    EntryState entryState(int row) const;
    // The state as a word, "" for None: it reads without the colours.
    QString stateText(int row) const;
    // The full path, then where it went or why it did not.
    QString tipFor(int row) const;

    QString tipText() const { return m_tipText; }
    QFont itemFont() const { return m_font; }

    bool m_deleteKeyEnabled = true;
    const int m_textIndent = 4;
    const int m_itemHeight = 16;

signals:
    // Enter or a double-click on a converted entry.
    void outputActivated(const QString &output);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void onMouseMove(const QPoint &point);
    void activateOutput(int row);
    void showTip();
    std::vector<int> selectedIndices() const;
    void swapRows(const std::vector<std::pair<int, int>> &swaps,
                  const std::vector<int> &selected);
    void countPaths(int first, int last, int delta);
    void recountPaths();

    QFont m_font;
    // How often each text occurs, so the duplicate check does not scan the list.
    QHash<QString, int> m_pathCounts;
    QString m_tipText = QStringLiteral("Empty List");
    QPoint m_tipPos;
    QTimer *m_tipTimer = nullptr;
};
