#pragma once

#include <Model/ImportObject.h>
#include <Types/Image.h>

#include <QString>
#include <QStringList>

#include <memory>

// Checks and conversions of what the user types; each throws a usage error with
// one clear line when the input is unusable.
namespace Cli {

// file|video|audio|picture.
Import::Object::Kind parseKind(const QString& text);
// The names parseKind takes.
QStringList kindChoices();
QString kindName(Import::Object::Kind kind);
// From the file name extension; a plain file when it names no known media type.
Import::Object::Kind guessKind(const QString& mediaPath);

// The longest side, in pixels, of a preview read from a file.
constexpr int PreviewSide = 256;
// The image at path as a preview, scaled down smoothly to PreviewSide on its longer
// side when larger; null for an empty path.
std::shared_ptr<const Types::Image> readPreview(const QString& path);

// name without blanks at either end; refused when nothing is left. what says which
// name it is in the message.
QString cleanName(const QString& name, const QString& what);
// A non-empty argument; what says which one it is in the message.
QString requireName(const QString& name, const QString& what);
// The absolute path of an existing file.
QString requireExistingFile(const QString& path, const QString& option);

} // namespace Cli
