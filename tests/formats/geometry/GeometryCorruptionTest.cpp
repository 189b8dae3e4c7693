// Every truncation and a spread of byte flips of valid OBJ and DXF files: the readers answer
// true or false with an error code, never crash, and never read outside their bytes.

#include "formats/geometry/RWyxReaderDxf.h"
#include "formats/geometry/RWyxReaderObj.h"
#include "formats/geometry/RWyxWriterDxf.h"
#include "formats/geometry/RWyxWriterObj.h"
#include "tests/formats/geometry/GeometryFormatTestSupport.h"

namespace geometry_format_test {
namespace {

class CorruptionTest : public GeometryFormatTest {
protected:
    // A file of our own writer's, with materials, UVs, normals and a polygon of five corners.
    template <typename Writer, typename Options>
    std::string Sample(const char* name, Options options) {
        RWyxNode* cube = AddCube("cube");
        AddMaterial(*cube->GetMesh(), "paint", 1, 0.5, 0);
        cube->GetMesh()->InitNormals(8);
        AddMeshNode("five", {{0, 0, 0, 1}, {1, 0, 0, 1}, {1, 1, 0, 1}, {0.5, 2, 0, 1}, {0, 1, 0, 1}}, {{0, 1, 2, 3, 4}});
        const std::string path = scratch.Join(name);
        Writer writer(&factory);
        EXPECT_TRUE(writer.FileCreate(path.c_str()));
        EXPECT_TRUE(writer.Write(scene, options.get()));
        EXPECT_TRUE(writer.FileClose());
        return ScratchFolder::ReadFile(path);
    }

    template <typename Reader, typename Options>
    void ReadAll(const std::string& valid, Options options, bool readable = true) {
        const auto readOnce = [&](const std::string& bytes) {
            RWyxScene* target = factory.CreateScene();
            Reader reader(&factory);
            const bool read = reader.ReadBytes(target, options.get(), bytes);
            if (!read) {
                EXPECT_GE(reader.GetLastErrorCode(), 0);
            }
            factory.DestroyScene(target, true);
            return read;
        };
        if (readable) {
            ASSERT_TRUE(readOnce(valid));
        }
        for (std::size_t size = 0; size < valid.size(); size += 1 + size / 16) readOnce(valid.substr(0, size));
        // About 150 flips spread over the file, of a low bit, the case bit and the top bit in turn.
        static constexpr unsigned char kFlips[] = {0x01, 0x20, 0x80};
        const std::size_t step = valid.size() / 150 + 1;
        for (std::size_t at = 0, n = 0; at < valid.size(); at += step, ++n) {
            std::string bytes = valid;
            bytes[at] = static_cast<char>(static_cast<unsigned char>(bytes[at]) ^ kFlips[n % 3]);
            readOnce(bytes);
        }
    }
};

TEST_F(CorruptionTest, TruncatedAndFlippedObjFilesAreReadOrRefusedSafely) {
    const std::string valid = Sample<RWyxWriterObj>("c.obj", ObjOptions());
    ReadAll<RWyxReaderObj>(valid, ObjOptions());
    // Hostile references and sizes.
    ReadAll<RWyxReaderObj>("v 1 2 3\nf -2147483648 2147483647 1/-99999999999/1\nf 1//\nvt 1\n"
                           "cstype rat bspline\ndeg 2147483647 -5\nsurf 0 1 0 1 1 1 1\nparm u 1e308 -1e308 nan\nend\n",
                           ObjOptions(), false);
}

TEST_F(CorruptionTest, TruncatedAndFlippedDxfFilesAreReadOrRefusedSafely) {
    OptionsPtr<RStreamOptionsDxf> options = DxfOptions();
    options->SetOptionValue(RStreamOptionsDxf::kForceTriangulation, 0);
    const std::string valid = Sample<RWyxWriterDxf>("c.dxf", std::move(options));
    for (const int choice : {RStreamOptionsDxf::kChoiceLayer, RStreamOptionsDxf::kChoiceBlock}) {
        OptionsPtr<RStreamOptionsDxf> read = DxfOptions();
        read->SetOptionValue(RStreamOptionsDxf::kObjectDerivation, choice);
        ReadAll<RWyxReaderDxf>(valid, std::move(read));
    }
}

}  // namespace
}  // namespace geometry_format_test
