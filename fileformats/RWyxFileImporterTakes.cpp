// The importer's take selection (see fileio/RWyxFileImporter.h).

#include "fileio/RWyxFileImporter.h"

#include "scene/RWyxTakeInfo.h"

void RWyxFileImporter::SelectTakes(RStreamOptionsWyx& options) const {
    for (const RWyxTakeInfo* info : header_.takeInfos) {
        if (info == nullptr) {
            continue;
        }
        const int before = options.GetTakeCount();
        const int index = options.AddTake(info->name.Buffer());
        if (RStreamTakeEntry* entry = options.GetTake(index)) {
            // Two takes of one name share an entry, read when either is selected.
            entry->selected = index < before ? entry->selected || info->selected : info->selected;
        }
    }
}
