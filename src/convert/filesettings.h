#pragma once

#include <QString>

#include "convert/outputnaming.h"
#include "convert/outputpolicy.h"

// What one file is converted with, read when its turn comes.
struct FileSettings
{
    ConversionSettings conversion;
    TrackChoice tracks;
    bool sameDirectory = true;
    QString outputFolder;
    ExistingOutput onExisting = ExistingOutput::Ask;
    // The output gets its source's modification time.
    bool keepDates = false;
};
