// Search paths and compiled resource files of one resource root.
#pragma once

#include "KxResourceBase.h"

#include <string>

class KxResourcePath : public VELMORA::NEVRA::Platform::KxResourceBase {
public:
    explicit KxResourcePath(const std::string& root);
    std::int32_t Load() override;

private:
    std::string root_;
};

// Registers every "*.hrc" regular file directly inside `dir` with the user-interface library.
void RegisterRccFiles(const std::string& dir);
