// The host's database library: database modules by id.
#pragma once

#include <HostCommon/HostExport.h>

#include <cstdint>

extern "C" {
// 0 = accepted; 1 = refused (KXDB_REFUSE_IDS) or registered already.
KX_HOST_API std::int32_t KxDbRegister(std::uint32_t moduleId, std::uint64_t context);
KX_HOST_API void KxDbUnRegister(std::uint32_t moduleId);
KX_HOST_API std::int32_t KxDbIsRegistered(std::uint32_t moduleId);
}
