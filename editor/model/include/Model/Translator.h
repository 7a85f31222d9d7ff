#pragma once

#include <Types/String.h>

#include <QString>

#include <string>

// Display names by id, process-wide and thread-safe. translate gives the text
// registered for an id, or the id itself when none is.
class Translator {
public:
    static Types::String translate(const std::string& id);
    static void addTranslation(const std::string& id, const QString& text);
    static void removeTranslation(const std::string& id);
    static void clear();
};
