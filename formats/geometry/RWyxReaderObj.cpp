#include "formats/geometry/RWyxReaderObj.h"

#include "core/FilePaths.h"
#include "formats/geometry/GeometryText.h"
#include "formats/geometry/ObjParser.h"
#include "formats/geometry/ObjSceneBuilder.h"
#include "formats/geometry/RStreamOptionsObj.h"
#include "scene/RWyxScene.h"

#include <new>
#include <vector>

RWyxReaderObj::RWyxReaderObj(RWyxObjectFactory* factory) : RWyxGeometryFileReader(factory) {}

RStreamOptionsPtr RWyxReaderObj::GetReadOptions(bool /*quiet*/) { return RStreamOptionsPtr(RStreamOptionsObj::Create()); }

bool RWyxReaderObj::Read(RWyxScene* scene, RStreamOptions* options) {
    std::string bytes;
    return ReadOpenFile(bytes) && ReadBytes(scene, options, bytes);
}

bool RWyxReaderObj::LoadLibrary(const std::string& name, std::string& bytes) const {
    if (librarySource_) return librarySource_(name, bytes);
    std::FILE* file = nullptr;
    if (!OpenFileUtf8(file, name.c_str(), "rt")) {
        RString folder;
        GetFileDirectory(folder, GetPath().Buffer());
        RString joined;
        MakeAbsolutePath(joined, folder.Buffer(), name.c_str());
        if (folder.IsEmptyText() || !OpenFileUtf8(file, joined.Buffer(), "rt")) return false;
    }
    const bool read = ReadRestOfStream(file, bytes);
    std::fclose(file);
    return read;
}

bool RWyxReaderObj::ReadBytes(RWyxScene* scene, RStreamOptions* options, std::string_view bytes) {
    if (scene == nullptr || options == nullptr || !options->Is(RStreamOptionsObj::ClassId())) {
        SetError(kErrorOptionsNotSet, "");
        return false;
    }
    const bool reference = static_cast<RStreamOptionsObj*>(options)->IsOn(RStreamOptionsObj::kCreateReferenceNode);
    try {
        ObjParser parser;
        ObjDocument document;
        const bool parsed = parser.Parse(bytes, document);
        MessageText() += parser.GetWarnings().c_str();
        int warnings = parser.GetWarningCount();
        if (!parsed) {
            SetWarningCount(warnings);
            SetError(kErrorCorrupted, RString("File is corrupted: ") + parser.GetError().c_str());
            return false;
        }
        std::vector<MtlLibrary> libraries;
        bool libraryMissing = false;
        for (const std::string& name : document.libraries) {
            std::string libraryBytes;
            if (!LoadLibrary(name, libraryBytes)) {
                libraryMissing = true;
                continue;
            }
            libraries.emplace_back();
            ObjParser::ParseMaterialLibrary(libraryBytes, libraries.back());
        }
        if (libraryMissing) {
            MessageText() += "Unable to load material library\n";
            ++warnings;
        }
        ObjSceneBuilder builder(*GetFactory(), MessageText());
        const RString referenceName = ReferenceNodeName();
        const bool built = builder.Build(document, libraries, *scene, reference ? referenceName.Buffer() : nullptr);
        SetWarningCount(warnings + builder.GetWarningCount());
        if (!built) SetError(kErrorUnidentified, builder.GetError().c_str());
        return built;
    } catch (const std::bad_alloc&) {
        SetError(kErrorUnidentified, "Out of memory while reading the OBJ file");
        return false;
    }
}
