// The GigE views of a camera, from its back end.
#include "MVSDK/GenICam/GigE.h"

#include "sdkcamera.h"

namespace Dahua {
namespace GenICam {

IGigECamera::~IGigECamera() = default;
IGigEInterface::~IGigEInterface() = default;

IGigECameraPtr IGigECamera::getInstance(const ICameraPtr &camera)
{
    auto *sdk = dynamic_cast<Mvsdk::detail::SdkCamera *>(camera.get());
    return sdk != nullptr ? sdk->gigeCamera(camera) : nullptr;
}

IGigEInterfacePtr IGigEInterface::getInstance(const ICameraPtr &camera)
{
    auto *sdk = dynamic_cast<Mvsdk::detail::SdkCamera *>(camera.get());
    return sdk != nullptr ? sdk->gigeInterface(camera) : nullptr;
}

} // namespace GenICam
} // namespace Dahua
