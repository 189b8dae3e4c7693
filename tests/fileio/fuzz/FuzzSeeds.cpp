// Writes the seed files of the fuzz targets into a folder: WYX files of every form (the
// container's sample content, property blocks of both formats)
// and TIFF files of several layouts. Run: wyx_fuzz_seeds <folder>; it makes the folders
// wyx/, properties/ and tiff/ in it.

#include "core/RDataType.h"
#include "core/RTypedProperty.h"
#include "core/RWyxPropertyHandler.h"
#include "fileio/RImageBuffer.h"
#include "fileio/RWyxPropertyFile.h"
#include "fileio/TiffImage.h"
#include "platform/NativeFiles.h"
#include "tests/support/WyxFileTestSupport.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

bool WriteContainers(const std::string& folder) {
    bool ok = true;
    for (const WyxForm form : {WyxForm::kBinary, WyxForm::kAscii, WyxForm::kEncrypted}) {
        RWyxFile file;
        ok = ok && CreateInForm(file, folder + "/sample-" + FormName(form) + ".wyx", form);
        WriteSampleContent(file);
        ok = ok && file.Close();
    }
    return ok;
}

bool WriteProperties(const std::string& folder) {
    std::unique_ptr<RWyxPropertyHandler, RPlugDestroyer> source(CreatePlugObject<RWyxPropertyHandler>(nullptr));
    source->CreateProperty("Size", kPropertyTypeInt, &RDataType::Integer(), true, true, nullptr)->SetInt(3);
    source->CreateProperty("Color", kPropertyTypeColorRGB, &RDataType::Color(), false, true, nullptr);
    source->CreateProperty("Name", kPropertyTypeString, nullptr, false, true, nullptr);
    source->CreateProperty("Speed", kPropertyTypeDouble, &RDataType::Number(), true, true, nullptr)->SetLabel("m/s");
    std::vector<RProperty*> properties;
    for (int i = 0; i < source->GetPropertyCount(); ++i) {
        properties.push_back(source->GetProperty(i));
    }
    bool ok = true;
    for (const WyxForm form : {WyxForm::kBinary, WyxForm::kAscii}) {
        for (const bool v5 : {false, true}) {
            RWyxPropertyFile file;
            file.SetV5PropertyFormat(v5);
            ok = ok && CreateInForm(file.GetFile(), folder + "/properties-" + FormName(form) + (v5 ? "5" : "6") + ".wyx",
                                    form);
            ok = ok && file.WritePropertyBlock(properties);
            file.GetFile().FieldWriteBegin("Model");
            file.GetFile().FieldWriteBlockBegin();
            ok = ok && file.WritePropertyBlock(properties);
            ok = ok && file.GetFile().Close();
        }
    }
    return ok;
}

bool WriteTiffs(const std::string& folder) {
    bool ok = true;
    for (int channels = 1; channels <= RImageBuffer::kMaxChannels; ++channels) {
        for (const bool deflate : {false, true}) {
            RImageBuffer image;
            ok = ok && image.Init(13, 7, true, RImageBuffer::kType8Bit, channels);
            for (std::size_t i = 0; ok && i < image.GetPixelByteCount(); ++i) {
                image.GetPixels()[i] = static_cast<unsigned char>(i * 37);
            }
            const std::string name = folder + "/image-" + std::to_string(channels) + (deflate ? "z" : "") + ".tif";
            ok = ok && WriteImageAsTiff(name.c_str(), deflate, image);
        }
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::string root = argv[1];
    for (const char* sub : {"", "/wyx", "/properties", "/tiff"}) {
        platform::MakeDirectory((root + sub).c_str());
    }
    const bool ok = WriteContainers(root + "/wyx") && WriteProperties(root + "/properties") &&
                    WriteTiffs(root + "/tiff");
    if (!ok) {
        std::fprintf(stderr, "the seeds could not be written\n");
    }
    return ok ? 0 : 1;
}
