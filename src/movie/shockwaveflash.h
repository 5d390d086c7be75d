#pragma once

#include <QQuickWidget>
#include <QString>

// The movie: a QML file whose root item declares
//   signal fsCommand(string command, string args)
//   signal flashCall(string request)
//   function setVariable(name, value)
//   function getVariable(name)
// Host calls are synchronous on the UI thread; the movie's fsCommand reaches
// FSCommand before the movie's emit returns.
class CShockwaveFlash final : public QQuickWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CShockwaveFlash)

public:
    explicit CShockwaveFlash(QWidget *parent = nullptr);

    // Loads the movie; errors go to stderr and leave the movie empty.
    void SetMovie(const QString &path);
    void SetVariable(const QString &name, const QString &value);
    QString GetVariable(const QString &name);

signals:
    void FSCommand(const QString &command, const QString &args);
    void FlashCall(const QString &request);

private slots:
    void onFsCommand(const QString &command, const QString &args);
    void onFlashCall(const QString &request);

private:
    bool m_hasSetVariable = false;
    bool m_hasGetVariable = false;
};
