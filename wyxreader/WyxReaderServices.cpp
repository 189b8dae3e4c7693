#include "wyxreader/WyxReaderServices.h"

#include "attributes/RWyxLayerElement.h"
#include "attributes/RWyxThumbnail.h"
#include "core/EulerAngles.h"
#include "core/RMatrix.h"
#include "fileio/RWyxFile.h"

namespace {

constexpr int kThumbnailVersion = 100;
constexpr int kImageEncodingRaw = 0;
constexpr int kEulerXYZ = 0;

void WriteIntField(RWyxFile& file, const char* name, int value) {
    file.FieldWriteBegin(name);
    file.FieldWriteInt(value);
    file.FieldWriteEnd();
}

}  // namespace

void ComposeMatrixTRS(RMatrix& out, const RVector4& translation, const RVector4& rotation, const RVector4& scaling) {
    out = RMatrix();
    MatrixFromTRS(out, translation, rotation, scaling, kEulerXYZ);
}

void WriteThumbnailBlock(RWyxFile& file, const RWyxThumbnail* thumbnail) {
    if (thumbnail == nullptr || thumbnail->IsEmpty()) {
        return;
    }
    file.FieldWriteBegin("Thumbnail");
    file.FieldWriteBlockBegin();
    WriteIntField(file, "Version", kThumbnailVersion);
    WriteIntField(file, "Format", thumbnail->GetDataFormat());
    WriteIntField(file, "Size", thumbnail->GetSize());
    WriteIntField(file, "ImageEncoding", kImageEncodingRaw);
    file.FieldWriteBegin("ImageData");
    const std::uint8_t* pixels = thumbnail->GetImage();
    for (std::size_t i = 0; i < thumbnail->GetImageLength(); ++i) {
        file.FieldWriteInt(pixels[i]);
    }
    file.FieldWriteEnd();
    file.FieldWriteBlockEnd();
    file.FieldWriteEnd();
}

const char* LayerElementFieldName(int kind) {
    static const char* const kNames[] = {"",
                                         "LayerElementNormal",
                                         "LayerElementMaterial",
                                         "LayerElementTexture",
                                         "LayerElementPolygonGroup",
                                         "LayerElementUV",
                                         "LayerElementColor"};
    const bool known = kind >= RWyxLayerElement::kFirstKind && kind <= RWyxLayerElement::kLastKind;
    return known ? kNames[kind] : kNames[0];
}
