#include "platform/qtdesktop.h"

#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include "platform/dbussession.h"
#include "platform/dialogcolours.h"
#include "platform/filefilter.h"
#include "platform/windowlookup.h"

QtDesktop::QtDesktop() = default;

QtDesktop::~QtDesktop() = default;

SessionServices &QtDesktop::session()
{
    if (!m_session)
        m_session = std::make_unique<DBusSession>(QDBusConnection::systemBus(),
                                                  QDBusConnection::sessionBus());
    return *m_session;
}

int QtDesktop::messageBox(QWidget *owner, const QString &text, const QString &caption,
                          Buttons buttons, Icon icon)
{
    QMessageBox box(icon == Information ? QMessageBox::Information : QMessageBox::NoIcon,
                    caption, text,
                    buttons == YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, owner);
    box.setDefaultButton(buttons == YesNo ? QMessageBox::Yes : QMessageBox::Ok);
    if (buttons == YesNo)
        box.setEscapeButton(QMessageBox::No);
    applyDialogColours(&box);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return IdYes;
    case QMessageBox::No:
        return IdNo;
    case QMessageBox::Ok:
        return IdOk;
    default:
        return buttons == YesNo ? IdNo : IdOk;
    }
}

QStringList QtDesktop::openFileNames(QWidget *owner, const QString &filter)
{
    // Qt's own dialog: its name filters match regardless of letter case.
    QFileDialog dialog(owner);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setDirectory(QDir::currentPath());
    const QStringList filters = qtNameFilters(filter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.first());
    applyDialogColours(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

std::optional<QString> QtDesktop::saveFileName(QWidget *owner, const QString &defaultExtension,
                                               const QString &filter, const QString &initialName)
{
    QFileDialog dialog(owner);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    QString suffix = defaultExtension;
    if (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    dialog.setNameFilters(qtNameFilters(filter));
    const QFileInfo initial(initialName);
    if (!initialName.isEmpty() && initial.dir().exists())
        dialog.setDirectory(initial.absolutePath());
    dialog.selectFile(initial.fileName());
    applyDialogColours(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QString> QtDesktop::browseForFolder(QWidget *owner, const QString &title)
{
    if (m_folderBrowser) {
        m_folderBrowser->raise();
        m_folderBrowser->activateWindow();
        return std::nullopt;
    }
    QFileDialog dialog(owner, title);
    m_folderBrowser = &dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    applyDialogColours(&dialog);
    int result = QDialog::Rejected;
    if (owner) {
        result = dialog.exec();
    } else {
        // Without an owner the browser blocks nobody: the caller waits for it,
        // while every window, the main one included, stays usable.
        dialog.setWindowModality(Qt::NonModal);
        QEventLoop loop;
        QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
        dialog.show();
        loop.exec(QEventLoop::DialogExec);
        result = dialog.result();
    }
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::cleanPath(dialog.selectedFiles().first());
}

void QtDesktop::shellOpen(const QString &fileOrUrl)
{
    const QUrl url = fileOrUrl.startsWith(QLatin1String("mailto:"))
                         ? QUrl(fileOrUrl)
                         : QUrl::fromLocalFile(fileOrUrl);
    QDesktopServices::openUrl(url);
}

bool QtDesktop::topLevelWindowExists(const QString &title)
{
    // The single-copy socket is the lock, taken before this is asked.
    return x11TopLevelWindowExists(title);
}
