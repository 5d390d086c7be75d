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
// colours and font, with the full path of the item under the pointer as a
// tooltip. Extended (Shift/Ctrl) selection; every operation works on the
// selected items.
class CFileListBox final : public QListWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CFileListBox)

public:
    explicit CFileListBox(QWidget *parent = nullptr);
    ~CFileListBox() override;

    // Each selected item, taken by itself from the top, swaps places with the
    // item above it; an item at index 0 stays. Returns the largest selected
    // index, or -1 when nothing is selected.
    int MoveUp();
    // Each selected item, taken by itself from the bottom, swaps places with
    // the item below it; an item at the last index stays. Returns the
    // smallest selected index, or -1 when nothing is selected.
    int MoveDown();
    // Removes every selected item (nIndex is not used) and returns the number
    // of items left, or 0 when nothing was selected.
    int RemoveItem(int nIndex);

    // Appends the path unless it is empty or the list holds exactly this path
    // already (letter case counts).
    bool AddPath(const QString &path);
    int FindExact(const QString &path) const;
    // The focused item, 0 when no item has the focus, -1 for an empty list.
    int GetCurSel() const;
    QStringList Paths() const;

    QString TipText() const { return m_tipText; }
    QFont ItemFont() const { return m_Font; }

    bool m_bDeleteKeyEnabled = true;
    const int m_nTextIndent = 4;
    const int m_nItemHeight = 16;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void OnMouseMove(const QPoint &point);
    void showTip();
    std::vector<int> selectedIndices() const;
    void swapRows(const std::vector<std::pair<int, int>> &swaps,
                  const std::vector<int> &selected);
    void countPaths(int first, int last, int delta);
    void recountPaths();

    QFont m_Font;
    // How often each text occurs, so the duplicate check does not scan the list.
    QHash<QString, int> m_pathCounts;
    QString m_tipText = QStringLiteral("Empty List");
    QPoint m_tipPos;
    QTimer *m_tipTimer = nullptr;
};
