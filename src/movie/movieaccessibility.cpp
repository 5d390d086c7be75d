#include "movie/movieaccessibility.h"

#include <QAccessibleObject>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickRenderControl>
#include <QQuickWindow>

// Qt Quick's own item interface, extended below: no public class gives an
// item its children, actions and text as Qt Quick does.
#include <QtQuick/private/qaccessiblequickitem_p.h>
#include <QtQuick/private/qquickitem_p.h>

namespace {

// Qt Quick before 6.5 reports a disabled item as enabled, and no version
// gives a progress bar a value, or a text that is not edited its text.
class MovieItem final : public QAccessibleQuickItem
{
public:
    explicit MovieItem(QQuickItem *item) : QAccessibleQuickItem(item)
    {
        // A client that keeps states hears when one changes.
        QObject::connect(item, &QQuickItem::enabledChanged, item, [item] {
            QAccessible::State changed;
            changed.disabled = true;
            QAccessibleStateChangeEvent event(item, changed);
            QAccessible::updateAccessibility(&event);
        });
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleQuickItem::state();
        if (!item()->isEnabled()) {
            state.disabled = true;
            state.focusable = false;
        }
        return state;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface && isBar())
            return static_cast<QAccessibleValueInterface *>(this);
        if (type == QAccessible::TextInterface && isReadOnlyText())
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleQuickItem::interface_cast(type);
    }

    // What a reader's review of the window reads: the text as shown.
    QString text(QAccessible::Text type) const override
    {
        if (type == QAccessible::Value && isReadOnlyText())
            return QAccessibleQuickItem::text(QAccessible::Name);
        return QAccessibleQuickItem::text(type);
    }

    QVariant minimumValue() const override
    {
        return isBar() ? item()->property("from") : QAccessibleQuickItem::minimumValue();
    }

    QVariant maximumValue() const override
    {
        return isBar() ? item()->property("to") : QAccessibleQuickItem::maximumValue();
    }

private:
    bool isBar() const { return role() == QAccessible::ProgressBar; }
    bool isReadOnlyText() const
    {
        const QAccessible::Role r = role();
        return r == QAccessible::StaticText || r == QAccessible::Heading ||
               r == QAccessible::StatusBar || r == QAccessible::Notification;
    }
};

// The window a QQuickWidget renders into is a top-level window to Qt, which
// a screen reader would list as an empty frame beside the real one.
class Application final : public QAccessibleApplication
{
public:
    int childCount() const override { return int(windows().size()); }

    QAccessibleInterface *child(int index) const override
    {
        const QList<QObject *> shown = windows();
        return index >= 0 && index < shown.size() ? QAccessible::queryAccessibleInterface(shown.at(index))
                                                  : nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child ? int(windows().indexOf(child->object())) : -1;
    }

private:
    static QList<QObject *> windows()
    {
        QList<QObject *> objects;
        for (QWindow *window : QGuiApplication::topLevelWindows()) {
            if (window->type() == Qt::Popup || window->type() == Qt::Desktop)
                continue;
            auto *quick = qobject_cast<QQuickWindow *>(window);
            if (quick && QQuickRenderControl::renderWindowFor(quick))
                continue;
            if (QAccessibleInterface *root = window->accessibleRoot(); root && root->object())
                objects << root->object();
        }
        return objects;
    }
};

QAccessibleInterface *movieFactory(const QString &className, QObject *object)
{
    if (object == QCoreApplication::instance())
        return new Application;
    // Where Qt Quick's own factory answers, and for the same items.
    if (className == QLatin1String("QQuickItem")) {
        auto *item = qobject_cast<QQuickItem *>(object);
        if (item && QQuickItemPrivate::get(item)->isAccessible)
            return new MovieItem(item);
    }
    return nullptr;
}

} // namespace

void movieaccessibility::install()
{
    // The last factory installed is asked first.
    QAccessible::installFactory(movieFactory);
}
