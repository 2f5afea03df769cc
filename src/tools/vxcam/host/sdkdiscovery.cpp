#include "sdkdiscovery.h"

#include "MVSDK/GenICam/System.h"

bool sdkDiscoveryFailed()
{
    Dahua::Infra::TVector<Dahua::GenICam::ICameraPtr> cameras;
    return !Dahua::GenICam::CSystem::getInstance().discovery(cameras);
}
