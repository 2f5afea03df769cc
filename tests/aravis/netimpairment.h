// Network faults on purpose inside the test's private network namespace,
// through scripts/netns.sh's netns_impair_* helpers (nftables on the output
// hook). An ImpairmentScope clears every impairment when it ends.
#ifndef VXCAM_TESTS_NETIMPAIRMENT_H
#define VXCAM_TESTS_NETIMPAIRMENT_H

#include <QString>
#include <QStringList>

// Runs netns_impair_<helper> with these arguments to its end, e.g.
// impair({"stream_loss", "0.1", "127.0.0.2"}), or impair({"stream_outage", "1"})
// which returns once the outage is over; false with *error.
bool impair(const QStringList &helperAndArguments, QString *error);

struct ImpairmentScope {
    ImpairmentScope() = default;
    ~ImpairmentScope();
    ImpairmentScope(const ImpairmentScope &) = delete;
    ImpairmentScope &operator=(const ImpairmentScope &) = delete;
};

#endif // VXCAM_TESTS_NETIMPAIRMENT_H
