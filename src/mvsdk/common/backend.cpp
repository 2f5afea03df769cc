#include "backend.h"

#include "calltrace.h"

#include <QByteArray>
#include <QString>

#include <cstdio>

namespace Mvsdk {
namespace detail {

namespace {

// The back end of a name that is no back end of this build: no cameras, and
// discovery fails, as it cannot look.
class NoCameras final : public Backend {
public:
    bool discover(std::vector<Dahua::GenICam::ICameraPtr> &cameras, Dahua::GenICam::EInterfaceType) override
    {
        cameras.clear();
        return false;
    }
};

Backend *choose()
{
    CallTrace::setFromEnvironment();
    const QString name = qEnvironmentVariable("VXCAM_SDK_BACKEND");
    if (name.isEmpty() || name == QLatin1String("virtual"))
        return makeVirtualBackend();
#ifdef VXCAM_HAVE_ARAVIS
    if (name == QLatin1String("aravis"))
        return makeAravisBackend();
#endif
    // Not through the host's Qt message handler: this is the library's own
    // set-up problem, as the virtual system reports its configuration errors.
    std::fprintf(stderr,
                 "MVSDKmd: VXCAM_SDK_BACKEND=\"%s\" is not a back end of this build (%s); discovery fails\n",
                 name.toLocal8Bit().constData(),
#ifdef VXCAM_HAVE_ARAVIS
                 "virtual, aravis"
#else
                 "virtual"
#endif
    );
    return new NoCameras;
}

} // namespace

Backend &activeBackend()
{
    // Made once, kept until the process ends (cameras may outlive statics).
    static Backend *const backend = choose();
    return *backend;
}

} // namespace detail
} // namespace Mvsdk
