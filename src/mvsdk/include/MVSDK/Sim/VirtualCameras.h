// Control of the virtual camera system behind this SDK.
//
// The SDK library carries no hardware back end: its cameras are virtual and
// make real frames on real threads. At first use the system loads the JSON
// file named by VXCAM_SIM_CONFIG, or a built-in set of cameras without it, and
// traces every SDK operation into the file named by VXCAM_SIM_TRACE.
//
// Tests, the host tool and benchmarks script the cameras through these
// functions; drivers never call them. Every function is thread-safe. Cameras
// are addressed by key; a function naming an unknown key returns false.
#ifndef MVSDK_SIM_VIRTUALCAMERAS_H
#define MVSDK_SIM_VIRTUALCAMERAS_H

#include "MVSDK/Defs.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace VxSim {

// Replaces the set of cameras with the ones of a JSON configuration. Cameras
// that drivers still hold keep working but are no longer discovered. On a
// parse or type error the system has no cameras, *error (when given) says
// what is wrong, and false is returned.
MVSDK_API bool loadConfig(const QByteArray &json, QString *error = nullptr);
// As loadConfig, from a file; the error names the file. Also prints the error
// as one line on standard error.
MVSDK_API bool loadConfigFile(const QString &path, QString *error = nullptr);
// Replaces the set of cameras with the built-in ones.
MVSDK_API void useBuiltInCameras();
// Keys of the cameras that discovery would report now.
MVSDK_API QStringList cameraKeys();

// Appends one line per SDK operation to this file; empty path: no trace.
MVSDK_API void setTraceFile(const QString &path);

// Scripting one camera. Operation names and refusal rules are those of the
// configuration's "fail" and "refuse" lists.
MVSDK_API bool setFailure(const QString &key, const QString &operation, bool fail);
MVSDK_API bool setRefusal(const QString &key, const QString &rule, bool refuse);
MVSDK_API bool setFrameBytes(const QString &key, uint32_t bytes);
MVSDK_API bool setFrameRate(const QString &key, double fps);
MVSDK_API bool setLine1Rate(const QString &key, double hz);

// Feature values as text (the trace's notation), without going through the
// SDK and without a trace line.
MVSDK_API bool featureValue(const QString &key, const QString &feature, QString *value);
MVSDK_API bool setFeatureValue(const QString &key, const QString &feature, const QString &value);

// Observation.
MVSDK_API bool isConnected(const QString &key);
// Stream sources of this camera that exist now / are grabbing now.
MVSDK_API int streamSourceCount(const QString &key);
MVSDK_API int grabbingStreamCount(const QString &key);
// Handlers attached over all stream sources of this camera.
MVSDK_API int attachedHandlerCount(const QString &key);
// Frames produced over all stream sources of this camera since configuration.
MVSDK_API uint64_t framesProduced(const QString &key);
// Where the bytes of the camera's latest frame lie; while a handler runs, the
// frame it was handed (with one stream source on the camera).
MVSDK_API const void *lastFrameImage(const QString &key);

// The ramp pattern: byte i of frame number seq carries (i + seq) mod 256 ...
inline uint8_t patternByte(uint64_t index, uint64_t sequence)
{
    return static_cast<uint8_t>((index + sequence) & 0xFFu);
}
// ... except in formats whose samples are 10, 12 or 14 bits in two bytes
// (Mono10, BayerRG12, ...): there sample j (little-endian, at byte 2j) of
// frame seq carries (j + seq) mod 2^depth.
inline uint16_t patternSample(uint64_t index, uint64_t sequence, int depth)
{
    return static_cast<uint16_t>((index + sequence) & ((1u << depth) - 1u));
}

} // namespace VxSim

#endif // MVSDK_SIM_VIRTUALCAMERAS_H
