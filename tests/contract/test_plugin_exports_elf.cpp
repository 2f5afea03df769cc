// The plug-in's ELF symbol tables (Linux): the dynamic one holds the two
// entry points and nothing else; the full one carries the code of both
// drivers.
#include "pluginfile.h"

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

// The lines nm prints for the plug-in's defined symbols, with its options.
QStringList definedSymbols(QStringList options)
{
    QProcess nm;
    options << QStringLiteral("--defined-only") << pluginPath();
    nm.start(QStringLiteral("nm"), options);
    if (!nm.waitForFinished(30000) || nm.exitCode() != 0) {
        ADD_FAILURE() << "nm failed: " << nm.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(nm.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

} // namespace

TEST(PluginExports, DynamicSymbolTableHoldsOnlyTheTwoEntryPoints)
{
    QStringList exported;
    const QStringList lines = definedSymbols({QStringLiteral("-D")});
    for (const QString &line : lines) {
        const QStringList fields = line.split(' ', Qt::SkipEmptyParts);
        if (fields.size() < 3)
            continue;
        // Version nodes (type A) are the linker's, not the library's symbols.
        if (fields.at(1) == QLatin1String("A"))
            continue;
        exported << fields.at(2);
    }
    exported.sort();
    EXPECT_EQ(exported, QStringList({QStringLiteral("Camera_Create"), QStringLiteral("Camera_Delete")}))
        << exported.join(' ').toStdString();
}

TEST(PluginExports, SymbolTableCarriesTheCodeOfBothDrivers)
{
    const QStringList lines = definedSymbols({QStringLiteral("-C")});
    const auto defines = [&lines](const char *function) {
        for (const QString &line : lines) {
            const QStringList fields = line.split(' ', Qt::SkipEmptyParts);
            // Code only: type t or T, then the demangled name.
            if (fields.size() >= 3 && fields.at(1).compare(QLatin1String("t"), Qt::CaseInsensitive) == 0
                && line.contains(QLatin1String(function)))
                return true;
        }
        return false;
    };
    for (const char *function :
         {"CCameraDahua::IOpenCamera()", "CCameraDahua::IStartCamera()", "CCameraDahua::onGetFrame(",
          "CCameraDahua::SetParams(", "CCameraDahuaV2::IOpenCamera()"})
        EXPECT_TRUE(defines(function)) << function;
}
