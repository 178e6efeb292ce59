// A parsed path: UNC host or drive, directory components, file name and the absolute flag.
// Parsing accepts "\" and "/" and folds "." and ".."; rendering uses the native separator.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace VELMORA::NEVRA::Platform {

class FilePath {
public:
    FilePath() = default;
    FilePath(const std::string& text); // NOLINT(google-explicit-constructor)
    FilePath(const char* text);        // NOLINT(google-explicit-constructor)
    FilePath(const FilePath& dir, const std::string& name);

    // Clears every field, then parses. Throws FileSystemError for a malformed drive form.
    FilePath& Assign(const std::string& text);

    std::string Str() const;
    // Parent().Str() without making the parent.
    std::string ParentStr() const;
    // A copy with AppendDir(name), rendered, without making the copy.
    std::string WithDirStr(std::string_view name) const;
    // Parent() with AppendDir(name), rendered, without making either.
    std::string ParentWithDirStr(std::string_view name) const;

    FilePath& AppendDir(const std::string& name);
    FilePath& AppendDir(std::string&& name);
    FilePath& ToDirectoryForm();
    FilePath& ToFileForm();
    FilePath& GoUp();
    FilePath Parent() const;
    FilePath& Clear();

    const std::string& FileName() const { return fileName_; }
    FilePath& SetFileName(const std::string& name);
    std::string Stem() const;
    std::string Extension() const;
    FilePath& SetStem(const std::string& stem);
    FilePath& SetExtension(const std::string& ext);

    std::size_t DirCount() const { return dirs_.size(); }
    const std::string& Dir(std::size_t i) const;
    bool HasFileName() const { return !fileName_.empty(); }
    bool IsDirectoryForm() const { return fileName_.empty(); }
    bool IsRelative() const { return !absolute_; }
    const std::string& Host() const { return host_; }
    const std::string& Drive() const { return drive_; }

private:
    // What one more directory step does to the directories.
    enum class StepEffect { None, DropLast, Add };
    StepEffect EffectOf(std::string_view name) const;
    // The directories, `extraDir` stepped into after them, then the file name if asked for.
    std::string Render(bool withFileName, std::string_view extraDir = {}) const;
    // Parses into a path that holds nothing yet.
    void Parse(std::string_view text);
    // Adds one component parsed out of a longer text.
    void AppendStep(std::string_view name);
    // Takes "" and "." (no step) and ".." (a step up); false for an ordinary name, which the
    // caller adds.
    bool FoldStep(std::string_view name);

    std::string host_;
    std::string drive_;
    std::string fileName_;
    std::vector<std::string> dirs_;
    bool absolute_ = false;
};

bool IsSeparator(char c);
std::string StripTrailingSeparator(const std::string& text);
void StripTrailingSeparator(const std::string& source, std::string& target);
bool IsDeviceName(const std::string& text);

} // namespace VELMORA::NEVRA::Platform
