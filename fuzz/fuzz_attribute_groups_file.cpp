// "AttributeGroups.dat" as any editor, disk fault or other program may leave it, read by the real loader.
// (The file functions add only the reading and the atomic rewrite of the bytes, tested apart.)
// Whatever the bytes: the loaded groups have no two names alike, and the file the program rewrites from them
// loads back to exactly the same groups.

#include <QSet>

#include "FuzzSupport.h"
#include "core/Globals.h"
#include "core/modAttributeGroup.h"
#include "platform/DataFile.h"

namespace {

struct Group {
    QString description;
    qint32 colour;
    bool block;
    QString sound;
    bool operator==(const Group&) const = default;
};

QList<Group> loaded()
{
    QList<Group> out;
    for (const auto& entry : gAttributeGroups)
        out.append({entry.item->Description, entry.item->Color, entry.item->Block, entry.item->Sound});
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzzInit(argc, argv);
    gNetworkMode = Standalone;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The loader's own steps, as the file functions run them, minus the disk.
    gAttributeGroups = {};
    AddAttributeGroups(DataFile::parseAll(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size))));
    const QList<Group> first = loaded();
    QSet<QString> names;
    for (const Group& g : first) {
        FUZZ_CHECK(!names.contains(g.description.toUpper()));
        names.insert(g.description.toUpper());
    }
    const QByteArray rewritten = DataFile::formatAll(AttributeGroupRecords());
    gAttributeGroups = {};
    const AttributeGroupLines lines = AddAttributeGroups(DataFile::parseAll(rewritten));
    FUZZ_CHECK(lines.skipped == 0);
    FUZZ_CHECK(loaded() == first);
    gAttributeGroups = {};
    return 0;
}
