#pragma once

#include <array>

#include <QObject>
#include <QStringList>

#include "convert/outputnaming.h"

class SettingsFile;

// The eight conversion settings and the catalogue lists they are chosen
// from. A format brings its containers, a container its codecs, and the
// first of each list is chosen, as the user would have.
class ConversionChoice final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConversionChoice)

public:
    enum class List { Formats, Containers, VideoCodecs, AudioCodecs };

    ConversionChoice(SettingsFile &catalogue, QObject *parent = nullptr);

    // The formats, then the first format with its lists; the bitrates,
    // scale and channels at their defaults.
    void load();
    void chooseFormat(const QString &format);
    void chooseContainer(const QString &container);
    // A value the engine could misread is refused and the previous one stays.
    void setVideoCodec(const QString &codec);
    void setVideoBitrate(const QString &kbits);
    void setScale(const QString &factor);
    void setAudioCodec(const QString &codec);
    void setAudioBitrate(const QString &kbits);
    void setChannels(const QString &count);
    // All eight at once, as a command line gives them.
    void setSettings(const ConversionSettings &settings);

    const ConversionSettings &settings() const { return m_settings; }
    const QStringList &list(List which) const { return m_lists[std::size_t(which)]; }

signals:
    // A list was read from the catalogue: its text as stored there.
    void listLoaded(ConversionChoice::List which, const QString &text);
    void changed();

private:
    void loadList(List which, const QString &key, const QString &section);
    void set(QString ConversionSettings::*field, const QString &value,
             bool (*valid)(const QString &));

    SettingsFile &m_catalogue;
    ConversionSettings m_settings;
    std::array<QStringList, 4> m_lists;
};
