#include "ui/aboutdialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "platform/dialogcolours.h"

AboutDialog::AboutDialog(const QIcon &icon, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Brellin"));
    setModal(true);
    applyDialogColours(this);

    auto *iconLabel = new QLabel(this);
    iconLabel->setPixmap(icon.pixmap(32, 32));
    auto *version = new QLabel(QStringLiteral("Brellin Version 1.0"), this);
    version->setTextFormat(Qt::PlainText);
    auto *notice = new QLabel(tr("Tarnwick video converter. Free software; no warranty."), this);
    auto *ok = new QPushButton(tr("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QGridLayout(this);
    layout->addWidget(iconLabel, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(version, 0, 1);
    layout->addWidget(notice, 1, 1);
    layout->addWidget(ok, 0, 2, Qt::AlignTop);
    layout->setHorizontalSpacing(16);
}
