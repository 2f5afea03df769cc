// The control objects of a camera: each hands out nodes bound to the camera
// and a standard feature name. They hold the camera, nothing else.
#ifndef MVSDK_COMMON_CONTROLS_H
#define MVSDK_COMMON_CONTROLS_H

#include "MVSDK/GenICam/AcquisitionControl.h"
#include "MVSDK/GenICam/AnalogControl.h"
#include "MVSDK/GenICam/ISPControl.h"
#include "MVSDK/GenICam/ImageFormatControl.h"

namespace Mvsdk {
namespace detail {

using Dahua::GenICam::ICameraPtr;

class AcquisitionControl final : public Dahua::GenICam::IAcquisitionControl {
public:
    explicit AcquisitionControl(ICameraPtr camera)
        : m_camera(std::move(camera))
    {
    }
    Dahua::GenICam::CEnumNode exposureAuto() override { return {m_camera, "ExposureAuto"}; }
    Dahua::GenICam::CDoubleNode exposureTime() override { return {m_camera, "ExposureTime"}; }
    Dahua::GenICam::CEnumNode triggerMode() override { return {m_camera, "TriggerMode"}; }
    Dahua::GenICam::CEnumNode triggerSelector() override { return {m_camera, "TriggerSelector"}; }
    Dahua::GenICam::CEnumNode triggerSource() override { return {m_camera, "TriggerSource"}; }
    Dahua::GenICam::CCmdNode triggerSoftware() override { return {m_camera, "TriggerSoftware"}; }

private:
    ICameraPtr m_camera;
};

class ImageFormatControl final : public Dahua::GenICam::IImageFormatControl {
public:
    explicit ImageFormatControl(ICameraPtr camera)
        : m_camera(std::move(camera))
    {
    }
    Dahua::GenICam::CIntNode width() override { return {m_camera, "Width"}; }
    Dahua::GenICam::CIntNode height() override { return {m_camera, "Height"}; }
    Dahua::GenICam::CIntNode offsetX() override { return {m_camera, "OffsetX"}; }
    Dahua::GenICam::CIntNode offsetY() override { return {m_camera, "OffsetY"}; }
    Dahua::GenICam::CEnumNode pixelFormat() override { return {m_camera, "PixelFormat"}; }
    Dahua::GenICam::CBoolNode reverseX() override { return {m_camera, "ReverseX"}; }
    Dahua::GenICam::CBoolNode reverseY() override { return {m_camera, "ReverseY"}; }

private:
    ICameraPtr m_camera;
};

class AnalogControl final : public Dahua::GenICam::IAnalogControl {
public:
    explicit AnalogControl(ICameraPtr camera)
        : m_camera(std::move(camera))
    {
    }
    Dahua::GenICam::CEnumNode gainAuto() override { return {m_camera, "GainAuto"}; }
    Dahua::GenICam::CDoubleNode gainRaw() override { return {m_camera, "Gain"}; }

private:
    ICameraPtr m_camera;
};

class ISPControl final : public Dahua::GenICam::IISPControl {
public:
    explicit ISPControl(ICameraPtr camera)
        : m_camera(std::move(camera))
    {
    }
    Dahua::GenICam::CIntNode brightness() override { return {m_camera, "Brightness"}; }
    Dahua::GenICam::CIntNode contrast() override { return {m_camera, "Contrast"}; }

private:
    ICameraPtr m_camera;
};

} // namespace detail
} // namespace Mvsdk

#endif // MVSDK_COMMON_CONTROLS_H
