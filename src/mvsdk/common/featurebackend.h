// IFeatureBackend: how feature nodes reach the features of a camera.
//
// Every camera back end implements it beside ICamera (see SdkCamera); the
// nodes of the public surface find it through the camera handle they were
// built from.
#ifndef MVSDK_COMMON_FEATUREBACKEND_H
#define MVSDK_COMMON_FEATUREBACKEND_H

#include "featurevalue.h"

#include <string>

namespace Mvsdk {
namespace detail {

class IFeatureBackend {
public:
    virtual bool hasFeature(const std::string &name, FeatureType type) const = 0;
    // Each read, write and execution is one traced SDK operation.
    virtual bool readFeature(const std::string &name, FeatureType type, FeatureValue &value) = 0;
    virtual bool writeFeature(const std::string &name, const FeatureValue &value) = 0;
    virtual bool executeCommand(const std::string &name) = 0;

protected:
    ~IFeatureBackend() = default;
};

} // namespace detail
} // namespace Mvsdk

#endif // MVSDK_COMMON_FEATUREBACKEND_H
