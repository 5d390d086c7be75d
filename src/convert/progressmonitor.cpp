// The progress poll of the file in hand (timer 2, once a second).

#include <QCoreApplication>
#include <QFile>

#include "filelist/filelistbox.h"
#include "movie/shockwaveflash.h"
#include "platform/desktop.h"
#include "ui/maindlg.h"

void CMainDlg::OnProgressTick()
{
    try {
        const int t = m_playerHost.GetTime();
        const float p = m_playerHost.GetPosition();

        if (p > 0 && t > 0) {
            const int percent = int(double(p) * 100.0);
            m_flash->SetVariable(QStringLiteral("_root.progressValue"), QString::number(percent));
            m_progressSeen = true;
            return;
        }
        if (p < 0 && t < 0) {
            KillProgressTimer();
            // A short file can end between two polls; the player knows
            // whether it got there through real progress.
            const bool converted = m_progressSeen || m_playerHost.FinishedNormally();
            m_playerHost.playlistClear();
            if (converted) {
                FileConverted();
                m_progressSeen = false;
                ConvertNext();
                return;
            }
            m_desktop.sleep(200);
            if (m_retryCount < 3) {
                ++m_retryCount;
                ConvertNext();
                return;
            }
            QString entry;
            if (m_pFileList && m_currentIndex >= 0 && m_currentIndex < m_pFileList->count())
                entry = m_pFileList->item(m_currentIndex)->text();
            m_desktop.messageBox(this, QStringLiteral("Unable to Convert File:%1 ").arg(entry),
                                 QStringLiteral("Error conversion"), Desktop::Ok);
            SetRetryCount(0);
            ++m_currentIndex;
            DeleteGivenUpOutput();
            ConvertNext();
        }
    } catch (const std::exception &) {
        const int code = LastErrorCode();
        KillProgressTimer();
        m_desktop.messageBox(this,
                             QStringLiteral("Error Ocurr while conversion progress: %1").arg(code),
                             QCoreApplication::applicationName(), Desktop::Ok);
        SetRetryCount(0);
        ++m_currentIndex;
        m_flash->SetVariable(QStringLiteral("_root.progressValue"), QStringLiteral("0"));
        ConvertNext();
    }
}

void CMainDlg::FileConverted()
{
    ++m_convertedCount;
    ++m_currentIndex;
    SetRetryCount(0);
}

void CMainDlg::DeleteGivenUpOutput()
{
    if (m_outputFile.isEmpty() || !OutputWrittenByJob())
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
