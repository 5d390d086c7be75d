#pragma once

#include <QQuickWidget>
#include <QString>

// The movie: a QML file whose root item declares
//   signal fsCommand(string command, string args)
//   signal flashCall(string request)
//   function setVariable(name, value)
//   function getVariable(name)
// Host calls are synchronous on the UI thread; the movie's fsCommand reaches
// movieCommand before the movie's emit returns.
class MovieView final : public QQuickWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MovieView)

public:
    explicit MovieView(QWidget *parent = nullptr);

    // Loads the movie; errors go to stderr and leave the movie empty.
    void setMovie(const QString &path);
    void setVariable(const QString &name, const QString &value);
    QString getVariable(const QString &name);
    // Gives the root item the view's size now, not at the next resize event
    // (which a hidden view gets only when shown).
    void fitRoot();

signals:
    void movieCommand(const QString &command, const QString &args);
    void flashCall(const QString &request);

private slots:
    void onFsCommand(const QString &command, const QString &args);
    void onFlashCall(const QString &request);

private:
    bool m_hasSetVariable = false;
    bool m_hasGetVariable = false;
};
