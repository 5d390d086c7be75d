#include "app/terminaloptions.h"

#include <algorithm>
#include <cmath>

#include <fcntl.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include "convert/jobcount.h"
#include "convert/nativefile.h"
#include "convert/nativename.h"
#include "convert/settingscheck.h"
#include "settings/presetlist.h"
#include "settings/programfolder.h"
#include "settings/settingsfile.h"

namespace {

struct OptionText
{
    const char *name;
    const char *valueName; // nullptr for a switch
    const char *description;
    const char *shortName = nullptr;
};

// The window's choices, in the order it shows them, then the batch's.
constexpr OptionText kOptions[] = {
    {"convert", nullptr, "Convert the FILEs without a window."},
    {"format", "ext", "Target format from the catalogue, e.g. .mkv (default: its first)."},
    {"container", "mux", "Container of the format (default: the format's first)."},
    {"video-codec", "fourcc", "Video codec of the container (default: its first)."},
    {"video-bitrate", "kb/s", "Video bitrate, 1 to 100000 (default: 1024)."},
    {"scale", "factor", "Picture scale, above 0 and at most 16 (default: 1)."},
    {"audio-codec", "fourcc", "Audio codec of the container (default: its first)."},
    {"audio-bitrate", "kb/s", "Audio bitrate, 1 to 100000 (default: 128)."},
    {"channels", "count", "Audio channels, 1 to 8 (default: 2)."},
    {"no-video", nullptr, "Leave the picture out of the outputs."},
    {"no-audio", nullptr, "Leave the sound out of the outputs."},
    {"output", "dir", "Write the outputs into dir (default: beside each source)."},
    {"overwrite", nullptr, "Replace outputs that exist already."},
    {"skip-existing", nullptr, "Skip files whose output exists already (the default)."},
    {"keep-both", nullptr, "Keep an existing output and write \"name (2).ext\" beside it."},
    {"jobs", "n", "Files converted at once: 1 to 16, or auto (one more than the cores, at "
                  "most 4; one for VP8 and VP9, which use every core). Default: 1."},
    {"stall", "minutes", "Give up a file that makes no progress for this long, e.g. 5 or 0.5 "
                         "(default: 0, wait for ever)."},
    {"null", nullptr, "End each converted path with a NUL character instead of a line break, "
                      "for names that hold line breaks (xargs -0).", "0"},
    {"catalogue", "file", "Read the formats from this file instead of Formats.ini."},
};

QString optionName(const OptionText &option)
{
    return QString::fromLatin1(option.name);
}

QString listed(const QStringList &entries)
{
    QStringList shown;
    for (const QString &entry : entries)
        if (!entry.isEmpty())
            shown << entry;
    return shown.isEmpty() ? QStringLiteral("(none)") : shown.join(QStringLiteral(", "));
}

// The catalogue's list, or the value chosen from it; empty when the value is
// not offered (message set).
QString choose(const QStringList &offered, const QString &given, const QString &what,
               const QString &owner, QString *message)
{
    if (given.isEmpty()) {
        if (offered.isEmpty() || offered.constFirst().isEmpty()) {
            *message = QStringLiteral("No %1 is offered %2.").arg(what, owner);
            return {};
        }
        return offered.constFirst();
    }
    if (offered.contains(given))
        return given;
    *message = QStringLiteral("The %1 \"%2\" is not offered %3; choose one of: %4.")
                   .arg(what, given, owner, listed(offered));
    return {};
}

// Tried rather than judged from the permissions, which say nothing for
// root, a read-only mount or a file system such as /proc.
bool writable(const QString &folder)
{
    QByteArray probe = toNativeName(folder + QStringLiteral("/.tarnwick-XXXXXX"));
    const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    ::unlink(probe.constData());
    ::close(fd);
    return true;
}

QString folderOf(const QString &file)
{
    const qsizetype slash = file.lastIndexOf(QLatin1Char('/'));
    return slash > 0 ? file.left(slash) : QStringLiteral("/");
}

// Minutes, fractions too, in whole seconds; -1 when not a limit.
int secondsOf(const QString &minutes)
{
    bool ok = false;
    const double value = minutes.toDouble(&ok);
    if (!ok || !(value >= 0 && value <= TerminalOptions::kMaxStallMinutes))
        return -1;
    return value == 0 ? 0 : std::max(1, int(std::lround(value * 60)));
}

} // namespace

bool TerminalOptions::wanted(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--")
            return false;
        if (arg == "-h" || arg == "-?" || arg == "-v" || arg == "--help" ||
            arg == "--help-all" || arg == "--version")
            return true;
        for (const OptionText &option : kOptions)
            if (option.shortName && arg == QByteArray("-") + option.shortName)
                return true;
        if (!arg.startsWith("--"))
            continue;
        const QByteArray name = arg.mid(2).split('=').constFirst();
        for (const OptionText &option : kOptions)
            if (name == option.name)
                return true;
    }
    return false;
}

TerminalOptions::TerminalOptions(const QString &appDir)
    : m_appDir(appDir.endsWith(QLatin1Char('/')) ? appDir : appDir + QLatin1Char('/'))
{
}

TerminalOptions::Outcome TerminalOptions::invalid(const QString &message)
{
    m_text = message;
    return Outcome::Invalid;
}

TerminalOptions::Outcome TerminalOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Converts video files with the formats of the catalogue, without a "
                       "window.\nWithout options (or with files only) the window opens."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    for (const OptionText &option : kOptions) {
        QStringList names{optionName(option)};
        if (option.shortName)
            names.prepend(QString::fromLatin1(option.shortName));
        QCommandLineOption made(names, QString::fromLatin1(option.description));
        if (option.valueName)
            made.setValueName(QString::fromLatin1(option.valueName));
        parser.addOption(made);
    }
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Files to convert."),
                                 QStringLiteral("FILE..."));

    if (!parser.parse(arguments))
        return invalid(parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        m_text = parser.helpText();
        return Outcome::Shown;
    }
    if (parser.isSet(version)) {
        m_text = QCoreApplication::applicationName() + QLatin1Char(' ') +
                 QCoreApplication::applicationVersion() + QLatin1Char('\n');
        return Outcome::Shown;
    }
    const auto value = [&parser](const char *name) {
        return parser.value(QString::fromLatin1(name));
    };
    const auto isSet = [&parser](const char *name) {
        return parser.isSet(QString::fromLatin1(name));
    };
    if (!isSet("convert"))
        return invalid(QStringLiteral("Give --convert to convert files without the window "
                                      "(see --help)."));

    const int existingChoices =
        int(isSet("overwrite")) + int(isSet("skip-existing")) + int(isSet("keep-both"));
    if (existingChoices > 1)
        return invalid(QStringLiteral("Choose only one of --overwrite, --skip-existing and "
                                      "--keep-both."));
    m_existing = isSet("overwrite")   ? Existing::Overwrite
                 : isSet("keep-both") ? Existing::KeepBoth
                                      : Existing::Skip;

    if (isSet("jobs")) {
        bool ok = false;
        const int jobs = value("jobs").toInt(&ok);
        if (value("jobs") != QLatin1String("auto") && (!ok || jobs < 1 || jobs > kMaxJobs))
            return invalid(QStringLiteral("The number of jobs \"%1\" cannot be used: give 1 to "
                                          "%2, or auto.")
                               .arg(value("jobs"), QString::number(kMaxJobs)));
    }
    if (isSet("stall")) {
        m_stallSeconds = secondsOf(value("stall"));
        if (m_stallSeconds < 0)
            return invalid(QStringLiteral("The stall limit \"%1\" cannot be used: give the minutes "
                                          "a file may go without progress, at most %2, or 0 to "
                                          "wait for ever.")
                               .arg(value("stall"), QString::number(kMaxStallMinutes)));
    }
    m_nulSeparated = isSet("null");

    // The catalogue as the window reads it: the program's Formats.ini with
    // the user's file over it, or only the file given.
    SettingsFile catalogue(m_appDir);
    if (isSet("catalogue")) {
        const QFileInfo file(value("catalogue"));
        if (!file.isFile() || !file.isReadable())
            return invalid(QStringLiteral("The catalogue \"%1\" is not a readable file.")
                               .arg(value("catalogue")));
        catalogue.setFileName(file.absoluteFilePath());
    } else {
        catalogue.setFileName(QStringLiteral("Formats.ini"));
        catalogue.setUserFile(ProgramFolder(m_appDir).userSettingsFile());
    }
    const auto list = [&catalogue](const QString &key, const char *section) {
        return splitPresetList(catalogue.readString(key, QString(), QString::fromLatin1(section)));
    };

    ConversionSettings &s = m_settings.conversion;
    QString message;
    const QString byCatalogue =
        QStringLiteral("by the catalogue %1").arg(catalogue.resolvePath(catalogue.fileName()));
    QString format = value("format");
    const QStringList formats = list(QStringLiteral("Extentions"), "genral");
    if (!format.isEmpty() && !format.startsWith(QLatin1Char('.')) &&
        formats.contains(QLatin1Char('.') + format))
        format.prepend(QLatin1Char('.'));
    s.format = choose(formats, format, QStringLiteral("format"), byCatalogue, &message);
    if (s.format.isEmpty())
        return invalid(message);
    const QString ofFormat = QStringLiteral("for the format %1").arg(s.format);
    s.container = choose(list(s.format, "muxer"), value("container"), QStringLiteral("container"),
                         ofFormat, &message);
    if (s.container.isEmpty())
        return invalid(message);
    const QString ofContainer = QStringLiteral("for the container %1").arg(s.container);
    s.videoCodec = choose(list(s.container, "VC"), value("video-codec"),
                          QStringLiteral("video codec"), ofContainer, &message);
    if (s.videoCodec.isEmpty())
        return invalid(message);
    s.audioCodec = choose(list(s.container, "AC"), value("audio-codec"),
                          QStringLiteral("audio codec"), ofContainer, &message);
    if (s.audioCodec.isEmpty())
        return invalid(message);

    // The window's starting values.
    const auto number = [&](const char *name, const char *fallback) {
        return isSet(name) ? value(name) : QString::fromLatin1(fallback);
    };
    s.videoBitrate = number("video-bitrate", "1024");
    s.scale = number("scale", "1");
    s.audioBitrate = number("audio-bitrate", "128");
    s.channels = number("channels", "2");
    if (const QString fault = settingscheck::fault(s); !fault.isEmpty())
        return invalid(fault);

    if (isSet("jobs"))
        m_jobs = jobCountFor(value("jobs"), s.videoCodec);
    // A codec "none" is a container without that track (.mp3).
    m_settings.tracks.video = !isSet("no-video") && s.videoCodec != QLatin1String("none");
    m_settings.tracks.audio = !isSet("no-audio") && s.audioCodec != QLatin1String("none");
    if (!m_settings.tracks.video && !m_settings.tracks.audio) {
        if (isSet("no-video") && isSet("no-audio"))
            return invalid(QStringLiteral("--no-video and --no-audio together leave nothing to "
                                          "convert."));
        const bool soundOnly = s.videoCodec == QLatin1String("none");
        return invalid(QStringLiteral("The format %1 has only %2, which %3 leaves out.")
                           .arg(s.format, soundOnly ? QStringLiteral("sound")
                                                    : QStringLiteral("picture"),
                                isSet("no-audio") ? QStringLiteral("--no-audio")
                                                  : QStringLiteral("--no-video")));
    }

    if (!checkInputs(parser.positionalArguments()))
        return Outcome::Invalid;
    m_settings.sameDirectory = !isSet("output");
    if (isSet("output")) {
        const QString folder = nativefile::absolute(value("output"));
        if (!checkOutputFolder(folder, QStringLiteral("output folder")))
            return Outcome::Invalid;
        m_settings.outputFolder = folder;
    } else {
        for (const QString &input : std::as_const(m_inputs))
            if (!checkOutputFolder(folderOf(input), QStringLiteral("folder of %1").arg(input)))
                return Outcome::Invalid;
    }
    // One converted path per line: a line break inside one would read as two.
    if (!m_nulSeparated) {
        for (const QString &name : m_inputs + QStringList{m_settings.outputFolder}) {
            if (name.contains(QLatin1Char('\n')))
                return invalid(QStringLiteral("The name \"%1\" holds a line break, which would "
                                              "split its converted path over two lines: give "
                                              "--null (-0) to end each path with a NUL character "
                                              "instead.")
                                   .arg(name));
        }
    }
    return Outcome::Convert;
}

bool TerminalOptions::checkInputs(const QStringList &files)
{
    if (files.isEmpty()) {
        m_text = QStringLiteral("No files to convert: name them after the options.");
        return false;
    }
    for (const QString &file : files) {
        const std::optional<struct stat> info = nativefile::target(file);
        QString fault;
        if (!info)
            fault = QStringLiteral("does not exist");
        else if (S_ISDIR(info->st_mode))
            fault = QStringLiteral("is a folder, not a file");
        else if (::access(toNativeName(file).constData(), R_OK) != 0)
            fault = QStringLiteral("cannot be read");
        if (!fault.isEmpty()) {
            m_text = QStringLiteral("The file \"%1\" %2.").arg(file, fault);
            return false;
        }
        m_inputs << nativefile::absolute(file);
    }
    m_inputs.removeDuplicates();
    return true;
}

bool TerminalOptions::checkOutputFolder(const QString &folder, const QString &what)
{
    const std::optional<struct stat> info = nativefile::target(folder);
    QString fault;
    if (!info)
        fault = QStringLiteral("does not exist");
    else if (!S_ISDIR(info->st_mode))
        fault = QStringLiteral("is not a folder");
    else if (!writable(folder))
        fault = QStringLiteral("cannot be written to");
    if (fault.isEmpty())
        return true;
    m_text = QStringLiteral("The %1 \"%2\" %3.").arg(what, folder, fault);
    return false;
}
