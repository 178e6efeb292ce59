#include "StartupTrace.h"

#include "JsonOutput.h"

#include <Sys.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace kaldor {

namespace {

// The host's one thread, in the one process of the run.
constexpr int kProcessId = 1;
constexpr int kThreadId = 1;

std::string FileNameOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

constexpr double MicrosecondsPerMillisecond = 1000.0;

class TraceBuilder {
public:
    TraceBuilder(const StartupTimeline& timeline, const std::map<std::string, std::uint32_t>& ids)
        : ids_(ids) {
        // A span that never ended (the run stopped inside it) lasts until the last record seen.
        bool any = false;
        const auto see = [&](std::int64_t time) {
            first_ = any ? std::min(first_, time) : time;
            last_ = any ? std::max(last_, time) : time;
            any = true;
        };
        for (const auto& stage : timeline.Stages()) {
            for (const auto& time : {stage.begin, stage.end}) {
                if (time) {
                    see(*time);
                }
            }
        }
        for (const auto& span : timeline.Packages()) {
            see(span.importBegin);
            for (const auto& time : {span.importEnd, span.initEnd}) {
                if (time) {
                    see(*time);
                }
            }
        }
        for (const auto& span : timeline.Exits()) {
            see(span.begin);
            if (span.end) {
                see(*span.end);
            }
        }
    }

    // A complete event from `begin` to `end` (or to the last record, marked unfinished).
    void Add(const std::string& name, const char* category, std::int64_t begin,
             const std::optional<std::int64_t>& end, QJsonObject args) {
        if (!end) {
            args["finished"] = false;
        }
        events_.append(QJsonObject{{"name", Json(name)},
                                   {"cat", category},
                                   {"ph", "X"},
                                   {"ts", Microseconds(begin)},
                                   {"dur", Microseconds(end.value_or(last_)) - Microseconds(begin)},
                                   {"pid", kProcessId},
                                   {"tid", kThreadId},
                                   {"args", args}});
    }

    QJsonObject PackageArgs(const std::string& path) const {
        QJsonObject args{{"path", Json(path)}};
        if (const auto it = ids_.find(path); it != ids_.end()) {
            args["id"] = static_cast<double>(it->second);
        }
        return args;
    }

    QJsonObject Document() {
        QJsonArray events{QJsonObject{{"name", "process_name"},
                                      {"ph", "M"},
                                      {"pid", kProcessId},
                                      {"args", QJsonObject{{"name", "kaldor"}}}},
                          QJsonObject{{"name", "thread_name"},
                                      {"ph", "M"},
                                      {"pid", kProcessId},
                                      {"tid", kThreadId},
                                      {"args", QJsonObject{{"name", "host thread"}}}}};
        for (const auto& event : events_) {
            events.append(event);
        }
        return QJsonObject{{"traceEvents", events}, {"displayTimeUnit", "ms"}};
    }

private:
    double Microseconds(std::int64_t milliseconds) const {
        return static_cast<double>(milliseconds - first_) * MicrosecondsPerMillisecond;
    }

    const std::map<std::string, std::uint32_t>& ids_;
    std::int64_t first_ = 0;
    std::int64_t last_ = 0;
    QJsonArray events_;
};

} // namespace

QJsonObject StartupTraceDocument(const StartupTimeline& timeline,
                                 const std::map<std::string, std::uint32_t>& ids) {
    TraceBuilder trace(timeline, ids);
    for (const auto& stage : timeline.Stages()) {
        if (stage.begin) {
            trace.Add(stage.name, "stage", *stage.begin, stage.end,
                      QJsonObject{{"depth", stage.depth}});
        }
    }
    for (const auto& span : timeline.Packages()) {
        const std::string file = FileNameOf(span.path);
        QJsonObject args = trace.PackageArgs(span.path);
        if (!span.stage.empty()) {
            args["stage"] = Json(span.stage);
        }
        QJsonObject importArgs = args;
        if (!span.importFailure.empty()) {
            importArgs["failure"] = Json(span.importFailure);
        }
        trace.Add(file + " import", "import", span.importBegin, span.importEnd, importArgs);
        if (span.Imported()) {
            if (span.initResult) {
                args["result"] = *span.initResult;
            }
            trace.Add(file + " Init", "init", *span.importEnd, span.initEnd, args);
        }
    }
    for (const auto& span : timeline.Exits()) {
        trace.Add(FileNameOf(span.path) + " Exit", "exit", span.begin, span.end,
                  trace.PackageArgs(span.path));
    }
    return trace.Document();
}

void WriteStartupTrace(const std::string& file, const QJsonObject& document) {
    namespace Sys = VELMORA::NEVRA::Platform::Sys;
    const QByteArray bytes = QJsonDocument(document).toJson(QJsonDocument::Compact);
    if (!Sys::WriteFileOver(
            file, std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())))) {
        throw std::runtime_error("cannot write the trace file " + file + ": " +
                                 Sys::ErrorText(Sys::LastError()));
    }
}

} // namespace kaldor
