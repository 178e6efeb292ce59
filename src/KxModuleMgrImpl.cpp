#include "KxModuleMgrImpl.h"
#include "HostLibraryNames.h"

#include "FileSystem.h"
#include "HostLibrary.h"
#include "Sys.h"

#include <vector>

namespace VELMORA::NEVRA::Platform {

namespace {

using RegisterFn = std::int32_t (*)(std::uint32_t, std::uint64_t);
using UnregisterFn = void (*)(std::uint32_t);

HostLibrary DatabaseLibrary() {
    return HostLibrary(ModuleDirectory() + HostLibraryName::File(HostLibraryName::Database));
}

} // namespace

KxModuleMgrImpl::~KxModuleMgrImpl() {
    try {
        const std::vector<std::uint32_t> remaining(moduleIds_.begin(), moduleIds_.end());
        for (const std::uint32_t id : remaining) {
            UnregisterModule(id);
        }
    } catch (...) {
        // Out of memory for the list: the host's database library outlives us and lets go of
        // what it holds when it is unloaded itself.
    }
}

std::int32_t KxModuleMgrImpl::RegisterModule(std::uint32_t moduleId, std::uint64_t context) {
    if (moduleIds_.count(moduleId) != 0) {
        return -1;
    }
    std::int32_t result = -1;
    {
        const HostLibrary database = DatabaseLibrary();
        if (auto fn = reinterpret_cast<RegisterFn>(database.Symbol("KxDbRegister"))) {
            result = fn(moduleId, context);
        }
    }
    if (result != 0) {
        return -1;
    }
    moduleIds_.insert(moduleId);
    return 0;
}

void KxModuleMgrImpl::UnregisterModule(std::uint32_t moduleId) {
    moduleIds_.erase(moduleId);
    const HostLibrary database = DatabaseLibrary();
    if (auto fn = reinterpret_cast<UnregisterFn>(database.Symbol("KxDbUnRegister"))) {
        fn(moduleId);
    }
}

} // namespace VELMORA::NEVRA::Platform
