#include "settings/conversionchoice.h"

#include "convert/settingscheck.h"
#include "settings/presetlist.h"
#include "settings/settingsfile.h"

ConversionChoice::ConversionChoice(SettingsFile &catalogue, QObject *parent)
    : QObject(parent), m_catalogue(catalogue)
{
}

void ConversionChoice::load()
{
    loadList(List::Formats, QStringLiteral("Extentions"), QStringLiteral("genral"));
    chooseFormat(list(List::Formats).at(0));
    m_settings.videoBitrate = QStringLiteral("1024");
    m_settings.scale = QStringLiteral("1");
    m_settings.audioBitrate = QStringLiteral("128");
    m_settings.channels = QStringLiteral("2");
    emit changed();
}

void ConversionChoice::loadList(List which, const QString &key, const QString &section)
{
    const QString text = m_catalogue.readString(key, QString(), section);
    m_lists[std::size_t(which)] = splitPresetList(text);
    emit listLoaded(which, text);
}

void ConversionChoice::chooseFormat(const QString &format)
{
    if (!settingscheck::isName(format))
        return;
    m_settings.format = format;
    loadList(List::Containers, format, QStringLiteral("muxer"));
    const QString container = list(List::Containers).at(0);
    loadList(List::VideoCodecs, container, QStringLiteral("VC"));
    loadList(List::AudioCodecs, container, QStringLiteral("AC"));
    m_settings.container = container;
    m_settings.videoCodec = list(List::VideoCodecs).at(0);
    m_settings.audioCodec = list(List::AudioCodecs).at(0);
    emit changed();
}

void ConversionChoice::chooseContainer(const QString &container)
{
    if (!settingscheck::isName(container))
        return;
    m_settings.container = container;
    loadList(List::VideoCodecs, container, QStringLiteral("VC"));
    loadList(List::AudioCodecs, container, QStringLiteral("AC"));
    m_settings.videoCodec = list(List::VideoCodecs).at(0);
    m_settings.audioCodec = list(List::AudioCodecs).at(0);
    emit changed();
}

void ConversionChoice::set(QString ConversionSettings::*field, const QString &value,
                           bool (*valid)(const QString &))
{
    if (!valid(value) || m_settings.*field == value)
        return;
    m_settings.*field = value;
    emit changed();
}

void ConversionChoice::setVideoCodec(const QString &codec)
{
    set(&ConversionSettings::videoCodec, codec, settingscheck::isName);
}

void ConversionChoice::setVideoBitrate(const QString &kbits)
{
    set(&ConversionSettings::videoBitrate, kbits, settingscheck::isBitrate);
}

void ConversionChoice::setScale(const QString &factor)
{
    set(&ConversionSettings::scale, factor, settingscheck::isScale);
}

void ConversionChoice::setAudioCodec(const QString &codec)
{
    set(&ConversionSettings::audioCodec, codec, settingscheck::isName);
}

void ConversionChoice::setAudioBitrate(const QString &kbits)
{
    set(&ConversionSettings::audioBitrate, kbits, settingscheck::isBitrate);
}

void ConversionChoice::setChannels(const QString &count)
{
    set(&ConversionSettings::channels, count, settingscheck::isChannels);
}

void ConversionChoice::setSettings(const ConversionSettings &settings)
{
    m_settings = settings;
    emit changed();
}
