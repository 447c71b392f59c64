#pragma once

#include <QString>
#include <QTemporaryDir>

// Small recordings of each verdict in a temporary folder that goes with
// the object: authentic.mkv verifies, tampered.mkv has one changed byte in
// its third cluster, unsigned.mkv carries no signatures. Other names can
// be written or merely named inside the same folder.
class SampleRecordings {
  public:
    static constexpr const char* kSerialNumber = "TLV-0042";
    static constexpr const char* kStartTime = "2026-12-01 08:00:00";
    static constexpr const char* kEndTime = "2026-12-01 08:05:00";

    SampleRecordings();

    QString path(const QString& name) const { return dir.filePath(name); }
    QString authentic() const { return path("authentic.mkv"); }
    QString tampered() const { return path("tampered.mkv"); }
    QString unsignedFile() const { return path("unsigned.mkv"); }
    QString missing() const { return path("missing.mkv"); }
    QString folder() const { return dir.path(); }

    // Writes an authentic recording under `name` and returns its path.
    QString writeAuthentic(const QString& name) const;

  private:
    QTemporaryDir dir;
};
