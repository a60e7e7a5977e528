// "AttributeGroups.dat" as any editor, disk fault or other program may leave it, read by the real loader.
// Whatever the bytes: the loaded groups have no two names alike, and the file the program rewrites from them
// loads back to exactly the same groups.

#include <QFile>

#include "FuzzSupport.h"
#include "core/Globals.h"
#include "core/modAttributeGroup.h"

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
    const QString path = defaultAttributeGroupsFile();
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    gAttributeGroups = {};
    LoadAttributeGroupsFromFile(path);
    const QList<Group> first = loaded();
    QSet<QString> names;
    for (const Group& g : first) {
        FUZZ_CHECK(!names.contains(g.description.toUpper()));
        names.insert(g.description.toUpper());
    }
    RefreshAttributeGroupFile();
    gAttributeGroups = {};
    LoadAttributeGroupsFromFile(path);
    FUZZ_CHECK(loaded() == first);
    gAttributeGroups = {};
    return 0;
}
