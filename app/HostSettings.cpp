#include "HostSettings.h"

#include <array>
#include <cctype>
#include <cstdlib>
#include <sstream>
#include <utility>

namespace kaldor {

namespace {

bool EqualIgnoringCase(const std::string& a, const char* b) {
    const std::string other(b);
    if (a.size() != other.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(other[i]))) {
            return false;
        }
    }
    return true;
}

constexpr std::array<std::pair<const char*, const char*>, 27> Languages{{
    {"", ""},
    {"English", "en_US"},
    {"Dutch", "nl_NL"},
    {"Danish", "da_DK"},
    {"French", "fr_FR"},
    {"German", "de_DE"},
    {"Italian", "it_IT"},
    {"Japanese", "ja_JP"},
    {"Korean", "ko_KR"},
    {"Portuguese", "pt_PT"},
    {"Spanish", "es_ES"},
    {"Chinese-simplified", "zh_CN"},
    {"Chinese-traditional", "zh_TW"},
    {"Chinese", "zh_CN"},
    {"Thai", "th_TH"},
    {"Greek", "el_GR"},
    {"Finnish", "fi_FI"},
    {"Russian", "ru_RU"},
    {"Czech", "cs_CZ"},
    {"Hungarian", "hu_HU"},
    {"Icelandic", "is_IS"},
    {"Norwegian", "no_NO"},
    {"Polish", "pl_PL"},
    {"Slovak", "sk_SK"},
    {"Swedish", "sv_SE"},
    {"Turkish", "tr_TR"},
    {"Latvia", "lv_LV"},
}};

} // namespace

std::string HostLanguage() {
    const char* language = std::getenv("KALDOR_LANGUAGE");
    return language != nullptr ? language : "English";
}

std::string LocaleCodeOf(const std::string& language) {
    for (const auto& [name, code] : Languages) {
        if (EqualIgnoringCase(language, name)) {
            return code;
        }
    }
    return "en_US";
}

std::optional<std::string> RefusedBy(const std::string& path) {
    if (path.empty()) {
        return std::string();
    }
    const char* list = std::getenv("KALDOR_REFUSE_PATHS");
    if (list == nullptr) {
        return std::nullopt;
    }
    std::istringstream texts(list);
    for (std::string text; std::getline(texts, text, '|');) {
        if (!text.empty() && path.find(text) != std::string::npos) {
            return text;
        }
    }
    return std::nullopt;
}

} // namespace kaldor
