// Switching an application off for the next start-up through the pending application list,
// which the platform takes in place of the application list when it starts; the list the
// installation ships stays as it is until then.
#pragma once

#include "Installation.h"

#include <stdexcept>
#include <string>

namespace kaldor {

// The application could not be switched off; nothing was changed. The text says why.
class PendingListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SwitchedOff {
    std::string source;   // the list the new one was made from: the pending list, or else the
                          // application list
    std::string previous; // a copy of that list as it was
    std::string pending;  // the pending list written
    int entries = 0;      // entries switched off
};

// Writes the pending list as `source` stands with every entry that names `path` (as the
// platform registers it) switched off (load="0"). Throws PendingListError.
SwitchedOff SwitchOffApplication(const Installation& installation, const std::string& path);

} // namespace kaldor
