#pragma once

class QWidget;

// The program's own dialogs and boxes: accent text RGB(174, 37, 4) on light
// grey RGB(192, 192, 192).
void applyDialogColours(QWidget *dialog);
