// ProgressBar: one line on standard error, redrawn in place.
#ifndef VXCAM_PROGRESSBAR_H
#define VXCAM_PROGRESSBAR_H

class ProgressBar {
public:
    explicit ProgressBar(bool enabled)
        : m_enabled(enabled)
    {
    }
    void update(int done, int target, double framesPerSecond);
    // Ends the line so that later output starts on a fresh one.
    void finish();

private:
    bool m_enabled;
    bool m_drawn = false;
};

#endif // VXCAM_PROGRESSBAR_H
