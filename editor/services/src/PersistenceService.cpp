#include "PersistenceEndpoint.h"
#include <Model/EffectObject.h>
#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>
#include <Services/PersistenceService.h>

namespace Services {

// The policy and the index come first: the endpoints use them until they are gone.
struct PersistenceService::Endpoints {
    Storage::StoreState state;
    Storage::Endpoint<Effect::Object> effects { state };
    Storage::Endpoint<Import::Object> imports { state };
    Storage::Endpoint<Overlay::Preset> overlays { state };
};

PersistenceService::PersistenceService()
    : m_endpoints(std::make_unique<Endpoints>())
{
}

PersistenceService::~PersistenceService() = default;

void PersistenceService::allowFolder(const QString& path)
{
    m_endpoints->state.paths.allow(path);
}

PersistenceService::Removal PersistenceService::lastRemoval() const
{
    return m_endpoints->state.lastRemoval;
}

template <class T>
QString PersistenceService::recordFile(const T& item) const
{
    const std::vector<Storage::Location> known = m_endpoints->state.index.locations(Storage::keyOf(item));
    return known.empty() ? QString() : known.front().recordFile;
}

template <class T>
QStringList PersistenceService::twinFiles(const T& item) const
{
    QStringList files;
    const std::vector<Storage::Location> known = m_endpoints->state.index.locations(Storage::keyOf(item));
    for (std::size_t index = 1; index < known.size(); ++index)
        files << known[index].recordFile;
    return files;
}

template QString PersistenceService::recordFile(const Effect::Object&) const;
template QString PersistenceService::recordFile(const Import::Object&) const;
template QString PersistenceService::recordFile(const Overlay::Preset&) const;
template QStringList PersistenceService::twinFiles(const Effect::Object&) const;
template QStringList PersistenceService::twinFiles(const Import::Object&) const;
template QStringList PersistenceService::twinFiles(const Overlay::Preset&) const;

bool PersistenceService::isRecordFileName(const QString& fileName)
{
    return Storage::isRecordName(fileName);
}

} // namespace Services
