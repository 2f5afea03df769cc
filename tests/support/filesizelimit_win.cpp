#include "filesizelimit.h"

// Windows has no per-process file size limit: the tests that need one skip.
FileSizeLimit::FileSizeLimit(uint64_t bytes)
    : m_previous(bytes)
{
}

FileSizeLimit::~FileSizeLimit() = default;
