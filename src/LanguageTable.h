// The host's language names and the locale codes that name their resources. Header-only, so the
// host program maps a language exactly as the platform does.
#pragma once

#include <string_view>

namespace VELMORA::NEVRA::Platform {

struct LanguageRow {
    const char* name;
    const char* code;
};

// Matched in this order; the first row whose name equals the host's language wins. "Latvia" is
// the name the host reports, and both Chinese spellings share one code.
inline constexpr LanguageRow kLanguages[] = {
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
};

inline constexpr const char* kFallbackLocaleCode = "en_US";

// Whole names compared folding only ASCII letters, whatever the process's locale says.
inline const char* LocaleCodeOf(std::string_view name) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    for (const LanguageRow& row : kLanguages) {
        const std::string_view candidate(row.name);
        if (candidate.size() != name.size()) {
            continue;
        }
        bool equal = true;
        for (std::size_t i = 0; equal && i < name.size(); ++i) {
            equal = lower(candidate[i]) == lower(name[i]);
        }
        if (equal) {
            return row.code;
        }
    }
    return kFallbackLocaleCode;
}

} // namespace VELMORA::NEVRA::Platform
