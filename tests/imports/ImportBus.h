#pragma once

#include <Model/ImportObject.h>
#include <ScriptedBus.h>

namespace Testing {

class ImportBus : public ScriptedBus<Import::Object> {
public:
    const Import::Object* addItem(const std::string& id, Import::Object::Kind kind, bool removable = true)
    {
        Import::Object& item = add(id, removable);
        item.kind = kind;
        return &item;
    }
};

} // namespace Testing
