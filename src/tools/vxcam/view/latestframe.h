// LatestFrame: hands the newest frame from the grabbing thread to the window
// thread. Three slots: the writer fills its own, then swaps it with the
// middle one in one atomic step; the reader swaps the middle one for its own
// when it holds a newer frame. No frame waits in a queue, the writer never
// waits for the reader, and a frame the reader did not take in time is
// overwritten by the next one.
#ifndef VXCAM_LATESTFRAME_H
#define VXCAM_LATESTFRAME_H

#include <QByteArray>

#include <array>
#include <atomic>

struct ViewFrame {
    QByteArray bytes;
    quint32 number = 0; // the camera object's frame number
};

class LatestFrame {
public:
    // Writer (one thread at a time): copies size bytes as the newest frame.
    void publish(const uchar *data, qsizetype size, quint32 number);
    // Reader (one thread): the newest frame when one came since the last
    // call, else null. It stays valid and unchanged until the next call.
    const ViewFrame *takeNewest();

private:
    static constexpr int kFresh = 4;
    std::array<ViewFrame, 3> m_slots;
    int m_back = 0;  // writer's slot
    int m_front = 1; // reader's slot
    std::atomic<int> m_middle {2};
};

#endif // VXCAM_LATESTFRAME_H
