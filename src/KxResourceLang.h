// Translations and help of one resource root, in the host's language and in English.
#pragma once

#include "KxResourceBase.h"

#include <string>

// The locale code of the host's language ("de_DE"); "en_US" when the name is unknown.
std::string HostLocaleCode();

std::string LanguageDir(const std::string& root, const std::string& code);
std::string LanguageTextDir(const std::string& root, const std::string& code);

class KxResourceLang : public VELMORA::NEVRA::Platform::KxResourceBase {
public:
    explicit KxResourceLang(const std::string& root);
    std::int32_t Load() override;

private:
    std::int32_t LoadTranslation(const std::string& code);
    std::int32_t LoadHelpDocs(const std::string& code);

    std::string root_;
};
