#include "plugin/VexaRenamingStrategy.h"

RString VexaRenamingStrategy::CleanHostName(const RString& name, char replacement) const {
    // The base's cleaning keeps ASCII letters and digits only, byte by byte.
    const int colon = name.FindChar(':');
    if (colon < 0) {
        namespace_ = "";
        return RRenamingStrategy::CleanName(name, replacement);
    }
    namespace_ = RRenamingStrategy::CleanName(name.FirstChars(colon), replacement);
    return RRenamingStrategy::CleanName(name.SubstringFrom(colon + 1), replacement);
}
