#include "KxResourceLang.h"

#include "LanguageTable.h"

#include "FilePath.h"
#include "FileSystem.h"
#include "HostSearchDirectories.h"
#include "Log.h"
#include "QtFileName.h"
#include "ResourceKind.h"

#include <Kaldor/Kaldor.h>

#include <QCoreApplication>
#include <QString>
#include <QTranslator>

#include <memory>
#include <string>

using VELMORA::NEVRA::Platform::DirIterator;
using VELMORA::NEVRA::Platform::FilePath;
using VELMORA::NEVRA::Platform::LanguageDir;
using VELMORA::NEVRA::Platform::LanguageTextDir;
using VELMORA::NEVRA::Platform::PathExists;
using VELMORA::NEVRA::Platform::QtFileName;
using VELMORA::NEVRA::Platform::ResourceDir;
using VELMORA::NEVRA::Platform::ResourceKind;
using VELMORA::NEVRA::Platform::SearchedLocaleCodes;
using VELMORA::NEVRA::Platform::TranslationFileStem;

namespace {

constexpr std::size_t kLanguageNameBuffer = 256;
// The host takes the help context file through a fixed buffer of this many characters.
constexpr std::size_t kMaxHelpContextPath = 255;

} // namespace

std::string HostLocaleCode() {
    char name[kLanguageNameBuffer] = {};
    kdlLangGet(name);
    name[kLanguageNameBuffer - 1] = '\0';
    return VELMORA::NEVRA::Platform::LocaleCodeOf(name);
}

KxResourceLang::KxResourceLang(const std::string& root)
    : root_(FilePath(root).ToDirectoryForm().Str()) {}

KxResourceLang::~KxResourceLang() {
    // Without an application nothing holds them (and asking would only print a warning).
    if (QCoreApplication::instance() != nullptr) {
        for (const auto& translator : translators_) {
            QCoreApplication::removeTranslator(translator.get());
        }
    }
}

std::int32_t KxResourceLang::Load() {
    if (root_.empty()) {
        return 0;
    }
    const std::string code = HostLocaleCode();
    // English comes second on every other host. Qt asks the translator installed last first, so
    // a text that the English file translates reads in English; an English file that carries
    // only its corrections of the source texts leaves the rest to the host language.
    for (const std::string& searched : SearchedLocaleCodes(code)) {
        if (LoadTranslation(searched) != 0) {
            return -1;
        }
    }
    return LoadHelpDocs(code) != 0 ? -1 : 0;
}

std::int32_t KxResourceLang::LoadTranslation(const std::string& code) {
    const std::string dir = LanguageDir(root_, code);
    if (kdlPathAdd(dir.c_str()) != 0) {
        return -1;
    }
    auto translator = std::make_unique<QTranslator>();
    const QString fileName = QString::fromLocal8Bit(TranslationFileStem(code).c_str());
    QString qtDir;
    if (QtFileName(dir, "loading the translation", qtDir) &&
        translator->load(fileName, qtDir, QString(), QString())) {
        // The application may hold the translator even when it reports failure, so it is kept
        // until it has been taken back from the application.
        const bool installed = QCoreApplication::installTranslator(translator.get());
        translators_.push_back(std::move(translator));
        if (!installed) {
            kdlMsgDisp("Fail to load language resources.");
        }
    }
    // A root without this language simply has no translator for it.
    const std::string textDir = LanguageTextDir(root_, code);
    return kdlPathAdd(textDir.c_str()) != 0 ? -1 : 0;
}

std::int32_t KxResourceLang::LoadHelpDocs(const std::string& code) {
    const std::string langDir = LanguageDir(root_, code);
    std::string docDir = ResourceDir(langDir, ResourceKind::Doc);
    if (!PathExists(docDir)) {
        // Help in some language beats no help: the first language folder with a doc folder.
        for (DirIterator it(FilePath(langDir).Parent()), end; it != end; ++it) {
            docDir = ResourceDir(*it, ResourceKind::Doc);
            if (PathExists(docDir)) {
                break;
            }
        }
    }
    const std::string contextFile = docDir + "context.txt";
    // The host's buffer cannot hold a longer path, and a cut path would name another file:
    // the call is left out and the record tells which help file the host did not get.
    if (contextFile.size() > kMaxHelpContextPath) {
        KX_LOG_ERROR("help context file not given to the host, its path is longer than " +
                     std::to_string(kMaxHelpContextPath) + " characters: " + contextFile);
        return 0;
    }
    kdlHelpDocLoad(contextFile.c_str());
    return 0;
}
