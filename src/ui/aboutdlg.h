#pragma once

#include <QDialog>

class QIcon;

// "About Brellin": the icon, the version line, a notice and OK.
class CAboutDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CAboutDlg)

public:
    explicit CAboutDlg(const QIcon &icon, QWidget *parent = nullptr);
};
