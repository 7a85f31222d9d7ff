#pragma once

#include "ScriptedBus.h"

#include <Model/ImportObject.h>

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
