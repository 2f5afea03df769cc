// The plug-in's PE export table (Windows): the two entry points, undecorated,
// and nothing else, not even an export by ordinal only.
#include "pluginfile.h"

#include <QFile>
#include <QStringList>
#include <QtEndian>

#include <gtest/gtest.h>

#include <optional>
#include <utility>

namespace {

// What the export directory of a 64-bit PE file says.
struct PeExports {
    quint16 machine = 0;
    QString dllName;
    quint32 functionCount = 0;
    QStringList names;
};

class PeReader {
public:
    explicit PeReader(QByteArray bytes)
        : m_bytes(std::move(bytes))
    {
    }

    std::optional<PeExports> exports(QString *error)
    {
        const auto fail = [error](const char *what) {
            *error = QString::fromLatin1(what);
            return std::nullopt;
        };
        if (!m_bytes.startsWith("MZ"))
            return fail("no MZ header");
        const auto peOffset = u32(0x3C);
        if (!peOffset || m_bytes.mid(*peOffset, 4) != QByteArray("PE\0\0", 4))
            return fail("no PE signature");
        const quint32 coff = *peOffset + 4;
        const auto machine = u16(coff);
        const auto sectionCount = u16(coff + 2);
        const auto optionalSize = u16(coff + 16);
        const quint32 optional = coff + 20;
        if (!machine || !sectionCount || !optionalSize || u16(optional) != quint16(0x20B))
            return fail("no PE32+ optional header");
        const auto directoryCount = u32(optional + 108);
        if (!directoryCount || *directoryCount < 1)
            return fail("no data directories");
        const auto exportRva = u32(optional + 112);
        if (!exportRva || *exportRva == 0)
            return fail("no export directory");
        m_sections = optional + *optionalSize;
        m_sectionCount = *sectionCount;

        const auto directory = fileOffset(*exportRva);
        if (!directory)
            return fail("export directory outside every section");
        PeExports result;
        result.machine = *machine;
        const auto nameRva = u32(*directory + 12);
        const auto functionCount = u32(*directory + 20);
        const auto nameCount = u32(*directory + 24);
        const auto namesRva = u32(*directory + 32);
        if (!nameRva || !functionCount || !nameCount || !namesRva)
            return fail("export directory cut short");
        result.dllName = text(*nameRva);
        result.functionCount = *functionCount;
        const auto names = fileOffset(*namesRva);
        for (quint32 i = 0; names && i < *nameCount; ++i) {
            const auto rva = u32(*names + 4 * i);
            if (!rva)
                return fail("name table cut short");
            result.names << text(*rva);
        }
        return result;
    }

private:
    std::optional<quint16> u16(quint32 at) const
    {
        if (qint64(at) + 2 > m_bytes.size())
            return std::nullopt;
        return qFromLittleEndian<quint16>(m_bytes.constData() + at);
    }

    std::optional<quint32> u32(quint32 at) const
    {
        if (qint64(at) + 4 > m_bytes.size())
            return std::nullopt;
        return qFromLittleEndian<quint32>(m_bytes.constData() + at);
    }

    // Where an address relative to the loaded image lies in the file.
    std::optional<quint32> fileOffset(quint32 rva) const
    {
        for (quint32 i = 0; i < m_sectionCount; ++i) {
            const quint32 header = m_sections + 40 * i;
            const auto virtualSize = u32(header + 8);
            const auto virtualAddress = u32(header + 12);
            const auto rawData = u32(header + 20);
            if (!virtualSize || !virtualAddress || !rawData)
                return std::nullopt;
            if (rva >= *virtualAddress && rva - *virtualAddress < *virtualSize)
                return *rawData + (rva - *virtualAddress);
        }
        return std::nullopt;
    }

    QString text(quint32 rva) const
    {
        const auto at = fileOffset(rva);
        if (!at || *at >= quint32(m_bytes.size()))
            return {};
        return QString::fromLatin1(m_bytes.constData() + *at);
    }

    QByteArray m_bytes;
    quint32 m_sections = 0;
    quint32 m_sectionCount = 0;
};

} // namespace

TEST(PluginExports, ExportTableHoldsOnlyTheTwoEntryPointsUndecorated)
{
    QFile file(pluginPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.errorString().toStdString();
    QString error;
    const std::optional<PeExports> exports = PeReader(file.readAll()).exports(&error);
    ASSERT_TRUE(exports) << error.toStdString();
    EXPECT_EQ(exports->machine, 0x8664) << "x86-64";
    EXPECT_EQ(exports->dllName, QStringLiteral("vxCam_180d.dll"));
    QStringList names = exports->names;
    names.sort();
    EXPECT_EQ(names, QStringList({QStringLiteral("Camera_Create"), QStringLiteral("Camera_Delete")}))
        << names.join(' ').toStdString();
    EXPECT_EQ(exports->functionCount, 2u) << "an export by ordinal only";
}
