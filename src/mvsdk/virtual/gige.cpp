// GigE views of a virtual camera: addresses as text, and the address
// assignment. Nothing here touches a network.
#include "MVSDK/GenICam/GigE.h"

#include "virtualcamera.h"

namespace Dahua {
namespace GenICam {

namespace {

using VxSim::detail::VirtualCamera;

std::shared_ptr<VirtualCamera> gigeCamera(const ICameraPtr &camera)
{
    std::shared_ptr<VirtualCamera> virtualCamera = std::dynamic_pointer_cast<VirtualCamera>(camera);
    if (virtualCamera == nullptr || !virtualCamera->hasGigE())
        return nullptr;
    return virtualCamera;
}

Infra::CString text(const QString &value)
{
    return Infra::CString(value.toStdString());
}

class VirtualGigECamera final : public IGigECamera {
public:
    explicit VirtualGigECamera(std::shared_ptr<VirtualCamera> camera)
        : m_camera(std::move(camera))
    {
    }
    Infra::CString getIpAddress() const override { return text(m_camera->gige().cameraAddress); }
    Infra::CString getSubnetMask() const override { return text(m_camera->gige().mask); }
    Infra::CString getGateway() const override { return text(m_camera->gige().gateway); }
    bool forceIpAddress(const char *ipAddress, const char *subnetMask, const char *gateway) override
    {
        return m_camera->forceIp(QString::fromUtf8(ipAddress ? ipAddress : ""),
                                 QString::fromUtf8(subnetMask ? subnetMask : ""),
                                 QString::fromUtf8(gateway ? gateway : ""));
    }

private:
    std::shared_ptr<VirtualCamera> m_camera;
};

class VirtualGigEInterface final : public IGigEInterface {
public:
    explicit VirtualGigEInterface(std::shared_ptr<VirtualCamera> camera)
        : m_camera(std::move(camera))
    {
    }
    Infra::CString getIpAddress() const override { return text(m_camera->gige().interfaceAddress); }
    Infra::CString getSubnetMask() const override { return text(m_camera->gige().mask); }
    Infra::CString getGateway() const override { return text(m_camera->gige().gateway); }

private:
    std::shared_ptr<VirtualCamera> m_camera;
};

} // namespace

IGigECamera::~IGigECamera() = default;
IGigEInterface::~IGigEInterface() = default;

IGigECameraPtr IGigECamera::getInstance(const ICameraPtr &camera)
{
    std::shared_ptr<VirtualCamera> virtualCamera = gigeCamera(camera);
    if (virtualCamera == nullptr)
        return nullptr;
    return std::make_shared<VirtualGigECamera>(std::move(virtualCamera));
}

IGigEInterfacePtr IGigEInterface::getInstance(const ICameraPtr &camera)
{
    std::shared_ptr<VirtualCamera> virtualCamera = gigeCamera(camera);
    if (virtualCamera == nullptr)
        return nullptr;
    return std::make_shared<VirtualGigEInterface>(std::move(virtualCamera));
}

} // namespace GenICam
} // namespace Dahua
