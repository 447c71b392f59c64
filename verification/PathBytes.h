#pragma once

#include <QByteArray>
#include <QString>

// A file name is bytes, and Qt turns the bytes that are not UTF-8 into
// U+FFFD, after which the file cannot be opened. Paths travel through the
// window as QString with each such byte kept as a lone low surrogate
// U+DC80..U+DCFF, which no UTF-8 name can produce, so the bytes come back
// exactly.

// The bytes as a path: UTF-8 decoded, other bytes kept as above.
QString pathFromBytes(const QByteArray& bytes);
// The exact bytes of a path made by pathFromBytes (or any UTF-16 text).
QByteArray pathBytes(const QString& path);
