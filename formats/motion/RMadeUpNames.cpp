#include "formats/motion/RMadeUpNames.h"

#include "scene/RWyxObjectFactory.h"

namespace {

// The text's first length bytes, fewer where the cut would split a UTF-8 character.
std::string CutAtCharacter(const std::string& text, std::size_t length) {
    if (text.size() <= length) {
        return text;
    }
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xc0) == 0x80) {
        --length;
    }
    return text.substr(0, length);
}

}  // namespace

RString RMadeUpNames::AsNodeName(const char* name) { return BuildPrefixedName("", name); }

void RMadeUpNames::Take(const char* name) { taken_.insert(AsNodeName(name).Buffer()); }

bool RMadeUpNames::IsTaken(const std::string& name) const {
    return taken_.count(AsNodeName(name.c_str()).Buffer()) != 0;
}

std::string RMadeUpNames::MakeUp(const std::string& stem, const std::string& ending, std::size_t maxLength) {
    const auto named = [&stem, &ending, maxLength](const std::string& number) {
        const std::size_t fixed = ending.size() + number.size();
        return CutAtCharacter(stem, maxLength > fixed ? maxLength - fixed : 0) + ending + number;
    };
    std::string made = named("");
    if (IsTaken(made)) {
        int& number = next_.emplace(stem + ending, 1).first->second;
        do {
            made = named(std::to_string(number++));
        } while (IsTaken(made));
    }
    Take(made.c_str());
    return made;
}
