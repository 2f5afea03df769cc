#include "progressbar.h"

#include <algorithm>
#include <cstdio>

void ProgressBar::update(int done, int target, double framesPerSecond)
{
    if (!m_enabled)
        return;
    constexpr int kWidth = 30;
    const int filled = target > 0 ? std::min(kWidth, done * kWidth / target) : 0;
    char bar[kWidth + 1];
    for (int i = 0; i < kWidth; ++i)
        bar[i] = i < filled ? '#' : '-';
    bar[kWidth] = '\0';
    std::fprintf(stderr, "\r[%s] %d/%d frames  %.1f fps ", bar, done, target, framesPerSecond);
    std::fflush(stderr);
    m_drawn = true;
}

void ProgressBar::finish()
{
    if (m_enabled && m_drawn) {
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }
    m_drawn = false;
}
