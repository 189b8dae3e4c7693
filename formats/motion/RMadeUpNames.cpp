#include "formats/motion/RMadeUpNames.h"

#include "scene/RWyxObjectFactory.h"

RString RMadeUpNames::AsNodeName(const char* name) { return BuildPrefixedName("", name); }

void RMadeUpNames::Take(const char* name) { taken_.insert(AsNodeName(name).Buffer()); }

bool RMadeUpNames::IsTaken(const std::string& name) const {
    return taken_.count(AsNodeName(name.c_str()).Buffer()) != 0;
}

std::string RMadeUpNames::MakeUp(const std::string& name) {
    std::string made = name;
    if (IsTaken(made)) {
        int& number = next_.emplace(name, 1).first->second;
        do {
            made = name + std::to_string(number++);
        } while (IsTaken(made));
    }
    Take(made.c_str());
    return made;
}
