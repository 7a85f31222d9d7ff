#pragma once

// What the library uses of the editor's other libraries, in one place.

#include <Effect/AudioEqualizer.h>
#include <Effect/ManualEnhance.h>
#include <Model/CollectionID.h>
#include <Model/EffectObject.h>
#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>
#include <Model/ProjectContent.h>
#include <Model/Timeline.h>
#include <Model/Translator.h>
#include <Model/UniqueId.h>
#include <Project/Writer.h>
#include <Serialize/Archive.h>
#include <Serialize/Cloner.h>
#include <Serialize/ISerializable.h>
#include <Serialize/ObjectStorage.h>
#include <Settings/Settings.h>
#include <Types/Image.h>
#include <Types/String.h>
