#include "filelist/filelistbox.h"

#include <algorithm>

#include <QFontInfo>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolTip>

namespace {

const QColor kAccent(174, 37, 4);
constexpr int kTipDelayMs = 350;
constexpr int kTipShowMs = 32000;
constexpr int kTipMaxWidth = 800;

class ItemDelegate final : public QStyledItemDelegate
{
public:
    ItemDelegate(const CFileListBox *list, const QFont &font)
        : QStyledItemDelegate(const_cast<CFileListBox *>(list)), m_list(list), m_font(font)
    {
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        painter->save();
        painter->fillRect(option.rect, selected ? kAccent : Qt::white);
        painter->setPen(selected ? Qt::white : kAccent);
        painter->setFont(m_font);
        QRect textRect = option.rect.adjusted(m_list->m_nTextIndent, 0, 0, 0);
        painter->setClipRect(option.rect);
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
        if (option.state & QStyle::State_HasFocus) {
            QPen pen(selected ? Qt::white : kAccent, 1, Qt::DotLine);
            painter->setPen(pen);
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const override
    {
        return {option.rect.width(), m_list->m_nItemHeight};
    }

private:
    const CFileListBox *m_list;
    QFont m_font;
};

QFont itemFont(int pixelSize)
{
    QFont font(QStringLiteral("Traditional Arabic"));
    if (!QFontInfo(font).exactMatch())
        font = QFont(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

// Plain-text tooltips do not wrap; break the text into lines of at most
// maxWidth pixels (a path has few blanks to break at).
QString wrapped(const QString &text, const QFontMetrics &metrics, int maxWidth)
{
    QString out;
    QString line;
    for (const QChar c : text) {
        if (!line.isEmpty() && metrics.horizontalAdvance(line + c) > maxWidth) {
            out += line + QLatin1Char('\n');
            line.clear();
        }
        line += c;
    }
    return out + line;
}

} // namespace

CFileListBox::CFileListBox(QWidget *parent)
    : QListWidget(parent), m_Font(itemFont(m_nItemHeight)), m_tipTimer(new QTimer(this))
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideNone);
    setItemDelegate(new ItemDelegate(this, m_Font));
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    setFrameShape(QFrame::Box);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::white);
    setPalette(p);

    m_tipTimer->setSingleShot(true);
    m_tipTimer->setInterval(kTipDelayMs);
    connect(m_tipTimer, &QTimer::timeout, this, &CFileListBox::showTip);
}

CFileListBox::~CFileListBox() = default;

QList<int> CFileListBox::selectedIndices() const
{
    QList<int> rows;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

int CFileListBox::MoveUp()
{
    const QList<int> selected = selectedIndices();
    if (selected.isEmpty())
        return -1;
    int last = -1;
    for (const int i : selected) {
        last = i;
        if (i <= 0)
            continue;
        const QString text = item(i)->text();
        delete takeItem(i);
        insertItem(i - 1, text);
        item(i - 1)->setSelected(true);
    }
    return last;
}

int CFileListBox::MoveDown()
{
    const QList<int> selected = selectedIndices();
    if (selected.isEmpty())
        return -1;
    int last = -1;
    for (auto it = selected.crbegin(); it != selected.crend(); ++it) {
        const int i = *it;
        last = i;
        if (i >= count() - 1)
            continue;
        const QString text = item(i)->text();
        insertItem(i + 2, text);
        item(i + 2)->setSelected(true);
        delete takeItem(i);
    }
    return last;
}

int CFileListBox::RemoveItem(int /*nIndex*/)
{
    const QList<int> selected = selectedIndices();
    int left = 0;
    for (auto it = selected.crbegin(); it != selected.crend(); ++it) {
        delete takeItem(*it);
        left = count();
    }
    clearSelection();
    return left;
}

bool CFileListBox::AddPath(const QString &path)
{
    if (path.isEmpty() || FindExact(path) >= 0)
        return false;
    addItem(path);
    return true;
}

int CFileListBox::FindExact(const QString &path) const
{
    for (int i = 0; i < count(); ++i)
        if (item(i)->text() == path)
            return i;
    return -1;
}

int CFileListBox::GetCurSel() const
{
    if (count() == 0)
        return -1;
    return std::max(currentRow(), 0);
}

QStringList CFileListBox::Paths() const
{
    QStringList paths;
    for (int i = 0; i < count(); ++i)
        paths << item(i)->text();
    return paths;
}

void CFileListBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && m_bDeleteKeyEnabled && GetCurSel() != -1)
        RemoveItem(GetCurSel());
    QListWidget::keyPressEvent(event);
}

bool CFileListBox::viewportEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
        OnMouseMove(static_cast<QMouseEvent *>(event)->position().toPoint());
        break;
    case QEvent::ToolTip:
        // Our own timer shows the tip after its delay.
        return true;
    case QEvent::Leave:
        m_tipTimer->stop();
        break;
    default:
        break;
    }
    return QListWidget::viewportEvent(event);
}

void CFileListBox::OnMouseMove(const QPoint &point)
{
    if (count() <= 0) {
        m_tipText = QStringLiteral("Empty List");
    } else if (QListWidgetItem *under = itemAt(point)) {
        m_tipText = under->text();
    }
    // Below the last item the text stays what it was.
    m_tipPos = point;
    m_tipTimer->start();
}

void CFileListBox::showTip()
{
    if (!isVisible())
        return;
    const QString text = wrapped(m_tipText, QFontMetrics(QToolTip::font()), kTipMaxWidth);
    QToolTip::showText(viewport()->mapToGlobal(m_tipPos), text, viewport(), QRect(), kTipShowMs);
}
