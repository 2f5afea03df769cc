// CameraConnections: whether the SDK still has a camera connected, asked
// through the tool's own discovery.
#include "cameraconnections.h"
#include "simsession.h"
#include "waitfor.h"

#include <gtest/gtest.h>

TEST(CameraConnections, ACameraTheFirstDiscoveryMissedIsLookedForAgain)
{
    // Off for a while: the first discovery does not list it.
    SimSession session(R"({"cameras": [{"key": "Conn:LATE", "bootSeconds": 1},
                                       {"key": "Conn:HERE"}]})");
    ASSERT_TRUE(session.loaded()) << session.loadError().toStdString();
    const CameraConnections connections({QStringLiteral("Conn:LATE"), QStringLiteral("Conn:HERE")});
    ASSERT_EQ(session.traceLines("discovery ").size(), 1);
    ASSERT_TRUE(session.traceLines("discovery ").front().endsWith("-> 1"));
    // Found later, it is judged by what the SDK says: nobody connected it.
    EXPECT_TRUE(waitFor([&] { return !connections.connected(QStringLiteral("Conn:LATE")); }));
    EXPECT_FALSE(connections.connected(QStringLiteral("Conn:HERE")));
    // A camera found needs no further discovery, nor does a key not asked about.
    const qsizetype discoveries = session.traceLines("discovery ").size();
    EXPECT_TRUE(connections.connected(QStringLiteral("Conn:OTHER")));
    EXPECT_FALSE(connections.connected(QStringLiteral("Conn:LATE")));
    EXPECT_EQ(session.traceLines("discovery ").size(), discoveries);
}
