#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "report/ReportContext.h"
#include "report/ReportPicture.h"
#include "signature/RecordingEvidence.h"

struct HtmlReportOptions {
    // False: each file's timeline is <img src="timeline:N" width=… height=…>
    // (N the file's index), for a layout engine without SVG that supplies
    // the pictures itself (see timelineOf).
    bool inlineSvg = true;
    size_t maxRuns = 100;   // rows of a file's runs table; the rest are counted
    size_t maxItems = 200;  // findings, warnings and statements listed per file
    // Per file, at the file's index: the pictures around its first failing
    // run (nvr::video::filmstrip); none shown where missing or empty.
    std::vector<std::vector<ReportPicture>> filmstrips;
    // False: each picture is <img src="picture:N:K" …> (file N, picture K),
    // for a layout engine that supplies the pictures itself, as with the
    // timeline; true: the PNG is embedded as a data URL.
    bool inlinePictures = true;
    // Per file, at the file's index: its custody events in a case file,
    // one plain line each, oldest first; none shown where missing or empty.
    std::vector<std::vector<std::string>> custody;
};

// A self-contained, printable evidence report on the files of one run:
// a summary, each file's identity, verdict, findings and timeline, the
// continuity across the files and the verifier. Every text from a file is
// escaped; the size is bounded by the options, not by the clusters.
std::string htmlReport(const std::vector<RecordingEvidence>& files, const ReportContext& run,
                       const HtmlReportOptions& options = {});

// In the head of every report, near its start: a later run may replace a
// file that carries it (its own report) and no other.
extern const char kReportMarker[];
// How far into a file the marker is looked for.
constexpr size_t kReportMarkerWithin = 4096;
// Whether `head`, the first bytes of a file, begin a report written here.
bool isOwnReportHead(std::string_view head);
