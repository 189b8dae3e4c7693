#include "wyxreader/RWyxTakeInfoReader.h"

#include "attributes/RWyxThumbnail.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeInfo.h"
#include "wyxreader/RWyxReadWarnings.h"
#include "wyxreader/WyxFieldReading.h"

#include <cstdint>

using wyx_read::BlockScope;

namespace {
constexpr int kImageEncodingRaw = 0;
}

RWyxTakeInfoReader::RWyxTakeInfoReader(RWyxFile& file, RWyxObjectFactory* factory, RWyxReadWarnings& warnings)
    : file_(file), factory_(factory), warnings_(warnings) {}

RWyxThumbnail* RWyxTakeInfoReader::ReadThumbnail(const RString& owner) {
    const BlockScope block = BlockScope::Open(file_, "Thumbnail");
    if (!block || factory_ == nullptr) return nullptr;
    RWyxThumbnail* thumbnail = factory_->CreateThumbnail();
    if (thumbnail == nullptr) return nullptr;
    const int format = file_.FieldReadIntByName("Format", -1);
    const int size = file_.FieldReadIntByName("Size", -1);
    const int encoding = file_.FieldReadIntByName("ImageEncoding", kImageEncodingRaw);
    const bool known = thumbnail->SetDataFormat(format) && thumbnail->SetSize(size) && encoding == kImageEncodingRaw;
    if (!known) {
        warnings_.Add(RString("Thumbnail of ") + owner + " dropped: format " + RString(format) + ", size " +
                      RString(size) + ", encoding " + RString(encoding) + " are not all known");
    }
    if (!known || !ReadImage(*thumbnail, owner)) {
        factory_->DestroyThumbnail(thumbnail);
        return nullptr;
    }
    return thumbnail;
}

bool RWyxTakeInfoReader::ReadImage(RWyxThumbnail& thumbnail, const RString& owner) {
    std::vector<int> values;
    wyx_read::ReadIntsByName(file_, "ImageData", values);
    if (values.size() != thumbnail.GetSizeInBytes()) {
        warnings_.Add(RString("Thumbnail of ") + owner + " dropped: " + RString(static_cast<int>(values.size())) +
                      " bytes for an image of " + RString(static_cast<int>(thumbnail.GetSizeInBytes())));
        return false;
    }
    std::vector<std::uint8_t> pixels(values.size());
    int outside = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i] < 0 || values[i] > 255) ++outside;
        pixels[i] = static_cast<std::uint8_t>(values[i] & 0xff);
    }
    if (outside > 0) {
        warnings_.Add(RString("Thumbnail of ") + owner + ": " + RString(outside) +
                      " bytes outside 0 to 255 kept their low eight bits");
    }
    return thumbnail.SetImage(pixels.data(), pixels.size());
}

void RWyxTakeInfoReader::ReadTakeInfoFields(RWyxTakeInfo& info) {
    info.description = file_.FieldReadStringByName("Comments", "");
    wyx_read::ReadTimeSpanByName(file_, "LocalTime", info.localStart, info.localStop);
    wyx_read::ReadTimeSpanByName(file_, "ReferenceTime", info.referenceStart, info.referenceStop);
    info.SetThumbnail(ReadThumbnail(RString("take \"") + info.name + "\""));
}

void RWyxTakeInfoReader::ReadTakeInfos(std::vector<std::unique_ptr<RWyxTakeInfo>>& takes, RString& current) {
    takes.clear();
    current.Clear();
    bool fromSummary = false;
    if (file_.ProjectOpenSection(RWyxFile::kExtensionSection)) {
        const BlockScope summary = BlockScope::Open(file_, "Summary");
        if (summary && file_.FieldReadBegin("Takes")) {
            fromSummary = true;
            ReadTakesBlock(takes, current);
            file_.FieldReadEnd();
        }
    }
    if (!fromSummary && file_.ProjectOpenSection(RWyxFile::kMainSection) && file_.FieldReadBegin("Takes")) {
        ReadTakesBlock(takes, current);
        file_.FieldReadEnd();
    }
}

void RWyxTakeInfoReader::ReadTakesBlock(std::vector<std::unique_ptr<RWyxTakeInfo>>& takes, RString& current) {
    const BlockScope block = BlockScope::Enter(file_);
    if (!block) return;
    current = file_.FieldReadStringByName("Current", "");
    while (file_.FieldReadBegin("Take")) {
        auto info = std::make_unique<RWyxTakeInfo>();
        info->name = file_.FieldReadString();
        info->importName = info->name;
        if (const BlockScope take = BlockScope::Enter(file_)) ReadTakeInfoFields(*info);
        file_.FieldReadEnd();
        takes.push_back(std::move(info));
    }
}
