// The host's search path: directories in the order they were added, each once.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace KaldorHost {

class HostSearchPath final {
public:
    // Appends `directory` unless it is there already; true when it was appended.
    bool Add(const std::string& directory);
    std::size_t Count() const { return entries_.size(); }
    // Null when out of range. Entries keep their address until Reset.
    const std::string* At(std::size_t index) const;
    void Reset() { entries_.clear(); }

private:
    // Each entry on its own keeps its address while the list grows; and an empty list holds no
    // memory, so the host's state needs none while its library is loaded.
    std::vector<std::unique_ptr<const std::string>> entries_;
};

} // namespace KaldorHost
