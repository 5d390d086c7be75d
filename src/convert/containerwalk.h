#pragma once

#include "convert/containerreader.h"

// The walks through containers whose packets are their structure, one per
// family; each is given an open reader of a non-empty file.
namespace containerwalk {

ContainerContent matroska(ContainerReader &file);
ContainerContent ogg(ContainerReader &file);
ContainerContent transportStream(ContainerReader &file);
ContainerContent programStream(ContainerReader &file);
ContainerContent mpegAudio(ContainerReader &file);

extern const QString kCutShort;

} // namespace containerwalk
