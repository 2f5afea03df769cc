// CSystem: discovery and the factories of the camera SDK, over the virtual
// camera system. Every call is traced.
#include "MVSDK/GenICam/System.h"

#include "calltrace.h"
#include "controls.h"
#include "virtualstream.h"
#include "virtualsystem.h"

namespace Dahua {
namespace GenICam {

using VxSim::detail::CallTrace;
using VxSim::detail::VirtualCamera;
using VxSim::detail::VirtualSystem;

namespace {

// Builds a control for a virtual camera unless the factory is scripted to fail.
template <class Control>
Memory::TSharedPtr<Control> makeControl(const char *factory, const ICameraPtr &camera)
{
    std::shared_ptr<VirtualCamera> virtualCamera = std::dynamic_pointer_cast<VirtualCamera>(camera);
    if (virtualCamera == nullptr)
        return nullptr;
    const QString name = QLatin1String(factory);
    const bool ok = !virtualCamera->fails(name);
    CallTrace::write(
        QStringLiteral("%1 %2 -> %3")
            .arg(name, virtualCamera->key(), ok ? QStringLiteral("ok") : QStringLiteral("empty")));
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
    VirtualSystem::instance();
    return system;
}

bool CSystem::discovery(Infra::TVector<ICameraPtr> &cameras, EInterfaceType interfaceType)
{
    std::vector<std::shared_ptr<VirtualCamera>> found;
    const bool ok = VirtualSystem::instance().discover(&found);
    if (ok) {
        cameras.clear();
        for (std::shared_ptr<VirtualCamera> &camera : found)
            cameras.push_back(std::move(camera));
    }
    CallTrace::write(QStringLiteral("discovery %1 -> %2")
                         .arg(QString::number(int(interfaceType)),
                              ok ? QString::number(cameras.size()) : QStringLiteral("fail")));
    return ok;
}

IAcquisitionControlPtr CSystem::createAcquisitionControl(const ICameraPtr &camera)
{
    return makeControl<VxSim::detail::AcquisitionControl>("createAcquisitionControl", camera);
}

IImageFormatControlPtr CSystem::createImageFormatControl(const ICameraPtr &camera)
{
    return makeControl<VxSim::detail::ImageFormatControl>("createImageFormatControl", camera);
}

IAnalogControlPtr CSystem::createAnalogControl(const ICameraPtr &camera)
{
    return makeControl<VxSim::detail::AnalogControl>("createAnalogControl", camera);
}

IISPControlPtr CSystem::createISPControl(const ICameraPtr &camera)
{
    return makeControl<VxSim::detail::ISPControl>("createISPControl", camera);
}

IStreamSourcePtr CSystem::createStreamSource(const ICameraPtr &camera, uint16_t channelId)
{
    std::shared_ptr<VirtualCamera> virtualCamera = std::dynamic_pointer_cast<VirtualCamera>(camera);
    if (virtualCamera == nullptr)
        return nullptr;
    const bool ok = !virtualCamera->fails(QStringLiteral("createStreamSource"));
    CallTrace::write(QStringLiteral("createStreamSource %1 %2 -> %3")
                         .arg(virtualCamera->key(), QString::number(channelId),
                              ok ? QStringLiteral("ok") : QStringLiteral("empty")));
    if (!ok)
        return nullptr;
    auto stream = std::make_shared<VxSim::detail::VirtualStreamSource>(virtualCamera);
    virtualCamera->addStream(stream->state());
    return stream;
}

} // namespace GenICam
} // namespace Dahua
