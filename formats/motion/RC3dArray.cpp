#include "formats/motion/RC3dArray.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

RC3dArray::RC3dArray(std::uint32_t type, std::vector<int> dimensions)
    : RC3dArray(type, std::move(dimensions), kMaxBytes) {}

RC3dArray::RC3dArray(std::uint32_t type, std::vector<int> dimensions, std::int64_t storedLimit)
    : type_(type), dimensions_(std::move(dimensions)) {
    if (type != kCharacter && type != kByte && type != kWord && type != kSignedWord && type != kFloat) {
        return;
    }
    const std::int64_t bytes = GetElementCount() * GetElementSize();
    if (bytes > kMaxBytes) {
        return;
    }
    const std::int64_t limit = storedLimit > 0 ? storedLimit - storedLimit % GetElementSize() : 0;
    bytes_.assign(static_cast<std::size_t>(bytes < limit ? bytes : limit), 0);
    valid_ = true;
}

RC3dArray RC3dArray::Word(int value) {
    RC3dArray array(kSignedWord, {});
    array.SetInteger(0, value);
    return array;
}

RC3dArray RC3dArray::Float(float value) {
    RC3dArray array(kFloat, {});
    array.SetFloat(0, value);
    return array;
}

RC3dArray RC3dArray::Text(const std::string& text) {
    RC3dArray array(kCharacter, {static_cast<int>(text.size())});
    std::memcpy(array.bytes_.data(), text.data(), array.bytes_.size());
    return array;
}

RC3dArray RC3dArray::TextRows(const std::vector<std::string>& rows, int length) {
    RC3dArray array(kCharacter, {length, static_cast<int>(rows.size())});
    if (!array.valid_) {
        return array;
    }
    std::fill(array.bytes_.begin(), array.bytes_.end(), ' ');
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::size_t size = rows[i].size() < static_cast<std::size_t>(length) ? rows[i].size() : length;
        std::memcpy(array.bytes_.data() + i * static_cast<std::size_t>(length), rows[i].data(), size);
    }
    return array;
}

int RC3dArray::GetFileType() const {
    switch (type_) {
        case kCharacter:
            return -1;
        case kFloat:
            return 4;
        case kWord:
        case kSignedWord:
            return 2;
        default:
            return 1;
    }
}

int RC3dArray::GetDimension(int index) const {
    return index >= 0 && index < GetDimensionCount() ? dimensions_[static_cast<std::size_t>(index)] : 0;
}

std::int64_t RC3dArray::GetElementCount() const { return CountOf(dimensions_); }

// Stops counting once past kMaxBytes, so that 255 dimensions of 255 cannot overflow.
std::int64_t RC3dArray::CountOf(const std::vector<int>& dimensions) {
    std::int64_t count = 1;
    for (int dimension : dimensions) {
        count *= dimension;
        if (count > kMaxBytes) {
            return kMaxBytes + 1;
        }
    }
    return count;
}

std::int64_t RC3dArray::GetInteger(std::int64_t index) const {
    if (type_ == kFloat) {
        const double value = GetDouble(index);
        return std::isfinite(value) && std::fabs(value) < 9.2e18 ? static_cast<std::int64_t>(value) : 0;
    }
    const int size = GetElementSize();
    if (index < 0 || (index + 1) * size > static_cast<std::int64_t>(bytes_.size())) {
        return 0;
    }
    const std::uint8_t* at = bytes_.data() + index * size;
    switch (type_) {
        case kWord: {
            std::uint16_t word = 0;
            std::memcpy(&word, at, 2);
            return word;
        }
        case kSignedWord: {
            std::int16_t word = 0;
            std::memcpy(&word, at, 2);
            return word;
        }
        default:
            return *at;
    }
}

double RC3dArray::GetDouble(std::int64_t index) const {
    if (type_ != kFloat) {
        return static_cast<double>(GetInteger(index));
    }
    if (index < 0 || (index + 1) * 4 > static_cast<std::int64_t>(bytes_.size())) {
        return 0.0;
    }
    float value = 0.0f;
    std::memcpy(&value, bytes_.data() + index * 4, 4);
    return value;
}

void RC3dArray::SetInteger(std::int64_t index, int value) {
    const int size = GetElementSize();
    if (type_ == kFloat || index < 0 || (index + 1) * size > static_cast<std::int64_t>(bytes_.size())) {
        return;
    }
    std::uint8_t* at = bytes_.data() + index * size;
    if (size == 2) {
        const std::uint16_t word = static_cast<std::uint16_t>(value);
        std::memcpy(at, &word, 2);
    } else {
        *at = static_cast<std::uint8_t>(value);
    }
}

void RC3dArray::SetFloat(std::int64_t index, float value) {
    if (type_ == kFloat && index >= 0 && (index + 1) * 4 <= static_cast<std::int64_t>(bytes_.size())) {
        std::memcpy(bytes_.data() + index * 4, &value, 4);
    }
}

RC3dArray RC3dArray::GetRow(int index) const {
    const int count = GetDimensionCount();
    if (count == 0 || index < 0 || index >= dimensions_.back()) {
        return RC3dArray();
    }
    // The row stores no more than this array does from its start.
    const std::vector<int> rowDimensions(dimensions_.begin(), dimensions_.end() - 1);
    const std::int64_t size = CountOf(rowDimensions) * GetElementSize();
    const std::int64_t begin = static_cast<std::int64_t>(index) * size;
    const std::int64_t stored = static_cast<std::int64_t>(bytes_.size()) - begin;
    RC3dArray row(type_, rowDimensions, stored);
    if (!row.bytes_.empty()) {
        std::memcpy(row.bytes_.data(), bytes_.data() + begin, row.bytes_.size());
    }
    return row;
}

std::string RC3dArray::GetText() const {
    const auto end = std::find(bytes_.begin(), bytes_.end(), std::uint8_t{0});
    return std::string(bytes_.begin(), end);
}
