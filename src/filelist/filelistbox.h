#pragma once

#include <QListWidget>
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

    int MoveUp();
    int MoveDown();
    int RemoveItem(int nIndex);

    // Appends the path unless the list holds exactly this path already.
    bool AddPath(const QString &path);
    int FindExact(const QString &path) const;
    int GetCurSel() const;
    QStringList Paths() const;

    QString TipText() const { return m_tipText; }

    bool m_bDeleteKeyEnabled = true;
    const int m_nTextIndent = 4;
    const int m_nItemHeight = 16;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    void OnMouseMove(const QPoint &point);
    void showTip();
    QList<int> selectedIndices() const;

    QFont m_Font;
    QString m_tipText = QStringLiteral("Empty List");
    QPoint m_tipPos;
    QTimer *m_tipTimer = nullptr;
};
