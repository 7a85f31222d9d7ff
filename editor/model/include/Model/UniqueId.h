#pragma once

#include <string>

// A text that is fresh on every call, process-wide (a per-process random prefix and
// a counter), so drawing one costs no system call.
std::string nextUniqueId();
