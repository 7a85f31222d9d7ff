#pragma once

#include <QString>

#include <memory>

class QIODevice;

namespace Timeline {
class Object;
}

namespace Project {

class Content;

enum class BundleBackend : int {
    Xml = 0,
};

// Writes one project bundle file.
class Writer {
public:
    Writer(const QString& path, BundleBackend backend);
    virtual ~Writer();

    // Writes the content (its timeline) at the path, creating missing folders;
    // atomic: the old file or the whole new one is there, never a part. False on
    // failure or for null content or a null timeline.
    bool write(const Content* content);

private:
    QString m_path;
    BundleBackend m_backend;
};

// The timeline of a bundle written by Writer; null when the file is missing or
// is not a bundle. Never throws.
std::unique_ptr<Timeline::Object> readBundle(const QString& path);
// The same from a device open for reading, read to its end.
std::unique_ptr<Timeline::Object> readBundle(QIODevice* device);

} // namespace Project
