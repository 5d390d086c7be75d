// Writes one key of an INI file over and over, each time with a longer value,
// until it is killed. Used to kill a write at random moments.

#include <QCoreApplication>
#include <QString>

#include "settings/settingsfile.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    SettingsFile settings;
    settings.setFileName(QString::fromLocal8Bit(argv[1]));
    for (int round = 1;; ++round) {
        const QString value = QStringLiteral("/home/user/Videos/") + QString(round % 4000, QLatin1Char('x'));
        settings.writeString(QStringLiteral("OutputPath"), value, QStringLiteral("genral"));
    }
}
