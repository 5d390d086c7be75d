// Times the file list's operations on a large list: adding paths to its
// queue with the duplicate check, moving every other item up and down, removing half, and
// painting. Prints one line per step.

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QItemSelection>
#include <QItemSelectionModel>

#include "filelist/filelist.h"

namespace {

constexpr int kItems = 10000;

template <typename F>
double timed(const char *step, F &&f)
{
    QElapsedTimer timer;
    timer.start();
    f();
    const double ms = timer.nsecsElapsed() / 1e6;
    std::printf("%-34s %10.1f ms\n", step, ms);
    std::fflush(stdout);
    return ms;
}

void selectEveryOther(FileList &list)
{
    QItemSelection selection;
    for (int row = 0; row < list.count(); row += 2)
        selection.select(list.model()->index(row, 0), list.model()->index(row, 0));
    list.selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

// The same moves done naively on plain strings, to check the list's result.
struct Entry
{
    QString text;
    bool selected;
};

void naiveMoveUp(std::vector<Entry> &v)
{
    for (std::size_t i = 1; i < v.size(); ++i)
        if (v[i].selected)
            std::swap(v[i - 1], v[i]);
}

void naiveMoveDown(std::vector<Entry> &v)
{
    for (std::size_t i = v.size() - 1; i-- > 0;)
        if (v[i].selected)
            std::swap(v[i], v[i + 1]);
}

bool same(const FileList &list, const std::vector<Entry> &v)
{
    if (list.count() != int(v.size()))
        return false;
    for (int i = 0; i < list.count(); ++i)
        if (list.queue().at(i).path != v[i].text || list.isSelected(i) != v[i].selected)
            return false;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    JobQueue queue;
    FileList list(queue);
    list.resize(372, 130);
    list.show();
    app.processEvents();

    QStringList paths;
    for (int i = 0; i < kItems; ++i)
        paths << QStringLiteral("/home/user/Videos/holiday %1/clip-%2.avi").arg(i % 97).arg(i, 5, 10, QLatin1Char('0'));

    std::printf("file list, %d items\n", kItems);
    // As the window adds them: the names looked at, then listed at once.
    const auto add = [&] {
        FileIdentifier identifier;
        QList<JobQueue::File> files;
        for (const QString &path : paths)
            files.append({path, identifier.identify(path)});
        queue.append(files);
    };
    timed("add 10000 paths", add);
    timed("add the same 10000 again (refused)", add);
    bool ok = list.count() == kItems;
    timed("lay out and paint", [&] {
        app.processEvents();
        list.viewport()->repaint();
    });

    timed("select every other item", [&] { selectEveryOther(list); });
    std::vector<Entry> expected;
    for (int i = 0; i < list.count(); ++i)
        expected.push_back({queue.at(i).path, list.isSelected(i)});

    timed("move up (5000 selected)", [&] { list.moveUp(); });
    naiveMoveUp(expected);
    ok = ok && same(list, expected);
    timed("lay out and paint", [&] {
        app.processEvents();
        list.viewport()->repaint();
    });

    timed("move down (5000 selected)", [&] { list.moveDown(); });
    naiveMoveDown(expected);
    ok = ok && same(list, expected);
    timed("lay out and paint", [&] {
        app.processEvents();
        list.viewport()->repaint();
    });

    timed("remove half (5000 selected)", [&] { list.removeSelected(0); });
    std::erase_if(expected, [](const Entry &e) { return e.selected; });
    ok = ok && int(expected.size()) == list.count() && list.selectedIds().isEmpty();
    for (int i = 0; ok && i < list.count(); ++i)
        ok = queue.at(i).path == expected[std::size_t(i)].text;
    timed("lay out and paint", [&] {
        app.processEvents();
        list.viewport()->repaint();
    });

    std::printf("results %s\n", ok ? "match the step-by-step moves" : "DIFFER from the step-by-step moves");
    return ok ? 0 : 1;
}
