#pragma once

#include <QByteArray>
#include <QString>

#include <string>

// A file name is bytes, and Qt turns the bytes that are not UTF-8 into
// U+FFFD, after which the file cannot be opened. Paths travel through the
// window as QString with each such byte kept as a lone low surrogate
// U+DC80..U+DCFF, which no UTF-8 name can produce, so the bytes come back
// exactly.

// The bytes as a path: UTF-8 decoded, other bytes kept as above.
QString pathFromBytes(const QByteArray& bytes);
// The same for the core's paths, bytes held in a std::string.
QString pathOf(const std::string& bytes);
// The exact bytes of a path made by pathFromBytes (or any UTF-16 text).
QByteArray pathBytes(const QString& path);
// The path made absolute against the working folder, by its bytes: Qt's
// own (QFileInfo::absoluteFilePath) goes through the locale's encoding and
// loses what is not UTF-8 in a relative path. "." and ".." are resolved as
// text, as Qt does.
QString absolutePath(const QString& path);
// The last part of the path, the file's name, kept as it is.
QString fileNameOf(const QString& path);
