#include "filesizelimit.h"

#include <csignal>

#include <sys/resource.h>

FileSizeLimit::FileSizeLimit(uint64_t bytes)
{
    rlimit limit {};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0)
        return;
    m_previous = limit.rlim_cur;
    // A write beyond the limit then fails with EFBIG instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

FileSizeLimit::~FileSizeLimit()
{
    if (!m_active)
        return;
    rlimit limit {};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(m_previous);
    setrlimit(RLIMIT_FSIZE, &limit);
}
