// CSystem: discovery and the factories of the camera SDK, over the back end
// chosen for the process. Every call is traced the same way on every back end.
#include "MVSDK/GenICam/System.h"

#include "backend.h"
#include "calltrace.h"
#include "controls.h"
#include "sdkcamera.h"

namespace Dahua {
namespace GenICam {

using Mvsdk::detail::activeBackend;
using Mvsdk::detail::CallTrace;
using Mvsdk::detail::SdkCamera;

namespace {

SdkCamera *sdkCamera(const ICameraPtr &camera)
{
    return dynamic_cast<SdkCamera *>(camera.get());
}

// Builds a control for a camera unless its back end refuses the factory now.
template <class Control>
Memory::TSharedPtr<Control> makeControl(const char *factory, const ICameraPtr &camera)
{
    SdkCamera *sdk = sdkCamera(camera);
    if (sdk == nullptr)
        return nullptr;
    const QString name = QLatin1String(factory);
    const bool ok = sdk->controlAvailable(name);
    CallTrace::write(QStringLiteral("%1 %2 -> %3")
                         .arg(name, sdk->traceKey(), ok ? QStringLiteral("ok") : QStringLiteral("empty")));
    if (!ok)
        return nullptr;
    return std::make_shared<Control>(camera);
}

} // namespace

ICamera::~ICamera() = default;
IStreamSource::~IStreamSource() = default;

CSystem::CSystem() = default;
CSystem::~CSystem() = default;

CSystem &CSystem::getInstance()
{
    static CSystem system;
    activeBackend();
    return system;
}

bool CSystem::discovery(Infra::TVector<ICameraPtr> &cameras, EInterfaceType interfaceType)
{
    std::vector<ICameraPtr> found;
    const bool ok = activeBackend().discover(found, interfaceType);
    if (ok)
        cameras = std::move(found);
    CallTrace::write(QStringLiteral("discovery %1 -> %2")
                         .arg(QString::number(int(interfaceType)),
                              ok ? QString::number(cameras.size()) : QStringLiteral("fail")));
    return ok;
}

IAcquisitionControlPtr CSystem::createAcquisitionControl(const ICameraPtr &camera)
{
    return makeControl<Mvsdk::detail::AcquisitionControl>("createAcquisitionControl", camera);
}

IImageFormatControlPtr CSystem::createImageFormatControl(const ICameraPtr &camera)
{
    return makeControl<Mvsdk::detail::ImageFormatControl>("createImageFormatControl", camera);
}

IAnalogControlPtr CSystem::createAnalogControl(const ICameraPtr &camera)
{
    return makeControl<Mvsdk::detail::AnalogControl>("createAnalogControl", camera);
}

IISPControlPtr CSystem::createISPControl(const ICameraPtr &camera)
{
    return makeControl<Mvsdk::detail::ISPControl>("createISPControl", camera);
}

IStreamSourcePtr CSystem::createStreamSource(const ICameraPtr &camera, uint16_t channelId)
{
    SdkCamera *sdk = sdkCamera(camera);
    if (sdk == nullptr)
        return nullptr;
    IStreamSourcePtr stream = sdk->createStream(camera, channelId);
    CallTrace::write(QStringLiteral("createStreamSource %1 %2 -> %3")
                         .arg(sdk->traceKey(), QString::number(channelId),
                              stream != nullptr ? QStringLiteral("ok") : QStringLiteral("empty")));
    return stream;
}

} // namespace GenICam
} // namespace Dahua
