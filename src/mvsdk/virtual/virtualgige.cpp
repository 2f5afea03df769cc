// GigE views of a virtual camera: addresses as text, and the address
// assignment. Nothing here touches a network.
#include "MVSDK/GenICam/GigE.h"

#include "virtualcamera.h"

namespace Dahua {
namespace GenICam {

namespace {

using VxSim::detail::VirtualCamera;

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

} // namespace GenICam
} // namespace Dahua

namespace VxSim {
namespace detail {

Dahua::GenICam::IGigECameraPtr VirtualCamera::gigeCamera(const Dahua::GenICam::ICameraPtr &)
{
    if (!m_hasGigE)
        return nullptr;
    return std::make_shared<Dahua::GenICam::VirtualGigECamera>(shared_from_this());
}

Dahua::GenICam::IGigEInterfacePtr VirtualCamera::gigeInterface(const Dahua::GenICam::ICameraPtr &)
{
    if (!m_hasGigE)
        return nullptr;
    return std::make_shared<Dahua::GenICam::VirtualGigEInterface>(shared_from_this());
}

} // namespace detail
} // namespace VxSim
