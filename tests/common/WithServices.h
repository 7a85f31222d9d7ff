#pragma once

#include <Model/Translator.h>
#include <Services/CollectionService.h>
#include <Services/PersistenceService.h>
#include <TempDataRoot.h>
#include <gtest/gtest.h>

#include <QDir>

#include <optional>

namespace Testing {

// The real persistence and collection services on a fresh temporary data root; a
// test may reset or re-create either, as a restart would.
class WithServices : public ::testing::Test {
protected:
    ~WithServices() override { Translator::clear(); }

    QString at(const QString& relative) const { return QDir(root.path()).filePath(relative); }

    TempDataRoot root;
    std::optional<Services::PersistenceService> persistence { std::in_place };
    std::optional<Services::CollectionService> collections { std::in_place };
};

} // namespace Testing
