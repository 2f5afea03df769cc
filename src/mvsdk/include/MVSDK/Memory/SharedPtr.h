// Shared handles of the camera SDK: copies share one object, reset releases.
#ifndef MVSDK_MEMORY_SHAREDPTR_H
#define MVSDK_MEMORY_SHAREDPTR_H

#include <memory>

namespace Dahua {
namespace Memory {

template <class T> using TSharedPtr = std::shared_ptr<T>;

} // namespace Memory
} // namespace Dahua

#endif // MVSDK_MEMORY_SHAREDPTR_H
