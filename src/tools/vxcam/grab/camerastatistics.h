// What the camera SDK counts for one camera: frames it could not deliver.
#ifndef VXCAM_CAMERASTATISTICS_H
#define VXCAM_CAMERASTATISTICS_H

#include <QString>

// Frames of the camera with this key that the SDK could not deliver whole
// (arrived incomplete, or never reached a buffer), since the process
// started. A run shows the difference between its start and its end.
quint64 undeliveredFrames(const QString &key);
// Frames the SDK estimates silences at the end of free runs held (frames
// stopped coming before the run ended), likewise since the process started.
quint64 estimatedMissedFrames(const QString &key);

#endif // VXCAM_CAMERASTATISTICS_H
