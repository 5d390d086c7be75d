#include "movie/shockwaveflash.h"

#include <cstdio>

#include <QQmlEngine>
#include <QQuickItem>
#include <QUrl>
#include <QVariant>

CShockwaveFlash::CShockwaveFlash(QWidget *parent) : QQuickWidget(parent)
{
    setResizeMode(QQuickWidget::SizeRootObjectToView);
    setFocusPolicy(Qt::StrongFocus);
}

void CShockwaveFlash::SetMovie(const QString &path)
{
    setSource(QUrl::fromLocalFile(path));
    if (status() == QQuickWidget::Error || !rootObject()) {
        for (const QQmlError &error : errors())
            std::fprintf(stderr, "%s\n", qPrintable(error.toString()));
        if (errors().isEmpty())
            std::fprintf(stderr, "%s: the movie has no root item\n", qPrintable(path));
        return;
    }
    QObject *root = rootObject();
    // The movie's own signals, connected by their QML signatures.
    if (root->metaObject()->indexOfSignal("fsCommand(QString,QString)") >= 0)
        connect(root, SIGNAL(fsCommand(QString,QString)), this,
                SLOT(onFsCommand(QString,QString)), Qt::DirectConnection);
    if (root->metaObject()->indexOfSignal("flashCall(QString)") >= 0)
        connect(root, SIGNAL(flashCall(QString)), this, SLOT(onFlashCall(QString)),
                Qt::DirectConnection);
}

void CShockwaveFlash::SetVariable(const QString &name, const QString &value)
{
    if (QObject *root = rootObject())
        QMetaObject::invokeMethod(root, "setVariable", Q_ARG(QVariant, name),
                                  Q_ARG(QVariant, value));
}

QString CShockwaveFlash::GetVariable(const QString &name)
{
    QVariant result;
    if (QObject *root = rootObject())
        QMetaObject::invokeMethod(root, "getVariable", Q_RETURN_ARG(QVariant, result),
                                  Q_ARG(QVariant, name));
    if (!result.isValid() || result.isNull())
        return {};
    return result.toString();
}

void CShockwaveFlash::onFsCommand(const QString &command, const QString &args)
{
    emit FSCommand(command, args);
}

void CShockwaveFlash::onFlashCall(const QString &request)
{
    emit FlashCall(request);
}
