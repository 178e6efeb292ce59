// The start-up and shut-down of one run as a Trace Event Format document, the JSON that trace
// viewers open: one complete event per stage, per package import, Init and Exit, on one thread
// (the host's), so that the viewer nests them by time exactly as the timeline nests them.
#pragma once

#include <orvane/recovery/StartupTimeline.h>

#include <QJsonObject>

#include <cstdint>
#include <map>
#include <string>

namespace kaldor {

using orvane::recovery::StartupTimeline;

// `ids` maps a package path to its id, for the packages whose id is known (the registered
// ones); the others carry no id. Times are microseconds from the first record of the timeline.
QJsonObject StartupTraceDocument(const StartupTimeline& timeline,
                                 const std::map<std::string, std::uint32_t>& ids);

// Writes the document to `file`, replacing it. Throws std::runtime_error naming the file and
// the reason when it cannot be written.
void WriteStartupTrace(const std::string& file, const QJsonObject& document);

} // namespace kaldor
