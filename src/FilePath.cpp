#include "FilePath.h"

#include "FileSystemError.h"
#include "Sys.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace VELMORA::NEVRA::Platform {

namespace {

constexpr char slash = '/';
constexpr char backslash = '\\';

// A drive form: a letter, then its colon ("C:"), then in a drive root the root's separator.
constexpr std::size_t driveColon = 1;
constexpr std::size_t driveLength = 2;
constexpr std::size_t driveRootLength = 3;

// The device names of Windows: three letters alone, or a port's three letters and its digit.
constexpr std::string_view devicePathPrefix = "\\\\.\\";
constexpr std::size_t deviceNameLength = 3;
constexpr std::size_t portNameLength = deviceNameLength + 1;

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringAsciiCase(const std::string& text, std::size_t offset, const char* word,
                             std::size_t length) {
    if (text.size() < offset + length) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (AsciiLower(text[offset + i]) != AsciiLower(word[i])) {
            return false;
        }
    }
    return true;
}

// Finds the separators of a text with one library search for each kind rather than a test of
// every character: a path mostly holds one kind, and the search for the other then runs once.
class SeparatorFinder {
public:
    explicit SeparatorFinder(std::string_view text)
        : text_(text), slash_(text.find(slash)), backslash_(text.find(backslash)) {}

    // The first separator at or after `from`, or npos.
    std::size_t Next(std::size_t from) {
        if (slash_ < from) {
            slash_ = text_.find(slash, from);
        }
        if (backslash_ < from) {
            backslash_ = text_.find(backslash, from);
        }
        return std::min(slash_, backslash_);
    }

    std::size_t Count() {
        std::size_t count = 0;
        for (std::size_t at = Next(0); at != std::string_view::npos; at = Next(at + 1)) {
            ++count;
        }
        return count;
    }

private:
    std::string_view text_;
    std::size_t slash_;
    std::size_t backslash_;
};

// The pieces a path is rendered from: single characters and whole names.
std::size_t PieceLength(char) {
    return 1;
}
std::size_t PieceLength(std::string_view piece) {
    return piece.size();
}
char* WritePiece(char* at, char piece) {
    *at = piece;
    return at + 1;
}
char* WritePiece(char* at, std::string_view piece) {
    return std::copy(piece.begin(), piece.end(), at);
}

[[noreturn]] void ThrowMalformedDrive(std::string_view text) {
    throw FileSystemError("FilePath: malformed drive in path '" + std::string(text) + "'");
}

} // namespace

bool IsSeparator(char c) {
    return c == slash || c == backslash;
}

FilePath::FilePath(const std::string& text) {
    Parse(text);
}

FilePath::FilePath(const char* text) {
    Parse(text != nullptr ? std::string_view(text) : std::string_view());
}

FilePath::FilePath(const FilePath& dir, const std::string& name) : FilePath(dir) {
    AppendDir(std::move(fileName_));
    fileName_ = name;
}

FilePath& FilePath::Assign(const std::string& text) {
    Clear();
    Parse(text);
    return *this;
}

void FilePath::Parse(std::string_view text) {
    const std::size_t size = text.size();
    if (size == 0) {
        return;
    }
    std::size_t pos = 0;
    if (IsSeparator(text[pos])) {
        absolute_ = true;
        ++pos;
    }

    bool components = true;
    if (absolute_ && pos < size && IsSeparator(text[pos])) {
        // UNC: the host runs up to the next separator; the share becomes the first directory.
        ++pos;
        const std::size_t hostStart = pos;
        while (pos < size && !IsSeparator(text[pos])) {
            ++pos;
        }
        host_.assign(text, hostStart, pos - hostStart);
        if (pos < size) {
            ++pos;
        } else {
            components = false;
        }
    } else if (size - pos >= driveLength && text[pos + driveColon] == ':') {
        if (absolute_ || !IsAsciiLetter(text[pos])) {
            ThrowMalformedDrive(text);
        }
        absolute_ = true;
        drive_.assign(text, pos, 1);
        if (pos + driveLength >= size || !IsSeparator(text[pos + driveLength])) {
            ThrowMalformedDrive(text);
        }
        pos += driveRootLength;
    }

    if (components) {
        const std::string_view rest = text.substr(pos);
        // One allocation for the components, not one for each time the list outgrows itself.
        dirs_.reserve(SeparatorFinder(rest).Count());
        SeparatorFinder separators(rest);
        std::size_t start = 0;
        for (std::size_t end = separators.Next(0); end != std::string_view::npos;
             end = separators.Next(start)) {
            AppendStep(rest.substr(start, end - start));
            start = end + 1;
        }
        // A final "." or ".." is a file name, not a step.
        fileName_.assign(rest, start, std::string_view::npos);
    }

    if (!host_.empty() && dirs_.empty() && !fileName_.empty()) {
        ToDirectoryForm();
    }
}

std::string FilePath::Str() const {
    return Render(true);
}

std::string FilePath::ParentStr() const {
    // Going up from a file drops its name and nothing else: the same text without the name.
    return fileName_.empty() ? Parent().Str() : Render(false);
}

std::string FilePath::WithDirStr(std::string_view name) const {
    return Render(true, name);
}

std::string FilePath::ParentWithDirStr(std::string_view name) const {
    return fileName_.empty() ? Parent().WithDirStr(name) : Render(false, name);
}

std::string FilePath::Render(bool withFileName, std::string_view extraDir) const {
    const std::string_view fileName =
        withFileName ? std::string_view(fileName_) : std::string_view();
    const char separator = Sys::NativeSeparator();
    const StepEffect extra = EffectOf(extraDir);
    const std::size_t kept = dirs_.size() - (extra == StepEffect::DropLast ? 1 : 0);
    // Folding can put a component such as "C:" first; written there it would read back as a
    // drive (or as a malformed one), so a "." step in front keeps it a component.
    const std::string_view first = kept > 0                   ? std::string_view(dirs_.front())
                                   : extra == StepEffect::Add ? extraDir
                                                              : fileName;
    const bool dotStep =
        host_.empty() && drive_.empty() && first.size() >= driveLength && first[driveColon] == ':';

    // Run once to measure the text and once to write it, so that it is allocated once.
    const auto render = [&](auto&& put) {
        if (!host_.empty()) {
            put(separator);
            put(separator);
            put(host_);
            put(separator);
        } else if (!drive_.empty()) {
            put(drive_);
            put(':');
            put(separator);
        } else if (absolute_) {
            put(separator);
        }
        if (dotStep) {
            put('.');
            put(separator);
        }
        for (std::size_t i = 0; i < kept; ++i) {
            put(dirs_[i]);
            put(separator);
        }
        if (extra == StepEffect::Add) {
            put(extraDir);
            put(separator);
        }
        put(fileName);
    };
    std::size_t size = 0;
    render([&size](const auto& piece) { size += PieceLength(piece); });
    std::string out(size, '\0');
    char* at = out.data();
    render([&at](const auto& piece) { at = WritePiece(at, piece); });
    return out;
}

FilePath& FilePath::AppendDir(const std::string& name) {
    if (!FoldStep(name)) {
        dirs_.push_back(name);
    }
    return *this;
}

FilePath& FilePath::AppendDir(std::string&& name) {
    if (!FoldStep(name)) {
        dirs_.push_back(std::move(name));
    }
    return *this;
}

void FilePath::AppendStep(std::string_view name) {
    if (!FoldStep(name)) {
        dirs_.emplace_back(name);
    }
}

FilePath::StepEffect FilePath::EffectOf(std::string_view name) const {
    if (name.empty() || name == ".") {
        return StepEffect::None;
    }
    if (name != "..") {
        return StepEffect::Add;
    }
    if (!dirs_.empty() && std::string_view(dirs_.back()) != "..") {
        return StepEffect::DropLast;
    }
    // Above the root of an absolute path there is nothing: the step is dropped.
    return absolute_ ? StepEffect::None : StepEffect::Add;
}

bool FilePath::FoldStep(std::string_view name) {
    switch (EffectOf(name)) {
    case StepEffect::None:
        return true;
    case StepEffect::DropLast:
        dirs_.pop_back();
        return true;
    case StepEffect::Add:
        break;
    }
    return false;
}

FilePath& FilePath::ToDirectoryForm() {
    AppendDir(std::move(fileName_));
    fileName_.clear();
    return *this;
}

FilePath& FilePath::ToFileForm() {
    if (fileName_.empty() && !dirs_.empty()) {
        fileName_ = std::move(dirs_.back());
        dirs_.pop_back();
    }
    return *this;
}

FilePath& FilePath::GoUp() {
    if (!fileName_.empty()) {
        fileName_.clear();
    } else if (!dirs_.empty()) {
        if (dirs_.back() == "..") {
            dirs_.push_back("..");
        } else {
            dirs_.pop_back();
        }
    } else if (!absolute_) {
        dirs_.push_back("..");
    }
    return *this;
}

FilePath FilePath::Parent() const {
    FilePath parent(*this);
    parent.GoUp();
    return parent;
}

FilePath& FilePath::Clear() {
    host_.clear();
    drive_.clear();
    fileName_.clear();
    dirs_.clear();
    absolute_ = false;
    return *this;
}

FilePath& FilePath::SetFileName(const std::string& name) {
    fileName_ = name;
    return *this;
}

std::string FilePath::Stem() const {
    const std::size_t dot = fileName_.rfind('.');
    return dot == std::string::npos ? fileName_ : fileName_.substr(0, dot);
}

std::string FilePath::Extension() const {
    const std::size_t dot = fileName_.rfind('.');
    return dot == std::string::npos ? std::string() : fileName_.substr(dot + 1);
}

FilePath& FilePath::SetStem(const std::string& stem) {
    const std::string extension = Extension();
    fileName_ = stem;
    if (!extension.empty()) {
        fileName_ += '.';
        fileName_ += extension;
    }
    return *this;
}

FilePath& FilePath::SetExtension(const std::string& ext) {
    fileName_ = Stem();
    if (!ext.empty()) {
        fileName_ += '.';
        fileName_ += ext;
    }
    return *this;
}

const std::string& FilePath::Dir(std::size_t i) const {
    return i < dirs_.size() ? dirs_[i] : fileName_;
}

std::string StripTrailingSeparator(const std::string& text) {
    std::string out;
    StripTrailingSeparator(text, out);
    return out;
}

void StripTrailingSeparator(const std::string& source, std::string& target) {
    target = source;
    const std::size_t size = target.size();
    if (size < 2 || !IsSeparator(target.back())) {
        return;
    }
    // A drive root keeps its separator: without it, "C:" would mean something else.
    if (size == driveRootLength && target[driveColon] == ':') {
        return;
    }
    target.pop_back();
}

bool IsDeviceName(const std::string& text) {
    if (text.size() >= devicePathPrefix.size() &&
        text.compare(0, devicePathPrefix.size(), devicePathPrefix) == 0) {
        return true;
    }
    if (text.size() == deviceNameLength) {
        for (const char* name : {"CON", "PRN", "AUX", "NUL"}) {
            if (EqualsIgnoringAsciiCase(text, 0, name, deviceNameLength)) {
                return true;
            }
        }
        return false;
    }
    if (text.size() == portNameLength &&
        (EqualsIgnoringAsciiCase(text, 0, "LPT", deviceNameLength) ||
         EqualsIgnoringAsciiCase(text, 0, "COM", deviceNameLength))) {
        const char digit = text[deviceNameLength];
        return digit >= '1' && digit <= '9';
    }
    return false;
}

} // namespace VELMORA::NEVRA::Platform
