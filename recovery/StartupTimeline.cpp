#include <orvane/recovery/StartupTimeline.h>

#include <RecordTexts.h>

#include <array>
#include <cstdlib>
#include <utility>

namespace orvane::recovery {

namespace {

namespace RecordText = VELMORA::NEVRA::Platform::RecordText;

constexpr std::array<std::pair<const char*, int>, 8> StageNames{{
    {RecordText::InitStage, 0},
    {RecordText::PreBuildStage, 1},
    {RecordText::BuildStage, 1},
    {RecordText::InternalPreStage.data(), 2},
    {RecordText::ExternalStage.data(), 2},
    {RecordText::InternalPostStage.data(), 2},
    {RecordText::PostBuildStage, 1},
    {RecordText::ExitStage, 0},
}};

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The stage a Begin or End record names, with its depth; nothing for other records.
std::optional<std::pair<std::string, int>> StageOf(const std::string& message,
                                                   const std::string& suffix) {
    if (!EndsWith(message, suffix)) {
        return std::nullopt;
    }
    const std::string name = message.substr(0, message.size() - suffix.size());
    for (const auto& [stage, depth] : StageNames) {
        if (name == stage) {
            return std::make_pair(name, depth);
        }
    }
    return std::nullopt;
}

// "InternalPre" of "InternalPre Register".
std::string RegistrationStage(const std::string& stageName) {
    const std::string suffix = RecordText::RegisterSuffix;
    return EndsWith(stageName, suffix) ? stageName.substr(0, stageName.size() - suffix.size())
                                       : std::string();
}

} // namespace

std::optional<std::int64_t> StageSpan::Duration() const {
    if (!begin || !end) {
        return std::nullopt;
    }
    return *end - *begin;
}

std::optional<std::int64_t> PackageSpan::ImportDuration() const {
    if (!importEnd) {
        return std::nullopt;
    }
    return *importEnd - importBegin;
}

std::optional<std::int64_t> PackageSpan::InitDuration() const {
    if (!importEnd || !initEnd) {
        return std::nullopt;
    }
    return *initEnd - *importEnd;
}

std::optional<std::int64_t> ExitSpan::Duration() const {
    if (!end) {
        return std::nullopt;
    }
    return *end - begin;
}

std::optional<int> ParseInitRecord(const std::string& message) {
    const std::string prefix = RecordText::InitCalled;
    const std::string separator = RecordText::InitReturned;
    if (message.compare(0, prefix.size(), prefix) != 0) {
        return std::nullopt;
    }
    const auto at = message.find(separator);
    if (at == std::string::npos || at + separator.size() >= message.size()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const std::string value = message.substr(at + separator.size());
    const long result = std::strtol(value.c_str(), &end, 10);
    if (end == value.c_str() || *end != '\0') {
        return std::nullopt;
    }
    return static_cast<int>(result);
}

StartupTimeline StartupTimeline::FromRecords(const std::vector<LogRecord>& records) {
    StartupTimeline timeline;
    std::vector<std::size_t> openStages;  // indexes into stages_, innermost last
    std::vector<std::size_t> runningInit; // packages whose Init is running, innermost last
    std::optional<std::size_t> importing; // the package between App Init Begin and End
    std::vector<std::size_t> openExits;   // indexes into exits_, innermost last
    // The span whose path the next record gives, by index: the spans' vectors grow while the
    // records are read, which would leave a pointer into them dangling.
    enum class Awaiting { Nothing, ImportPath, ExitPath };
    Awaiting awaiting = Awaiting::Nothing;
    std::size_t awaitingIndex = 0;

    const auto currentStage = [&]() -> std::string {
        for (auto it = openStages.rbegin(); it != openStages.rend(); ++it) {
            const std::string stage = RegistrationStage(timeline.stages_[*it].name);
            if (!stage.empty()) {
                return stage;
            }
        }
        return {};
    };

    for (const LogRecord& record : records) {
        const std::string& message = record.message;
        if (awaiting != Awaiting::Nothing) {
            // The record after "App Init Begin" or "App Exit Begin" is the package's path as
            // the whole message.
            (awaiting == Awaiting::ImportPath ? timeline.packages_[awaitingIndex].path
                                              : timeline.exits_[awaitingIndex].path) = message;
            awaiting = Awaiting::Nothing;
            continue;
        }
        if (auto stage = StageOf(message, RecordText::StageBegin)) {
            timeline.stages_.push_back({stage->first, stage->second, record.milliseconds, {}});
            openStages.push_back(timeline.stages_.size() - 1);
        } else if (auto ended = StageOf(message, RecordText::StageEnd)) {
            for (auto it = openStages.rbegin(); it != openStages.rend(); ++it) {
                if (timeline.stages_[*it].name == ended->first) {
                    timeline.stages_[*it].end = record.milliseconds;
                    openStages.erase(std::next(it).base(), openStages.end());
                    break;
                }
            }
        } else if (message == RecordText::ImportBegin) {
            PackageSpan span;
            span.stage = currentStage();
            span.depth = static_cast<int>(runningInit.size());
            if (!runningInit.empty()) {
                span.parent = runningInit.back();
            }
            span.importBegin = record.milliseconds;
            timeline.packages_.push_back(span);
            importing = timeline.packages_.size() - 1;
            awaiting = Awaiting::ImportPath;
            awaitingIndex = *importing;
        } else if (message == RecordText::UnregisterBegin) {
            ExitSpan span;
            span.depth = static_cast<int>(openExits.size());
            span.begin = record.milliseconds;
            timeline.exits_.push_back(span);
            openExits.push_back(timeline.exits_.size() - 1);
            awaiting = Awaiting::ExitPath;
            awaitingIndex = openExits.back();
        } else if (message == RecordText::UnregisterEnd && !openExits.empty()) {
            timeline.exits_[openExits.back()].end = record.milliseconds;
            openExits.pop_back();
        } else if (message == RecordText::ImportEnd && importing) {
            PackageSpan& span = timeline.packages_[*importing];
            span.importEnd = record.milliseconds;
            if (span.importFailure.empty()) {
                runningInit.push_back(*importing);
            }
            importing.reset();
        } else if (importing && record.IsFatal()) {
            timeline.packages_[*importing].importFailure = message;
        } else if (auto result = ParseInitRecord(message)) {
            // A package registered again while alive logs its stored result without an
            // import; that record has no running Init to close.
            if (!runningInit.empty()) {
                PackageSpan& span = timeline.packages_[runningInit.back()];
                span.initEnd = record.milliseconds;
                span.initResult = *result;
                runningInit.pop_back();
            }
        }
    }
    return timeline;
}

const StageSpan* StartupTimeline::Stage(const std::string& name) const {
    for (const auto& stage : stages_) {
        if (stage.name == name) {
            return &stage;
        }
    }
    return nullptr;
}

} // namespace orvane::recovery
