#include "verification/PathBytes.h"

#include <QDir>
#include <climits>

#include <unistd.h>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at `at`, or 0: overlong
// forms, encoded surrogates and values past U+10FFFF are not well formed.
int sequenceLength(const QByteArray& bytes, int at) {
    const auto byte = [&](int i) { return static_cast<unsigned char>(bytes[at + i]); };
    const auto left = bytes.size() - at;  // qsizetype on Qt 6, int on Qt 5
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;  // bounds of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (left < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (int i = 2; i < length; ++i) {
        if (!isContinuation(byte(i))) {
            return 0;
        }
    }
    return length;
}

}  // namespace

QString pathFromBytes(const QByteArray& bytes) {
    QString path;
    path.reserve(bytes.size());
    int at = 0;
    while (at < bytes.size()) {
        const int length = sequenceLength(bytes, at);
        if (length == 0) {
            path += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[at])));
            ++at;
        } else {
            path += QString::fromUtf8(bytes.constData() + at, length);
            at += length;
        }
    }
    return path;
}

QString pathOf(const std::string& bytes) {
    return pathFromBytes(QByteArray::fromStdString(bytes));
}

QByteArray pathBytes(const QString& path) {
    QByteArray bytes;
    bytes.reserve(path.size());
    int runStart = 0;
    for (int i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i].unicode();
        const bool paired = i > 0 && path[i - 1].isHighSurrogate();
        if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF && !paired) {
            bytes += path.mid(runStart, i - runStart).toUtf8();
            bytes += static_cast<char>(unit - kEscapeBase);
            runStart = i + 1;
        }
    }
    bytes += path.mid(runStart).toUtf8();
    return bytes;
}

QString absolutePath(const QString& path) {
    if (path.isEmpty() || path.startsWith(QLatin1Char('/'))) {
        return path.isEmpty() ? path : QDir::cleanPath(path);
    }
    char folder[PATH_MAX];
    if (::getcwd(folder, sizeof folder) == nullptr) {
        return path;  // no working folder to go by: opened as given
    }
    return QDir::cleanPath(pathFromBytes(QByteArray(folder)) + QLatin1Char('/') + path);
}

QString fileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}
