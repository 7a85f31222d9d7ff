#pragma once

#include <BusTestTypes.h>

#include <typeindex>

// Exported from a library built with hidden visibility, so that it uses its own
// type_info objects for BusTest::Ping and BusTest::Sender.
#define BUS_TEST_PLUGIN_API __attribute__((visibility("default")))

BUS_TEST_PLUGIN_API void pluginPublishPing(const BusTest::Sender* sender, int value);
BUS_TEST_PLUGIN_API std::type_index pluginPingType();
