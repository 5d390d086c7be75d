#include "movie/movieview.h"

#include <cstdio>

#include <QQmlEngine>
#include <QQuickItem>
#include <QUrl>
#include <QVariant>

#include "movie/movieaccessibility.h"

MovieView::MovieView(QWidget *parent) : QQuickWidget(parent)
{
    movieaccessibility::install();
    setResizeMode(QQuickWidget::SizeRootObjectToView);
    setFocusPolicy(Qt::StrongFocus);
}

void MovieView::setMovie(const QString &path)
{
    m_hasSetVariable = false;
    m_hasGetVariable = false;
    setSource(QUrl::fromLocalFile(path));
    if (status() == QQuickWidget::Error || !rootObject()) {
        for (const QQmlError &error : errors())
            std::fprintf(stderr, "%s\n", qPrintable(error.toString()));
        if (errors().isEmpty())
            std::fprintf(stderr, "%s: the movie has no root item\n", qPrintable(path));
        return;
    }
    QObject *root = rootObject();
    // A movie without the functions stays silent rather than warning at every call.
    const QMetaObject *meta = root->metaObject();
    m_hasSetVariable = meta->indexOfMethod("setVariable(QVariant,QVariant)") >= 0;
    m_hasGetVariable = meta->indexOfMethod("getVariable(QVariant)") >= 0;
    if (!m_hasSetVariable || !m_hasGetVariable)
        std::fprintf(stderr, "%s: the movie lacks setVariable or getVariable\n", qPrintable(path));
    // The movie's own signals, connected by their QML signatures.
    if (root->metaObject()->indexOfSignal("fsCommand(QString,QString)") >= 0)
        connect(root, SIGNAL(fsCommand(QString,QString)), this,
                SLOT(onFsCommand(QString,QString)), Qt::DirectConnection);
    if (root->metaObject()->indexOfSignal("flashCall(QString)") >= 0)
        connect(root, SIGNAL(flashCall(QString)), this, SLOT(onFlashCall(QString)),
                Qt::DirectConnection);
}

void MovieView::setVariable(const QString &name, const QString &value)
{
    if (QObject *root = rootObject(); root && m_hasSetVariable)
        QMetaObject::invokeMethod(root, "setVariable", Q_ARG(QVariant, name),
                                  Q_ARG(QVariant, value));
}

QString MovieView::getVariable(const QString &name)
{
    QVariant result;
    if (QObject *root = rootObject(); root && m_hasGetVariable)
        QMetaObject::invokeMethod(root, "getVariable", Q_RETURN_ARG(QVariant, result),
                                  Q_ARG(QVariant, name));
    if (!result.isValid() || result.isNull())
        return {};
    return result.toString();
}

void MovieView::fitRoot()
{
    if (QQuickItem *root = rootObject())
        root->setSize(size());
}

void MovieView::onFsCommand(const QString &command, const QString &args)
{
    emit movieCommand(command, args);
}

void MovieView::onFlashCall(const QString &request)
{
    emit flashCall(request);
}
