// vxcam_replay_read: the baseline of the replay benchmark. Reads and decodes
// frame dumps exactly as a replay camera does (the same reader), one after
// the other into one buffer, without the camera system: the files named one
// a line on standard input, round and round until `frames` are read. Prints
// the frames per second.
#include "dumpfile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    using namespace VxSim::detail;
    if (argc != 2) {
        std::fprintf(stderr, "usage: vxcam_replay_read FRAMES < file-list\n");
        return 2;
    }
    const long frames = std::atol(argv[1]);
    QStringList files;
    QTextStream in(stdin);
    for (QString line = in.readLine(); !line.isNull(); line = in.readLine())
        files.append(line);
    if (files.isEmpty() || frames <= 0)
        return 2;
    std::vector<uint8_t> buffer;
    QElapsedTimer timer;
    timer.start();
    for (long i = 0; i < frames; ++i) {
        QFile file(files.at(static_cast<int>(i % files.size())));
        DumpHeader header;
        QString error;
        if (!file.open(QIODevice::ReadOnly) || !readDumpHeader(file, &header, &error)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(file.fileName()), qPrintable(error));
            return 1;
        }
        buffer.resize(header.frameBytes);
        if (!readDumpFrame(file, header, buffer.data(), &error)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(file.fileName()), qPrintable(error));
            return 1;
        }
    }
    std::printf("fps=%.1f\n", frames / (timer.nsecsElapsed() / 1e9));
    return 0;
}
