// The earlier driver's parameter setters and getters: one member per camera
// feature and direction, each on a control object of its own, and the
// parameter record written and read through them.
#include "cameradahua.h"

#include "sdkfeatures.h"

#include <QDebug>

#include <cstdio>

using namespace Dahua::GenICam;

namespace {

// One integer feature read; -1 when the read fails.
int readInt(const CIntNode &node)
{
    int64_t value = 0;
    if (!node.getValue(value))
        return -1;
    return static_cast<int>(value);
}

bool readBool(const CBoolNode &node)
{
    bool value = false;
    return node.getValue(value) && value;
}

// Prints one of the driver's standard-output notes.
void printNote(const char *text)
{
    std::fputs(text, stdout);
    std::fflush(stdout);
}

} // namespace

IImageFormatControlPtr CCameraDahua::imageFormatControl() const
{
    return held() ? CSystem::getInstance().createImageFormatControl(m_cameraSptr) : nullptr;
}

IAcquisitionControlPtr CCameraDahua::acquisitionControl() const
{
    return held() ? CSystem::getInstance().createAcquisitionControl(m_cameraSptr) : nullptr;
}

IAnalogControlPtr CCameraDahua::analogControl() const
{
    return held() ? CSystem::getInstance().createAnalogControl(m_cameraSptr) : nullptr;
}

IISPControlPtr CCameraDahua::ispControl() const
{
    return held() ? CSystem::getInstance().createISPControl(m_cameraSptr) : nullptr;
}

// ---- parameter setters -------------------------------------------------------

bool CCameraDahua::SetWidth(int value)
{
    if (!held() || !opened() || value < 0)
        return false;
    IImageFormatControlPtr control = imageFormatControl();
    const bool ok = control && control->width().setValue(value);
    if (ok)
        m_camParam.width = value;
    return ok;
}

bool CCameraDahua::SetHeight(int value)
{
    if (!held() || value < 0)
        return false;
    IImageFormatControlPtr control = imageFormatControl();
    const bool ok = control && control->height().setValue(value);
    if (ok)
        m_camParam.height = value;
    return ok;
}

bool CCameraDahua::SetOffsetX(int value)
{
    if (!held() || !opened() || value < 0)
        return false;
    IImageFormatControlPtr control = imageFormatControl();
    return control && control->offsetX().setValue(value);
}

bool CCameraDahua::SetOffsetY(int value)
{
    if (!held() || value < 0)
        return false;
    IImageFormatControlPtr control = imageFormatControl();
    return control && control->offsetY().setValue(value);
}

bool CCameraDahua::SetBrightness(int value)
{
    if (!held() || value < 0)
        return false;
    IISPControlPtr control = ispControl();
    return control && control->brightness().setValue(value);
}

bool CCameraDahua::SetShutter(double value)
{
    if (!held() || !(value >= 0))
        return false;
    IAcquisitionControlPtr control = acquisitionControl();
    if (!control)
        return false;
    writeSymbol(control->exposureAuto(), "Off");
    const bool ok = control->exposureTime().setValue(value);
    if (!ok)
        printNote("----set shutter fail\n");
    return ok;
}

bool CCameraDahua::SetGain(int value)
{
    if (!held() || value < 0)
        return false;
    IAnalogControlPtr control = analogControl();
    if (!control)
        return false;
    writeSymbol(control->gainAuto(), "Off");
    return control->gainRaw().setValue(static_cast<double>(value));
}

bool CCameraDahua::SetContrast(int value)
{
    if (!held() || value < 0)
        return false;
    IISPControlPtr control = ispControl();
    if (!control)
        return false;
    const bool ok = control->contrast().setValue(value);
    if (!ok)
        printNote("----set SetContrast fail\n");
    return ok;
}

bool CCameraDahua::SetReverseX(bool value)
{
    if (!held() || !opened())
        return false;
    IImageFormatControlPtr control = imageFormatControl();
    return control && control->reverseX().setValue(value);
}

bool CCameraDahua::SetReverseY(bool value)
{
    if (!held() || !opened())
        return false;
    IImageFormatControlPtr control = imageFormatControl();
    return control && control->reverseY().setValue(value);
}

bool CCameraDahua::SetTriggerMode(int value)
{
    if (!held() || value < 0 || m_camParam.boardNum == -1)
        return false;
    m_nCamTriggerMode = value;
    if (value != 0 && value != 1)
        return false;
    IAcquisitionControlPtr control = acquisitionControl();
    return control && writeSymbol(control->triggerMode(), value == 0 ? "Off" : "On");
}

bool CCameraDahua::SetTriggerSource(enumTRIGSRC value)
{
    qWarning("start dahua camera trigger source...");
    if (!held() || value < 0 || m_camParam.boardNum == -1 || !m_acqCtrlSptr)
        return false;
    switch (value) {
    case TRIGSRC_SOFTWARE:
        writeSymbol(m_acqCtrlSptr->triggerSource(), "Software");
        if (!writeSymbol(m_acqCtrlSptr->triggerSelector(), "FrameStart")) {
            qWarning("set trigger selector failed");
            return false;
        }
        if (!writeSymbol(m_acqCtrlSptr->triggerMode(), "On")) {
            qWarning("set trigger mode failed");
            return false;
        }
        return true;
    case TRIGSRC_LINE1:
        return writeSymbol(m_acqCtrlSptr->triggerSource(), "Line1");
    }
    return false;
}

// ---- parameter getters -------------------------------------------------------

int CCameraDahua::GetWidth()
{
    if (!held() || !opened())
        return -1;
    IImageFormatControlPtr control = imageFormatControl();
    return control ? readInt(control->width()) : -1;
}

int CCameraDahua::GetHeight()
{
    if (!held() || !opened())
        return -1;
    IImageFormatControlPtr control = imageFormatControl();
    return control ? readInt(control->height()) : -1;
}

int CCameraDahua::GetOffsetX()
{
    if (!held() || !opened())
        return -1;
    IImageFormatControlPtr control = imageFormatControl();
    return control ? readInt(control->offsetX()) : -1;
}

int CCameraDahua::GetOffsetY()
{
    if (!held() || !opened())
        return -1;
    IImageFormatControlPtr control = imageFormatControl();
    return control ? readInt(control->offsetY()) : -1;
}

int CCameraDahua::GetBrightness()
{
    if (!held() || !opened())
        return -1;
    IISPControlPtr control = ispControl();
    return control ? readInt(control->brightness()) : -1;
}

int CCameraDahua::GetContrast()
{
    if (!held() || !opened())
        return -1;
    IISPControlPtr control = ispControl();
    return control ? readInt(control->contrast()) : -1;
}

int CCameraDahua::GetGain()
{
    if (!held() || !opened())
        return -1;
    IAnalogControlPtr control = analogControl();
    double gain = 0;
    if (!control || !control->gainRaw().getValue(gain))
        return -1;
    return static_cast<int>(gain);
}

int CCameraDahua::GetExposureTime()
{
    if (!held() || !opened())
        return -1;
    IAcquisitionControlPtr control = acquisitionControl();
    if (!control)
        return -1;
    CDoubleNode node = control->exposureTime();
    double exposure = 0;
    if (!node.isValid() || !node.getValue(exposure))
        return -1;
    std::printf("exposureTime=%f\n", exposure);
    std::fflush(stdout);
    return static_cast<int>(exposure);
}

int CCameraDahua::GetTriggerMode()
{
    if (!held() || !opened())
        return -1;
    if (m_camParam.boardNum != -1) {
        Dahua::Infra::CString symbol;
        IAcquisitionControlPtr control = acquisitionControl();
        if (control) {
            CEnumNode node = control->triggerMode();
            if (node.isValid())
                node.getValueSymbol(symbol);
        }
        m_nCamTriggerMode = symbol == "On" ? 1 : 0;
    }
    return m_nCamTriggerMode;
}

int CCameraDahua::GetTriggerSource()
{
    if (!held() || !opened() || m_camParam.boardNum == -1)
        return -1;
    IAcquisitionControlPtr control = acquisitionControl();
    if (!control)
        return -1;
    CEnumNode node = control->triggerSource();
    Dahua::Infra::CString symbol;
    if (!node.isValid() || !node.getValueSymbol(symbol))
        return -1;
    if (symbol == "Software")
        return TRIGSRC_SOFTWARE;
    if (symbol == "Line1")
        return TRIGSRC_LINE1;
    return -1;
}

bool CCameraDahua::GetReverseX()
{
    if (!held() || !opened())
        return false;
    IImageFormatControlPtr control = imageFormatControl();
    return control && readBool(control->reverseX());
}

bool CCameraDahua::GetReverseY()
{
    if (!held() || !opened())
        return false;
    IImageFormatControlPtr control = imageFormatControl();
    return control && readBool(control->reverseY());
}

bool CCameraDahua::GetPixelFormat(Dahua::Infra::CString &symbol)
{
    if (!held() || !opened())
        return false;
    IImageFormatControlPtr control = imageFormatControl();
    return control && control->pixelFormat().getValueSymbol(symbol);
}

bool CCameraDahua::IsConnected()
{
    return held() && m_cameraSptr->isConnected();
}

// ---- parameter record ----------------------------------------------------------

bool CCameraDahua::SetParams(tagDH_CAMERA_PARAM &param)
{
    if (!held() || !IsConnected())
        return false;
    SetHeight(param.height);
    SetWidth(param.width);
    SetOffsetX(param.offsetX);
    SetOffsetY(param.offsetY);
    SetBrightness(param.brightness);
    SetShutter(static_cast<double>(param.exposure));
    SetGain(param.gain);
    SetContrast(param.contrast);
    SetTriggerMode(param.triggerMode);
    SetTriggerSource(static_cast<enumTRIGSRC>(param.triggerSource));
    return true;
}

bool CCameraDahua::GetParams(tagDH_CAMERA_PARAM &param)
{
    if (!held() || !opened())
        return false;
    param.boardNum = GetBoardNum();
    param.brightness = GetBrightness();
    param.contrast = GetContrast();
    param.gain = GetGain();
    param.exposure = GetExposureTime();
    param.height = GetHeight();
    param.width = GetWidth();
    param.triggerMode = GetTriggerMode();
    param.triggerSource = GetTriggerSource();
    return true;
}
