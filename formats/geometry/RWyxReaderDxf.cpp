#include "formats/geometry/RWyxReaderDxf.h"

#include "formats/geometry/DxfParser.h"
#include "formats/geometry/DxfSceneBuilder.h"
#include "formats/geometry/RStreamOptionsDxf.h"

#include <new>
#include <string>

RWyxReaderDxf::RWyxReaderDxf(RWyxObjectFactory* factory) : RWyxGeometryFileReader(factory) {}

RStreamOptionsPtr RWyxReaderDxf::GetReadOptions(bool /*quiet*/) { return RStreamOptionsPtr(RStreamOptionsDxf::Create()); }

bool RWyxReaderDxf::Read(RWyxScene* scene, RStreamOptions* options) {
    if (!IsFileOpen()) {
        SetError(kErrorNotOpened, "No file is open");
        return false;
    }
    std::string bytes;
    return ReadOpenFile(bytes) && ReadBytes(scene, options, bytes);
}

bool RWyxReaderDxf::ReadBytes(RWyxScene* scene, RStreamOptions* options, std::string_view bytes) {
    if (scene == nullptr || options == nullptr || !options->Is(RStreamOptionsDxf::ClassId())) {
        SetError(kErrorOptionsNotSet, "");
        return false;
    }
    auto& dxfOptions = static_cast<RStreamOptionsDxf&>(*options);
    try {
        DxfParser parser;
        DxfDocument document;
        if (!parser.Parse(bytes, document)) {
            SetWarningCount(parser.GetWarningCount());
            SetError(kErrorCorrupted, RString("File is corrupted: ") + parser.GetError().c_str());
            return false;
        }
        if (parser.GetWarningCount() > 0) {
            MessageText() += RString("Values that are not numbers ignored: ") + parser.GetWarningCount() + "\n";
        }
        DxfSceneBuilder::Settings settings;
        settings.grouping = dxfOptions.GetObjectDerivation();
        settings.weld = dxfOptions.IsOn(RStreamOptionsDxf::kWeldVertices);
        const RString referenceName = ReferenceNodeName();
        settings.referenceName =
            dxfOptions.IsOn(RStreamOptionsDxf::kCreateReferenceNode) ? referenceName.Buffer() : nullptr;
        settings.insertBudget = bytes.size() * kInsertBudgetPerByte + kInsertAllowance;
        DxfSceneBuilder builder(*GetFactory(), MessageText());
        const bool built = builder.Build(document, *scene, settings);
        SetWarningCount(parser.GetWarningCount() + builder.GetWarningCount());
        if (!built) SetError(kErrorUnidentified, builder.GetError().c_str());
        return built;
    } catch (const std::bad_alloc&) {
        SetError(kErrorUnidentified, "Out of memory while reading the DXF file");
        return false;
    }
}
