#include "filelist/filelist.h"

#include <algorithm>

#include <QFontMetrics>
#include <QItemSelection>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QTimer>
#include <QToolTip>

#include "filelist/rowsentence.h"

namespace {

const QColor kAccent(174, 37, 4);
const QColor kQuiet(118, 108, 106);

using EntryState = JobQueue::State;
using Kind = OutputDecision::Kind;

QColor stateColour(EntryState state)
{
    switch (state) {
    case EntryState::Waiting: return {120, 120, 120};
    case EntryState::Converting: return {25, 103, 170};
    case EntryState::Converted: return {36, 122, 48};
    case EntryState::Failed: return {198, 32, 32};
    case EntryState::Skipped: return {165, 98, 0};
    case EntryState::None: break;
    }
    return {};
}

// A shape per state, so that the state reads in grey too: a ring, a pie
// of the percent, a tick, a cross, a bar.
void drawStateIcon(QPainter *painter, const QRectF &box, EntryState state, int percent,
                   const QColor &colour)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter->setBrush(Qt::NoBrush);
    const QRectF r = box.adjusted(1, 1, -1, -1);
    switch (state) {
    case EntryState::Waiting:
        painter->drawEllipse(r);
        break;
    case EntryState::Converting:
        painter->drawEllipse(r);
        painter->setBrush(colour);
        painter->drawPie(r, 90 * 16, -int(360 * 16 * std::clamp(percent, 0, 100) / 100));
        break;
    case EntryState::Converted:
        painter->drawPolyline(QPolygonF{{r.left() + r.width() * 0.1, r.center().y()},
                                        {r.left() + r.width() * 0.4, r.bottom() - 1},
                                        {r.right(), r.top() + 1}});
        break;
    case EntryState::Failed:
        painter->drawLine(r.topLeft(), r.bottomRight());
        painter->drawLine(r.topRight(), r.bottomLeft());
        break;
    case EntryState::Skipped:
        painter->drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
        painter->drawLine(QPointF(r.right() - 3, r.center().y() - 3),
                          QPointF(r.right(), r.center().y()));
        painter->drawLine(QPointF(r.right() - 3, r.center().y() + 3),
                          QPointF(r.right(), r.center().y()));
        break;
    case EntryState::None:
        break;
    }
    painter->restore();
}
// On a wide list the state stays near the name: a column after at most
// this much of name and folder, rather than at the far edge.
constexpr int kTextSpan = 520;
const QColor kHint(154, 143, 140);
constexpr int kTipDelayMs = 350;
constexpr int kTipShowMs = 32000;
constexpr int kTipMaxWidth = 800;

void drawFocus(QPainter *painter, const QRect &rect, const QColor &colour)
{
    painter->setPen(QPen(colour, 1, Qt::DotLine));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(0, 0, -1, -1));
}

class ItemDelegate final : public QStyledItemDelegate
{
public:
    explicit ItemDelegate(FileList *list) : QStyledItemDelegate(list), m_list(list) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const QColor background = selected ? kAccent : QColor(Qt::white);
        const QColor text = selected ? QColor(Qt::white) : kAccent;
        const QRect &row = option.rect;

        painter->save();
        painter->setClipRect(row);
        painter->fillRect(row, background);
        QRect free = row.adjusted(m_list->m_textIndent, 0, 0, 0);

        // The state at the right: its shape, then its word; before a batch,
        // quieter, what becomes of the output.
        const auto state = EntryState(index.data(JobQueue::StateRole).toInt());
        const QString plan = state == EntryState::None
                                 ? planWord(index.data(JobQueue::PlanRole).toInt())
                                 : QString();
        if (!plan.isEmpty()) {
            QFont small = m_list->itemFont();
            small.setBold(false);
            const int wordWidth = QFontMetrics(small).horizontalAdvance(plan);
            const int left = std::min(row.right() - m_list->m_textIndent - wordWidth,
                                      row.left() + m_list->m_textIndent + kTextSpan);
            painter->setPen(selected ? QColor(255, 226, 218) : kQuiet);
            painter->setFont(small);
            painter->drawText(QRect(left, row.top(), wordWidth + 1, row.height()),
                              Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, plan);
            free.setRight(left - 8);
        } else if (state != EntryState::None) {
            const QColor ink = selected ? QColor(Qt::white) : stateColour(state);
            const QString word = entryStateWord(state, index.data(JobQueue::PercentRole).toInt());
            QFont small = m_list->itemFont();
            small.setBold(false);
            const int wordWidth = QFontMetrics(small).horizontalAdvance(word);
            const int iconSize = row.height() - 4;
            const int left = std::min(row.right() - m_list->m_textIndent - wordWidth - iconSize - 4,
                                      row.left() + m_list->m_textIndent + kTextSpan);
            drawStateIcon(painter, QRectF(left, row.top() + 2, iconSize, iconSize), state,
                          index.data(JobQueue::PercentRole).toInt(), ink);
            painter->setPen(ink);
            painter->setFont(small);
            painter->drawText(QRect(left + iconSize + 4, row.top(), wordWidth + 1, row.height()),
                              Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, word);
            free.setRight(left - 8);
        }

        // The file's name first, then its folder, quieter, cut in the middle.
        const QString path = index.data(JobQueue::PathRole).toString();
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        const QString name = path.mid(slash + 1);
        const QString folder = slash > 0 ? path.left(slash) : slash == 0 ? QStringLiteral("/")
                                                                          : QString();
        const QFont &bold = m_list->itemFont();
        const QFontMetrics boldMetrics(bold);
        const QString shownName = boldMetrics.elidedText(name, Qt::ElideRight, free.width());
        painter->setPen(text);
        painter->setFont(bold);
        painter->drawText(free, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shownName);
        const int nameWidth = boldMetrics.horizontalAdvance(shownName) + 8;
        if (!folder.isEmpty() && free.width() - nameWidth > 16) {
            QFont quiet = bold;
            quiet.setBold(false);
            painter->setFont(quiet);
            painter->setPen(selected ? QColor(255, 226, 218) : kQuiet);
            const QRect rest = free.adjusted(nameWidth, 0, 0, 0);
            painter->drawText(rest, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                              QFontMetrics(quiet).elidedText(folder, Qt::ElideMiddle,
                                                             rest.width()));
        }
        if (option.state & QStyle::State_HasFocus)
            drawFocus(painter, row, text);
        painter->restore();
    }

    // No width of its own: the view gives every row the width of the
    // viewport, also after the scroll bar comes or goes.
    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return {0, m_list->m_itemHeight};
    }

private:
    FileList *m_list;
};

// The item height is the height of the whole character cell, ascent plus
// descent, so the text fits its row; the em size is smaller than the row.
QFont fittedFont(int cellHeight)
{
    QFont font;
    font.setFamilies({QStringLiteral("Traditional Arabic"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    for (int size = cellHeight; size >= cellHeight / 2; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).height() <= cellHeight)
            break;
    }
    return font;
}

// Breaks the text into lines of at most maxWidth pixels, at blanks where it
// can, anywhere in a longer run (paths often have no blanks). Plain-text
// tooltips do not wrap by themselves.
QString wrapped(const QString &text, const QFont &font, int maxWidth)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(maxWidth);
        lines << text.mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    const QString plain = lines.join(QLatin1Char('\n'));
    if (!Qt::mightBeRichText(plain))
        return plain;
    // A name such as "<b>.avi" would be taken for markup: show it literally.
    for (QString &line : lines)
        line = line.toHtmlEscaped();
    return QStringLiteral("<p style=\"white-space:pre\">") + lines.join(QStringLiteral("<br>"))
        + QStringLiteral("</p>");
}

} // namespace

FileList::FileList(JobQueue &queue, QWidget *parent)
    : QListView(parent), m_queue(queue), m_font(fittedFont(m_itemHeight)),
      m_tipTimer(new QTimer(this))
{
    setModel(&m_queue);
    // Each row is also read as one sentence, and described by its tooltip.
    m_queue.setWords([this](const JobQueue &queue, int row, int role) -> QVariant {
        if (role == Qt::AccessibleTextRole)
            return rowSentence(queue.at(row));
        if (role == Qt::AccessibleDescriptionRole)
            return tipFor(row);
        return {};
    });
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideNone);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new ItemDelegate(this));
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    setFrameShape(QFrame::NoFrame);
    setAccessibleName(QStringLiteral("Files to convert"));
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::white);
    setPalette(p);

    m_tipTimer->setSingleShot(true);
    m_tipTimer->setTimerType(Qt::PreciseTimer);
    m_tipTimer->setInterval(kTipDelayMs);
    connect(m_tipTimer, &QTimer::timeout, this, &FileList::showTip);
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { activateOutput(index.row()); });
}

FileList::~FileList()
{
    m_queue.setWords({});
}

std::vector<int> FileList::selectedRows() const
{
    std::vector<int> rows;
    for (const QItemSelectionRange &range : selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

QStringList FileList::paths() const
{
    QStringList all;
    all.reserve(count());
    for (int row = 0; row < count(); ++row)
        all << m_queue.at(row).path;
    return all;
}

void FileList::select(int row, bool selected)
{
    selectionModel()->select(model()->index(row, 0), selected ? QItemSelectionModel::Select
                                                          : QItemSelectionModel::Deselect);
}

bool FileList::isSelected(int row) const
{
    return selectionModel()->isSelected(model()->index(row, 0));
}

QList<JobQueue::Id> FileList::selectedIds() const
{
    QList<JobQueue::Id> ids;
    for (const int row : selectedRows())
        ids << m_queue.at(row).id;
    return ids;
}

// Deleting a file and inserting it one place further on, as the moves are
// defined, amounts to swapping it with its neighbour; the selection goes
// with the files. The rows are moved with an empty selection and the
// selection is set once at the end: the selection model would otherwise
// remap every selected range on every move.
void FileList::swapRows(const std::vector<std::pair<int, int>> &swaps,
                        const std::vector<int> &selected)
{
    if (swaps.empty())
        return;
    std::vector<char> isSelected(std::size_t(count()), 0);
    for (const int row : selected)
        isSelected[std::size_t(row)] = 1;

    selectionModel()->clearSelection();
    for (const auto &[upper, lower] : swaps) {
        m_queue.move(lower, upper);
        std::swap(isSelected[std::size_t(upper)], isSelected[std::size_t(lower)]);
    }

    QItemSelection selection;
    for (int row = 0; row < count(); ++row) {
        if (!isSelected[std::size_t(row)])
            continue;
        int last = row;
        while (last + 1 < count() && isSelected[std::size_t(last + 1)])
            ++last;
        selection.select(model()->index(row, 0), model()->index(last, 0));
        row = last;
    }
    selectionModel()->select(selection, QItemSelectionModel::Select);
}

int FileList::moveUp()
{
    const std::vector<int> selected = selectedRows();
    if (selected.empty())
        return -1;
    std::vector<std::pair<int, int>> swaps;
    for (const int i : selected)
        if (i > 0)
            swaps.emplace_back(i - 1, i);
    swapRows(swaps, selected);
    return selected.back();
}

int FileList::moveDown()
{
    const std::vector<int> selected = selectedRows();
    if (selected.empty())
        return -1;
    std::vector<std::pair<int, int>> swaps;
    for (auto it = selected.crbegin(); it != selected.crend(); ++it)
        if (*it < count() - 1)
            swaps.emplace_back(*it, *it + 1);
    swapRows(swaps, selected);
    return selected.front();
}

int FileList::removeSelected(int /*index*/)
{
    const QList<JobQueue::Id> ids = selectedIds();
    if (ids.isEmpty())
        return 0;
    // Clearing first spares the selection model a remap per removal.
    selectionModel()->clearSelection();
    m_queue.remove(ids);
    return count();
}

int FileList::focusedRow() const
{
    if (count() == 0)
        return -1;
    return std::max(currentIndex().row(), 0);
}

QString FileList::stateText(int row) const
{
    if (row < 0 || row >= count())
        return {};
    const JobQueue::Entry &e = m_queue.at(row);
    return entryStateWord(e.state, e.percent);
}

QString FileList::tipFor(int row) const
{
    if (row < 0 || row >= count())
        return {};
    const JobQueue::Entry &e = m_queue.at(row);
    QString tip = e.path;
    switch (e.state) {
    case EntryState::Converted:
        tip += QStringLiteral("\nConverted to ") + e.output +
               (e.reason.isEmpty() ? QString() : QStringLiteral(" (") + e.reason + QLatin1Char(')'));
        break;
    case EntryState::Failed:
        tip += QStringLiteral("\nFailed: ") + e.reason;
        break;
    case EntryState::Skipped:
        tip += QStringLiteral("\nSkipped") +
               (e.reason.isEmpty() ? QString() : QStringLiteral(": ") + e.reason);
        break;
    case EntryState::None:
        if (!e.planned.isEmpty() && Kind(e.plan) != Kind::Skipped)
            tip += QStringLiteral("\nWill be saved as ") + e.planned;
        if (!planWord(e.plan).isEmpty())
            tip += QStringLiteral(" (") + planWord(e.plan) + QLatin1Char(')');
        break;
    default:
        break;
    }
    return tip;
}

QString FileList::emptyHint()
{
    return QStringLiteral("Add the videos to convert with Add files, or drop them here.");
}

void FileList::activateOutput(int row)
{
    if (row >= 0 && row < count() && m_queue.at(row).state == EntryState::Converted)
        emit outputActivated(m_queue.at(row).output);
}

void FileList::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        currentIndex().isValid()) {
        activateOutput(currentIndex().row());
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Delete && m_deleteKeyEnabled && focusedRow() != -1)
        removeSelected(focusedRow());
    QListView::keyPressEvent(event);
}

bool FileList::viewportEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
        onMouseMove(static_cast<QMouseEvent *>(event)->position().toPoint());
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
    return QListView::viewportEvent(event);
}

void FileList::paintEvent(QPaintEvent *event)
{
    QListView::paintEvent(event);
    if (count() > 0)
        return;
    // An empty list says how to fill it, and still shows where the focus
    // is: on its first row.
    QPainter painter(viewport());
    QFont font = m_font;
    font.setBold(false);
    font.setPixelSize(12);
    painter.setFont(font);
    painter.setPen(kHint);
    painter.drawText(viewport()->rect().adjusted(12, 0, -12, 0),
                     Qt::AlignCenter | Qt::TextWordWrap, emptyHint());
    if (hasFocus())
        drawFocus(&painter, QRect(0, 0, viewport()->width(), m_itemHeight), kAccent);
}

void FileList::onMouseMove(const QPoint &point)
{
    const QString before = m_tipText;
    if (count() <= 0) {
        m_tipText = QStringLiteral("Empty List");
    } else if (const QModelIndex under = indexAt(point); under.isValid()) {
        m_tipText = tipFor(under.row());
    }
    // Below the last item the text stays what it was.
    m_tipPos = point;
    if (QToolTip::isVisible() && m_tipText != before)
        showTip();
    else
        m_tipTimer->start();
}

void FileList::showTip()
{
    m_tipTimer->stop();
    if (!isVisible())
        return;
    QStringList lines;
    for (const QString &line : m_tipText.split(QLatin1Char('\n')))
        lines << wrapped(line, QToolTip::font(), kTipMaxWidth);
    QToolTip::showText(viewport()->mapToGlobal(m_tipPos), lines.join(QLatin1Char('\n')),
                       viewport(), QRect(), kTipShowMs);
}
