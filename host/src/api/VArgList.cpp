#include <vexa/VArgList.h>

#include <cstring>

namespace {

VStatus badArgument(unsigned index) {
    return VStatus(VStatus::kInvalidParameter, VString("argument ") + index + " is missing or of another kind");
}

}  // namespace

unsigned VArgList::length(VStatus* status) const {
    if (status != nullptr) *status = VStatus();
    return arguments_.length();
}

VString VArgList::asString(unsigned index, VStatus* status) const {
    const bool present = index < arguments_.length();
    if (status != nullptr) *status = present ? VStatus() : badArgument(index);
    return present ? arguments_[index] : VString();
}

bool VArgList::asBool(unsigned index, VStatus* status) const {
    if (index >= arguments_.length()) {
        if (status != nullptr) *status = badArgument(index);
        return false;
    }
    const VString text = arguments_[index].toLowerCase();
    if (status != nullptr) *status = VStatus();
    if (text == "true" || text == "on" || text == "yes") return true;
    if (text == "false" || text == "off" || text == "no") return false;
    if (text.isDouble()) return text.asDouble() != 0.0;
    if (status != nullptr) *status = badArgument(index);
    return false;
}

int VArgList::asInt(unsigned index, VStatus* status) const {
    const bool valid = index < arguments_.length() && arguments_[index].isInt();
    if (status != nullptr) *status = valid ? VStatus() : badArgument(index);
    return valid ? arguments_[index].asInt() : 0;
}

double VArgList::asDouble(unsigned index, VStatus* status) const {
    const bool valid = index < arguments_.length() && arguments_[index].isDouble();
    if (status != nullptr) *status = valid ? VStatus() : badArgument(index);
    return valid ? arguments_[index].asDouble() : 0.0;
}

unsigned VArgList::flagIndex(const char* shortFlag, const char* longFlag) const {
    for (unsigned i = 0; i < arguments_.length(); ++i) {
        if ((shortFlag != nullptr && arguments_[i] == shortFlag) || (longFlag != nullptr && arguments_[i] == longFlag)) {
            return i;
        }
    }
    return kInvalidArgIndex;
}

VStatus VArgList::addArg(const VString& argument) {
    arguments_.append(argument);
    return VStatus();
}

VStatus VArgList::addArg(int value) { return addArg(VString::fromInt(value)); }

VStatus VArgList::addArg(double value) { return addArg(VString::fromDouble(value)); }
