#pragma once

#include <QDialog>

class QIcon;

// "About Brellin": the icon, the version line, a notice and OK.
class AboutDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutDialog)

public:
    explicit AboutDialog(const QIcon &icon, QWidget *parent = nullptr);
};
