#include "DemoSupport.h"

#include <cstdlib>
#include <fstream>

namespace demo {

void Event(const std::string& text) {
    const char* file = std::getenv("KALDOR_DEMO_EVENTS");
    if (file == nullptr || *file == '\0') {
        return;
    }
    std::ofstream out(file, std::ios::app);
    out << text << '\n';
}

} // namespace demo
