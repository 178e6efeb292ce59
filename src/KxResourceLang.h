// Translations and help of one resource root, in the host's language and in English.
#pragma once

#include "KxResourceBase.h"

#include <memory>
#include <string>
#include <vector>

class QTranslator;

// The locale code of the host's language ("de_DE"); "en_US" when the name is unknown.
std::string HostLocaleCode();

class KxResourceLang : public VELMORA::NEVRA::Platform::KxResourceBase {
public:
    explicit KxResourceLang(const std::string& root);
    // Takes back from the application the translators this root offered it, and deletes them.
    ~KxResourceLang() override;
    std::int32_t Load() override;

private:
    std::int32_t LoadTranslation(const std::string& code);
    std::int32_t LoadHelpDocs(const std::string& code);

    std::string root_;
    std::vector<std::unique_ptr<QTranslator>> translators_;
};
