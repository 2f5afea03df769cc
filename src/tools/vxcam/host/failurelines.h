// FailureLines: the tool's failure lines, "vxcam: " and one line each on
// standard error. Camera runs add them from their own threads; the main
// thread prints them between redraws of the progress display, so the two
// never cut into each other.
#ifndef VXCAM_FAILURELINES_H
#define VXCAM_FAILURELINES_H

#include <QString>
#include <QStringList>

#include <mutex>

class FailureLines {
public:
    // Any thread.
    void add(const QString &line);
    bool pending() const;
    // Prints the lines added so far. One thread.
    void print();

private:
    mutable std::mutex m_mutex;
    QStringList m_lines;
};

// Prints one failure line at once.
void printFailure(const QString &line);

#endif // VXCAM_FAILURELINES_H
