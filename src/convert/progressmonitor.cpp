// The progress poll of the file in hand (timer 2, once a second).

#include <QCoreApplication>
#include <QFile>

#include "filelist/filelist.h"
#include "movie/movieview.h"
#include "platform/desktop.h"
#include "ui/mainwindow.h"

void MainWindow::onProgressTick()
{
    try {
        const int t = m_playerHost.time();
        const float p = m_playerHost.position();

        if (p > 0 && t > 0) {
            const int percent = int(double(p) * 100.0);
            m_movie->setVariable(QStringLiteral("_root.progressValue"), QString::number(percent));
            m_progressSeen = true;
            return;
        }
        if (p < 0 && t < 0) {
            killProgressTimer();
            // A short file can end between two polls; the player knows
            // whether it got there through real progress.
            const bool converted = m_progressSeen || m_playerHost.finishedNormally();
            m_playerHost.playlistClear();
            if (converted) {
                fileConverted();
                m_progressSeen = false;
                convertNext();
                return;
            }
            m_desktop.sleep(200);
            if (m_retryCount < 3) {
                ++m_retryCount;
                convertNext();
                return;
            }
            QString entry;
            if (m_fileList && m_currentIndex >= 0 && m_currentIndex < m_fileList->count())
                entry = m_fileList->item(m_currentIndex)->text();
            m_desktop.messageBox(this, QStringLiteral("Unable to Convert File:%1 ").arg(entry),
                                 QStringLiteral("Error conversion"), Desktop::Ok);
            setRetryCount(0);
            ++m_currentIndex;
            deleteGivenUpOutput();
            convertNext();
        }
    } catch (const std::exception &) {
        const int code = lastErrorCode();
        killProgressTimer();
        m_desktop.messageBox(this,
                             QStringLiteral("Error Ocurr while conversion progress: %1").arg(code),
                             QCoreApplication::applicationName(), Desktop::Ok);
        setRetryCount(0);
        ++m_currentIndex;
        m_movie->setVariable(QStringLiteral("_root.progressValue"), QStringLiteral("0"));
        convertNext();
    }
}

void MainWindow::fileConverted()
{
    ++m_convertedCount;
    ++m_currentIndex;
    setRetryCount(0);
}

void MainWindow::deleteGivenUpOutput()
{
    if (m_outputFile.isEmpty() || !outputWrittenByJob())
        return;
    if (QFile::remove(m_outputFile))
        return;
    QFile file(m_outputFile);
    if (!file.open(QIODevice::ReadOnly))
        return;
    file.close();
    // A read-only leftover: make it writable (its times stay) and remove it.
    QFile::setPermissions(m_outputFile, QFile::permissions(m_outputFile) | QFile::WriteOwner);
    if (!QFile::remove(m_outputFile))
        m_desktop.messageBox(this, QStringLiteral("Cant Delete file") + m_outputFile,
                             QStringLiteral("Error"), Desktop::Ok);
}
