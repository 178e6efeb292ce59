#include <orvane/recovery/StartupRecovery.h>

#include <RecordTexts.h>

#include <string>

namespace orvane::recovery {

namespace {

namespace RecordText = VELMORA::NEVRA::Platform::RecordText;

const std::string InitBegin = std::string(RecordText::InitStage) + RecordText::StageBegin;
const std::string InitEnd = std::string(RecordText::InitStage) + RecordText::StageEnd;

// The kind of a package that its stage's registration gave directly: the platform package itself
// at the top of a module stage, the modules it registers one level below.
PackageKind ListedKind(const std::string& stage, bool top) {
    if (stage == RecordText::InternalPreRegistration) {
        return top ? PackageKind::Platform : PackageKind::PreLoadModule;
    }
    if (stage == RecordText::InternalPostRegistration) {
        return top ? PackageKind::Platform : PackageKind::PostLoadModule;
    }
    return PackageKind::Application;
}

RunningPackage Describe(const std::vector<PackageSpan>& spans, std::size_t index) {
    const PackageSpan& span = spans[index];
    RunningPackage package;
    package.path = span.path;
    // Below the module stages the platform's package is the top of the tree and the listed
    // entries hang from it; applications are the top themselves.
    const bool moduleStage = span.stage == RecordText::InternalPreRegistration ||
                             span.stage == RecordText::InternalPostRegistration;
    const int listedDepth = moduleStage ? 1 : 0;
    if (span.depth <= listedDepth) {
        package.kind = ListedKind(span.stage, span.depth == 0);
        return package;
    }
    package.kind = PackageKind::Child;
    package.parent = spans[*span.parent].path;
    std::size_t listed = *span.parent;
    while (spans[listed].depth > listedDepth && spans[listed].parent) {
        listed = *spans[listed].parent;
    }
    package.listed = spans[listed].path;
    package.listedKind = ListedKind(span.stage, spans[listed].depth == 0);
    return package;
}

} // namespace

std::optional<RunningPackage> RunningAtEnd(const StartupTimeline& timeline) {
    const auto& exits = timeline.Exits();
    for (auto it = exits.rbegin(); it != exits.rend(); ++it) {
        if (!it->end) {
            RunningPackage package;
            package.path = it->path;
            package.call = PackageCall::Exit;
            package.since = it->begin;
            // The kind is the one of the package's registration.
            const auto& spans = timeline.Packages();
            for (std::size_t i = spans.size(); i-- > 0;) {
                if (spans[i].path == it->path) {
                    const RunningPackage registered = Describe(spans, i);
                    package.kind = registered.kind;
                    package.parent = registered.parent;
                    package.listed = registered.listed;
                    package.listedKind = registered.listedKind;
                    break;
                }
            }
            return package;
        }
    }
    // Calls nest, so the open call that began last is the innermost one.
    const auto& spans = timeline.Packages();
    for (std::size_t i = spans.size(); i-- > 0;) {
        if (spans[i].ImportOpen() || spans[i].InitOpen()) {
            RunningPackage package = Describe(spans, i);
            package.call = spans[i].ImportOpen() ? PackageCall::Import : PackageCall::Init;
            package.since = spans[i].ImportOpen() ? spans[i].importBegin : *spans[i].importEnd;
            return package;
        }
    }
    return std::nullopt;
}

LastStartup LastStartup::FromRecords(const std::vector<LogRecord>& records) {
    LastStartup last;
    std::size_t first = records.size();
    for (std::size_t i = records.size(); i-- > 0;) {
        if (records[i].message == InitBegin) {
            first = i;
            break;
        }
    }
    if (first == records.size()) {
        return last;
    }
    last.found_ = true;
    last.began_ = records[first].milliseconds;
    for (std::size_t i = first + 1; i < records.size(); ++i) {
        if (records[i].message == InitEnd) {
            last.finished_ = true;
            return last;
        }
    }
    const std::vector<LogRecord> startup(records.begin() + static_cast<std::ptrdiff_t>(first),
                                         records.end());
    const StartupTimeline timeline = StartupTimeline::FromRecords(startup);
    const auto& stages = timeline.Stages();
    for (auto it = stages.rbegin(); it != stages.rend(); ++it) {
        if (!it->end) {
            last.stage_ = it->name;
            break;
        }
    }
    last.package_ = RunningAtEnd(timeline);
    return last;
}

LastStartup LastStartup::FromLog(const std::string& logFile) {
    return FromRecords(ReadLogRecords(logFile, 0));
}

const char* PackageKindName(PackageKind kind) {
    switch (kind) {
    case PackageKind::Platform:
        return "platform package";
    case PackageKind::PreLoadModule:
        return "pre-load module";
    case PackageKind::PostLoadModule:
        return "post-load module";
    case PackageKind::Child:
        return "package registered by another";
    case PackageKind::Application:
        break;
    }
    return "application";
}

const char* PackageCallName(PackageCall call) {
    switch (call) {
    case PackageCall::Import:
        return "import";
    case PackageCall::Exit:
        return "Exit";
    case PackageCall::Init:
        break;
    }
    return "Init";
}

} // namespace orvane::recovery
