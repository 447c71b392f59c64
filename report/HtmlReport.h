#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "report/ReportContext.h"
#include "report/ReportPicture.h"
#include "report/ReportSink.h"
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
    // False: each picture with its caption is one <img src="picture:N:K"
    // width=kFigureWidth …> (file N, picture K), for a layout engine that
    // draws the figures itself, each whole, so no caption parts from its
    // picture across pages; true: <figure>s with the PNG as a data URL.
    bool inlinePictures = true;
    // Per file, at the file's index: its custody events in a case file,
    // one plain line each, oldest first; none shown where missing or empty.
    std::vector<std::vector<std::string>> custody;
};

// A figure drawn by the layout engine (inlinePictures false): the picture
// in a 3-pixel border of its standing's colour, or a note where there is
// none, above a caption of up to three lines; CSS pixels.
constexpr int kFigureWidth = 166;
constexpr int kFigureCaptionHeight = 44;
constexpr int kFigureNoPictureHeight = 40;

// A self-contained, printable evidence report on the files of one run:
// a summary, each file's identity, verdict, findings and timeline, the
// continuity across the files and the verifier. Every text from a file is
// escaped; the size is bounded by the options, not by the clusters.
std::string htmlReport(const std::vector<RecordingEvidence>& files, const ReportContext& run,
                       const HtmlReportOptions& options = {});
// The same bytes, written into `sink` a file at a time; `files.pictures`,
// when set, stands for `options.filmstrips`. False when the sink refused
// a piece.
bool writeHtmlReport(const ReportFiles& files, const ReportContext& run,
                     const HtmlReportOptions& options, ReportSink& sink);

// The report's parts, for a layout engine that pages them itself: the style
// sheet; the title and the line under it; the summary's title row (a table
// head, as every table's title row is), a file's row and the note under the
// table and the entries left out at intake; a file's section; the continuity across the files
// (their continuityPart), the stills exported in the case and the verifier.
const char* htmlReportStyle();
const char* htmlTableOpen();
std::string htmlReportHeading(size_t count, const ReportContext& run);
std::string htmlSummaryTitles();
std::string htmlSummaryRow(const RecordingEvidence& evidence, size_t index);
std::string htmlSummaryNote();
// Under the summary: the entries the case's intakes left out, with their
// reasons (run.intakeSkipped, at most `limit`); nothing when there are none.
std::string htmlSkippedEntries(const ReportContext& run, size_t limit);
std::string htmlFileSection(const RecordingEvidence& evidence, size_t index,
                            const std::vector<ReportPicture>* pictures,
                            const HtmlReportOptions& options);
std::string htmlReportClosing(const std::vector<RecordingEvidence>& parts,
                              const ReportContext& run);

// In the head of every report, near its start: a later run may replace a
// file that carries it (its own report) and no other.
extern const char kReportMarker[];
// How far into a file the marker is looked for.
constexpr size_t kReportMarkerWithin = 4096;
// Whether `head`, the first bytes of a file, begin a report written here.
bool isOwnReportHead(std::string_view head);
