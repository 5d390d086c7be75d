// The batch: converts the list file by file, in list order.

#include <stdexcept>

#include <sys/stat.h>

#include <QCoreApplication>
#include <QFileInfo>

#include "filelist/filelist.h"
#include "movie/movieview.h"
#include "platform/desktop.h"
#include "platform/windowtimers.h"
#include "ui/mainwindow.h"

namespace {

QString listEntry(const FileList *list, int index)
{
    if (!list || index < 0 || index >= list->count())
        throw std::out_of_range("no such list entry");
    return list->item(index)->text();
}

bool isTrue(const QString &value)
{
    return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

bool sameFile(const QString &a, const QString &b)
{
    if (a == b)
        return true;
    const QFileInfo fa(a), fb(b);
    return fa.exists() && fb.exists() && fa.canonicalFilePath() == fb.canonicalFilePath();
}

} // namespace

ConversionSettings MainWindow::currentSettings() const
{
    return {m_format,     m_container,    m_videoCodec,   m_videoBitrate,
            m_scale,      m_audioCodec,   m_audioBitrate, m_channels};
}

bool MainWindow::fileExists(const QString &path)
{
    // Any existing entry counts, readable or not.
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

int MainWindow::convertNext()
{
    try {
        if (!m_fileList || m_fileList->count() == 0)
            return 0;

        if (m_currentIndex > 0) {
            if (m_currentIndex >= m_fileList->count()) {
                const QString text =
                    QStringLiteral("Conversion Complete, Total Converted files:%1")
                        .arg(m_convertedCount);
                if (m_convertedCount > 0) {
                    m_movie->setVariable(QStringLiteral("_root.convertOutput"), text);
                    m_movie->setVariable(QStringLiteral("_root.progressValue"),
                                         QStringLiteral("100"));
                    m_desktop.messageBox(this, text, QStringLiteral("Tarnwick"), Desktop::Ok);
                }
                finish();
                return 1;
            }
        } else {
            m_currentIndex = 0;
            m_convertedCount = 0;
            m_movie->setVariable(QStringLiteral("_root.disablerAllBtns"), QStringLiteral("true"));
            m_movie->setVariable(QStringLiteral("_root.disableConvert"), QStringLiteral("true"));
            m_movie->setVariable(QStringLiteral("_root.enableStop"), QStringLiteral("true"));
            m_fileList->m_deleteKeyEnabled = false;
        }

        const bool audio = isTrue(m_movie->getVariable(QStringLiteral("_root.audioCheck")));
        const bool video = isTrue(m_movie->getVariable(QStringLiteral("_root.videoCheck")));
        const QString input = listEntry(m_fileList, m_currentIndex);

        m_movie->setVariable(
            QStringLiteral("_root.convertOutput"),
            QStringLiteral("Converting %1...%2, Total Converted files:%3")
                .arg(input.left(3), input.mid(input.lastIndexOf(QLatin1Char('/'))))
                .arg(m_convertedCount));

        if (audio && video) {
            startFileJob(input, QString(), 1);
        } else {
            QString out = outputFor(input);
            if (!settleOverwrite(out, input, false))
                return 1;
            m_outputFile = out;
            startFileJob(input, streamOutputOption(currentSettings(), out), 0);
        }
        return 1;
    } catch (const std::exception &) {
        if (m_currentIndex < 0 || m_currentIndex >= m_fileCount)
            return 0;
        const int code = lastErrorCode();
        setRetryCount(0);
        killProgressTimer();
        QString entry;
        if (m_fileList && m_currentIndex < m_fileList->count())
            entry = m_fileList->item(m_currentIndex)->text();
        m_desktop.messageBox(this,
                             QStringLiteral("Error Ocurr in converting File:%1 %2").arg(entry).arg(code),
                             QCoreApplication::applicationName(), Desktop::Ok);
        ++m_currentIndex;
        m_movie->setVariable(QStringLiteral("_root.progressValue"), QStringLiteral("0"));
        convertNext();
        return 1;
    }
}

QString MainWindow::outputFor(const QString &input) const
{
    // A restart writes where the file's first attempt was settled to write,
    // never to a name the user declined to overwrite.
    if (m_retryCount != 0 && !m_outputFile.isEmpty())
        return m_outputFile;
    return outputFileName(input, m_sameDirectory, m_outputPath, m_format);
}

bool MainWindow::settleOverwrite(QString &out, const QString &input, bool variantA)
{
    while (fileExists(out) && m_retryCount == 0) {
        // The input itself is never offered for overwriting.
        const bool isInput = sameFile(out, input);
        if (!isInput) {
            const int answer = m_desktop.messageBox(
                this, QStringLiteral("File Name:%1 Already Exist overwrite [Yes/No]").arg(out),
                QStringLiteral("File Already Exist"), Desktop::YesNo);
            if (answer != Desktop::IdNo)
                break;
        }
        const QString filter =
            QStringLiteral("%1 (*%2)|*%2||")
                .arg(variantA ? QStringLiteral("All Supported Types")
                              : QStringLiteral("All Ipod Supported Types"),
                     m_format);
        const QString initial = variantA ? out : alternativeOutputName(input);
        const std::optional<QString> chosen =
            m_desktop.saveFileName(this, m_format, filter, initial);
        if (!chosen || chosen->isEmpty() || sameFile(*chosen, input)) {
            skipCurrentFile();
            return false;
        }
        out = *chosen;
    }
    return true;
}

void MainWindow::skipCurrentFile()
{
    setRetryCount(0);
    ++m_currentIndex;
    convertNext();
}

int MainWindow::startFileJob(const QString &input, const QString &option, int build)
{
    m_playerHost.release();
    m_movie->setVariable(QStringLiteral("_root.showProgress"), QStringLiteral("true"));

    QString jobOption = option;
    if (build == 1) {
        QString out = outputFor(input);
        if (!settleOverwrite(out, input, true))
            return 0;
        m_outputFile = out;
        jobOption = streamOutputOption(currentSettings(), out);
    }
    if (m_retryCount == 0)
        snapshotOutput(m_outputFile);
    m_progressSeen = false;

    try {
        m_playerHost.create();
        m_desktop.sleep(500);
        m_playerHost.addTarget(input, QStringList{jobOption}, 10, -666);
        if (m_progressTimer == 0)
            m_progressTimer = m_timers->setTimer(kProgressTimer, 1000);
    } catch (const std::exception &error) {
        const auto *engine = dynamic_cast<const EngineError *>(&error);
        const int code = engine ? engine->code() : lastErrorCode();
        setRetryCount(0);
        killProgressTimer();
        m_desktop.messageBox(this, QStringLiteral("Error Ocurrs %1").arg(code),
                             QStringLiteral("Error"), Desktop::Ok);
        ++m_currentIndex;
        m_movie->setVariable(QStringLiteral("_root.progressValue"), QStringLiteral("0"));
        convertNext();
    }
    return 1;
}

void MainWindow::finish()
{
    m_movie->setVariable(QStringLiteral("_root.disableStop"), QStringLiteral("true"));
    m_movie->setVariable(QStringLiteral("_root.enableConvert"), QStringLiteral("true"));
    m_movie->setVariable(QStringLiteral("_root.progressValue"), QStringLiteral("0"));
    m_movie->setVariable(QStringLiteral("_root.enablerAllBtns"), QStringLiteral("true"));
    m_movie->setVariable(QStringLiteral("_root.hideProgress"), QStringLiteral("true"));
    m_movie->setVariable(QStringLiteral("_root.convertOutput"), QString());
    killProgressTimer();
    m_playerHost.playlistClear();
    m_currentIndex = 0;
    m_convertedCount = 0;
    setRetryCount(0);
    if (m_fileList)
        m_fileList->m_deleteKeyEnabled = true;
}

void MainWindow::snapshotOutput(const QString &path)
{
    m_outputBefore = {};
    m_outputBefore.path = path;
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) == 0) {
        m_outputBefore.existed = true;
        m_outputBefore.size = st.st_size;
        m_outputBefore.modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        m_outputBefore.inode = st.st_ino;
    }
}

bool MainWindow::outputWrittenByJob() const
{
    if (m_outputBefore.path != m_outputFile || !m_outputBefore.existed)
        return true;
    struct stat st {};
    if (::lstat(QFile::encodeName(m_outputFile).constData(), &st) != 0)
        return false;
    const qint64 modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return st.st_size != m_outputBefore.size || modified != m_outputBefore.modified ||
           st.st_ino != m_outputBefore.inode;
}
