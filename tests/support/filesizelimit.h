// FileSizeLimit: makes this process's writes to regular files fail beyond a
// size, as a full disk makes them fail, without root or a special file
// system. Pipes and terminals are not affected.
#ifndef VXCAM_TESTS_FILESIZELIMIT_H
#define VXCAM_TESTS_FILESIZELIMIT_H

#include <cstdint>

class FileSizeLimit {
public:
    // Files cannot grow beyond `bytes` while the object lives.
    explicit FileSizeLimit(uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    // False where the platform offers no such limit (the test then skips).
    bool active() const { return m_active; }

private:
    bool m_active = false;
    uint64_t m_previous = 0;
};

#endif // VXCAM_TESTS_FILESIZELIMIT_H
