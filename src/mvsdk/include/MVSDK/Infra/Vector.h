// Ordered sequence used by the camera SDK's discovery.
#ifndef MVSDK_INFRA_VECTOR_H
#define MVSDK_INFRA_VECTOR_H

#include <vector>

namespace Dahua {
namespace Infra {

template <class T> using TVector = std::vector<T>;

} // namespace Infra
} // namespace Dahua

#endif // MVSDK_INFRA_VECTOR_H
