#include "sdkdiscovery.h"

#include "printabletext.h"

#include "MVSDK/GenICam/System.h"

bool sdkDiscoveryFailed()
{
    Dahua::Infra::TVector<Dahua::GenICam::ICameraPtr> cameras;
    return !Dahua::GenICam::CSystem::getInstance().discovery(cameras);
}

QString noCameraText(bool discoveryFailed)
{
    return discoveryFailed ? QStringLiteral("the camera SDK could not look for cameras (discovery failed)")
                           : QStringLiteral("no camera found");
}

QString missingCameraText(const QString &key, const QStringList &present)
{
    const QString missing = QStringLiteral("camera \"%1\" not found").arg(printableText(key));
    if (present.isEmpty() && sdkDiscoveryFailed())
        return missing + QStringLiteral(": ") + noCameraText(true);
    return missing + QStringLiteral("; cameras present: ")
        + (present.isEmpty() ? QStringLiteral("none") : printableText(present.join(QStringLiteral(", "))));
}
