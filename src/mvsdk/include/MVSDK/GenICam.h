// The whole camera SDK surface in one include.
#ifndef MVSDK_GENICAM_ALL_H
#define MVSDK_GENICAM_ALL_H

#include "MVSDK/GenICam/AcquisitionControl.h"
#include "MVSDK/GenICam/AnalogControl.h"
#include "MVSDK/GenICam/Camera.h"
#include "MVSDK/GenICam/Frame.h"
#include "MVSDK/GenICam/GigE.h"
#include "MVSDK/GenICam/ISPControl.h"
#include "MVSDK/GenICam/ImageFormatControl.h"
#include "MVSDK/GenICam/Nodes.h"
#include "MVSDK/GenICam/StreamSource.h"
#include "MVSDK/GenICam/System.h"
#include "MVSDK/Infra/String.h"
#include "MVSDK/Infra/Vector.h"
#include "MVSDK/Memory/SharedPtr.h"

#endif // MVSDK_GENICAM_ALL_H
