#include "fsbuild/iso9660/iso_source_tree.h"

#include "fsbuild/iso9660/iso_identifiers.h"

#include "platform/debug/debug.h"

namespace iso9660 {

void BuildIsoTree(const SourceEntry* first, IsoNode& root)
{
    root.isDirectory = true;
    PrimaryNameSet primaryNames;
    for (const SourceEntry* entry = first; entry != nullptr; entry = entry->next) {
        IsoNode& node = root.children.emplace_back();
        node.primaryName = primaryNames.Unique(MapPrimaryIdentifier(entry->wideName));
        node.jolietName = BoundJolietName(entry->wideName);
        if (node.jolietName.size() < entry->wideName.size())
            platform::DebugPrintf("ISO: Joliet name of %s cut to 64 characters", entry->sourcePath.c_str());
        node.date = IsoDateFromFileTime(entry->creationTime);
        if (entry->isDirectory)
            BuildIsoTree(entry->child, node);
        else {
            node.sourcePath = entry->sourcePath;
            node.size = entry->size;
        }
    }
}

} // namespace iso9660
