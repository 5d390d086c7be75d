#include "platform/dialogcolours.h"

#include <QPalette>
#include <QWidget>

void applyDialogColours(QWidget *dialog)
{
    const QColor grey(192, 192, 192);
    const QColor accent(174, 37, 4);
    QPalette palette = dialog->palette();
    palette.setColor(QPalette::Window, grey);
    palette.setColor(QPalette::WindowText, accent);
    palette.setColor(QPalette::Text, accent);
    palette.setColor(QPalette::ButtonText, accent);
    dialog->setPalette(palette);
    dialog->setAutoFillBackground(true);
}
