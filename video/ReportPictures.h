#pragma once

#include <string>
#include <vector>

#include "report/ReportPicture.h"
#include "signature/RecordingEvidence.h"

// The pictures around a failed recording's first failing run, for the HTML
// report; the evidence needs its cluster map. Empty for a file that did not
// fail, and in a build without the video layer.
std::vector<ReportPicture> reportPictures(const RecordingEvidence& evidence);

// The first picture of one run of the timeline (a span clicked in the
// window), labelled like the filmstrip's; the reason when there is none.
ReportPicture runPicture(const RecordingEvidence& evidence, const ClusterRun& run);
