// The reader base's check on the scene it read (see fileio/RWyxReader.h).

#include "fileio/RWyxReader.h"

#include "scene/RWyxNameClashCollector.h"
#include "scene/RWyxNode.h"

#include <string>
#include <unordered_set>

bool RWyxReader::CheckDuplicateNames(RWyxNode* node, RString& text) {
    RWyxNameClashCollector collector;
    for (int kind = 0; kind < RWyxNameClashCollector::kKindCount; ++kind) {
        collector.SetKindEnabled(kind, kind == RWyxNameClashCollector::kNodes);
    }
    const std::vector<RWyxNode*>& clashing = collector.Collect(node);
    std::unordered_set<std::string> listed;
    for (const RWyxNode* clash : clashing) {
        const RString& name = clash->GetName();
        if (listed.emplace(name.Buffer(), static_cast<std::size_t>(name.GetLength())).second) {
            text += "\n    ";
            text += name;
        }
    }
    return clashing.empty();
}
