// GigE views over Aravis. Addresses are read when asked (one register read
// for the camera's own configuration); the host interface's mask comes from
// the interface that holds the address Aravis talks from.
#include "aravisgige.h"

#include "araviscamera.h"
#include "calltrace.h"
#include "interfacemask.h"

#include <QDebug>

#include <arv.h>

namespace Mvsdk {
namespace aravis {

using detail::CallTrace;

namespace {

Dahua::Infra::CString addressText(GInetAddress *address)
{
    if (address == nullptr)
        return {};
    gchar *text = g_inet_address_to_string(address);
    Dahua::Infra::CString result(text != nullptr ? text : "");
    g_free(text);
    return result;
}

// The IPv4 address of a socket address Aravis hands out (owned by Aravis's
// device, or by the caller when `owned`).
Dahua::Infra::CString socketAddressText(GSocketAddress *socket, bool owned)
{
    Dahua::Infra::CString text;
    if (socket != nullptr && G_IS_INET_SOCKET_ADDRESS(socket))
        text = addressText(g_inet_socket_address_get_address(G_INET_SOCKET_ADDRESS(socket)));
    if (owned && socket != nullptr)
        g_object_unref(socket);
    return text;
}

// Address, mask and gateway the camera reports for itself.
struct CurrentIp {
    Dahua::Infra::CString address, mask, gateway;
};

CurrentIp currentIp(const std::shared_ptr<AravisCamera> &camera)
{
    CurrentIp ip;
    ArvGvDevice *device = camera->gvDeviceRef();
    if (device == nullptr)
        return ip;
    GInetAddress *address = nullptr;
    GInetAddressMask *mask = nullptr;
    GInetAddress *gateway = nullptr;
    GError *error = nullptr;
    if (arv_gv_device_get_current_ip(device, &address, &mask, &gateway, &error)) {
        ip.address = addressText(address);
        if (mask != nullptr) {
            // A prefix length as a dotted mask.
            const guint bits = g_inet_address_mask_get_length(mask);
            const quint32 value = bits == 0 ? 0u : (0xFFFFFFFFu << (32 - bits));
            ip.mask = dottedIpv4(value);
        }
        ip.gateway = addressText(gateway);
    } else {
        ip.address = socketAddressText(arv_gv_device_get_device_address(device), false);
    }
    g_clear_error(&error);
    if (address != nullptr)
        g_object_unref(address);
    if (mask != nullptr)
        g_object_unref(mask);
    if (gateway != nullptr)
        g_object_unref(gateway);
    g_object_unref(device);
    return ip;
}

class AravisGigECamera final : public Dahua::GenICam::IGigECamera {
public:
    explicit AravisGigECamera(std::shared_ptr<AravisCamera> camera)
        : m_camera(std::move(camera))
    {
    }
    Dahua::Infra::CString getIpAddress() const override { return currentIp(m_camera).address; }
    Dahua::Infra::CString getSubnetMask() const override { return currentIp(m_camera).mask; }
    Dahua::Infra::CString getGateway() const override { return currentIp(m_camera).gateway; }
    bool forceIpAddress(const char *ipAddress, const char *subnetMask, const char *gateway) override
    {
        // Aravis 0.8 offers persistent addresses (taking effect at the
        // camera's next start) but no immediate assignment; report that
        // instead of pretending.
        qWarning() << "Aravis camera" << m_camera->traceKey()
                   << ": assigning an address at once is not available through Aravis; "
                      "set a persistent address with arv-tool-0.8 and restart the camera";
        CallTrace::write(QStringLiteral("forceIp %1 %2 %3 %4 -> fail")
                             .arg(m_camera->traceKey(), QString::fromUtf8(ipAddress ? ipAddress : ""),
                                  QString::fromUtf8(subnetMask ? subnetMask : ""),
                                  QString::fromUtf8(gateway ? gateway : "")));
        return false;
    }

private:
    std::shared_ptr<AravisCamera> m_camera;
};

class AravisGigEInterface final : public Dahua::GenICam::IGigEInterface {
public:
    explicit AravisGigEInterface(std::shared_ptr<AravisCamera> camera)
        : m_camera(std::move(camera))
    {
    }
    Dahua::Infra::CString getIpAddress() const override { return localAddress(); }
    Dahua::Infra::CString getSubnetMask() const override { return interfaceMask(localAddress().c_str()); }
    // The interface's own gateway is not known to Aravis; the camera's is the
    // one on the same subnet.
    Dahua::Infra::CString getGateway() const override { return currentIp(m_camera).gateway; }

private:
    Dahua::Infra::CString localAddress() const
    {
        ArvGvDevice *device = m_camera->gvDeviceRef();
        if (device == nullptr)
            return {};
        Dahua::Infra::CString text = socketAddressText(arv_gv_device_get_interface_address(device), false);
        g_object_unref(device);
        return text;
    }

    std::shared_ptr<AravisCamera> m_camera;
};

} // namespace

Dahua::GenICam::IGigECameraPtr makeGigECamera(const std::shared_ptr<AravisCamera> &camera)
{
    if (camera->getType() != Dahua::GenICam::typeGigeCamera)
        return nullptr;
    return std::make_shared<AravisGigECamera>(camera);
}

Dahua::GenICam::IGigEInterfacePtr makeGigEInterface(const std::shared_ptr<AravisCamera> &camera)
{
    if (camera->getType() != Dahua::GenICam::typeGigeCamera)
        return nullptr;
    return std::make_shared<AravisGigEInterface>(camera);
}

} // namespace aravis
} // namespace Mvsdk
