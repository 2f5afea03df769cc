// The progress display of `vxcam grab` and the log lines that come while it
// stands: a line never lands on the progress lines.
#include "progressdisplay.h"

#include <QDebug>

#include <gtest/gtest.h>

#include <string>
#include <thread>

TEST(ProgressDisplay, ALogLineClearsTheLinesFirstAndTheyAreDrawnAgainBelowIt)
{
    testing::internal::CaptureStderr();
    {
        ProgressDisplay display(true);
        display.show({{"Cam:A", 3, 10, 1.0, {}}, {"Cam:B", 5, 10, 2.0, {}}});
        std::thread([] { qWarning("a log line"); }).join();
        display.finish();
    }
    qWarning("after the display");
    const std::string out = testing::internal::GetCapturedStderr();

    const std::size_t log = out.find("a log line\n");
    ASSERT_NE(log, std::string::npos) << out;
    // Up over the two lines, to their start, cleared to the end of the screen.
    EXPECT_EQ(out.rfind("\x1b[1A\r\x1b[J", log), log - 8) << out;
    EXPECT_EQ(out.find("Cam:A [", log), log + 11) << "drawn again right below: " << out;
    EXPECT_NE(out.find("Cam:B [", log), std::string::npos) << out;
    const std::string last = "\nafter the display\n";
    EXPECT_EQ(out.substr(out.size() - last.size()), last) << "no redraw once finished: " << out;
}
