#include "latestframe.h"

#include <cstring>

void LatestFrame::publish(const uchar *data, qsizetype size, quint32 number)
{
    ViewFrame &slot = m_slots[m_back];
    if (slot.bytes.size() != size)
        slot.bytes.resize(size);
    std::memcpy(slot.bytes.data(), data, size_t(size));
    slot.number = number;
    m_back = m_middle.exchange(m_back | kFresh, std::memory_order_acq_rel) & 3;
}

const ViewFrame *LatestFrame::takeNewest()
{
    if ((m_middle.load(std::memory_order_acquire) & kFresh) == 0)
        return nullptr;
    m_front = m_middle.exchange(m_front, std::memory_order_acq_rel) & 3;
    return &m_slots[m_front];
}
