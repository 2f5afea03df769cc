#include "camerafacts.h"

#include "MVSDK/GenICam/Nodes.h"
#include "MVSDK/GenICam/System.h"

using namespace Dahua::GenICam;

CameraFacts readCameraFacts(const QString &key)
{
    CameraFacts facts;
    Dahua::Infra::TVector<ICameraPtr> cameras;
    if (!CSystem::getInstance().discovery(cameras, typeAll))
        return facts;
    for (const ICameraPtr &camera : cameras) {
        if (QString::fromUtf8(camera->getKey()) != key)
            continue;
        Dahua::Infra::CString symbol;
        if (CEnumNode(camera, "PixelFormat").getValueSymbol(symbol))
            facts.pixelFormat = QByteArray(symbol.c_str());
        facts.exposureKnown = CDoubleNode(camera, "ExposureTime").getValue(facts.exposure);
        break;
    }
    return facts;
}
