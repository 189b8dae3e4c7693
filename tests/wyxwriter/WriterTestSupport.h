#ifndef WYX_TESTS_WYXWRITER_WRITERTESTSUPPORT_H
#define WYX_TESTS_WYXWRITER_WRITERTESTSUPPORT_H

// Shared by the writer tests: a file read back into a tree of records (every value as text,
// so that the binary and ASCII forms compare equal), a writer run in one call, and a scene
// with an object of every kind.

#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxIO.h"
#include "scene/RWyxObjectFactory.h"
#include "tests/support/ScratchFolder.h"
#include "wyxwriter/RWyxWriterWyx5.h"
#include "wyxwriter/RWyxWriterWyx6.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

class RFCurve;
class RWyxMesh;
class RWyxNode;
class RWyxScene;
class RWyxTexture;
class RWyxMaterial;

namespace writer_test {

// A field as read back: its name, each value as text (integers and times as decimal
// integers, doubles as "%.15g", characters and strings as they are) and its block.
struct Record {
    std::string name;
    std::vector<std::string> values;
    bool hasBlock = false;
    std::vector<Record> children;

    // The occurrence-th child of that name; a fatal test failure when there is none.
    const Record& Child(const std::string& childName, int occurrence = 0) const;
    // Null when there is none.
    const Record* Find(const std::string& childName, int occurrence = 0) const;
    std::vector<const Record*> All(const std::string& childName) const;
    // The names of the children in order, and those with their first value ("Model:Model::A").
    std::vector<std::string> Names() const;
    std::vector<std::string> NamesWithValue() const;
    // Value i as a number.
    double Number(std::size_t i = 0) const;
    int Int(std::size_t i = 0) const { return static_cast<int>(Number(i)); }
    // Every value as a number.
    std::vector<double> Numbers() const;
    bool operator==(const Record& other) const;
};

// The record as indented text, so that failed comparisons show what differs.
void PrintTo(const Record& record, std::ostream* out);

// Both sections of a file; false when it does not open.
struct FileTree {
    Record main;
    Record extension;
    bool hasExtension = false;
};
bool ReadTree(const std::string& path, FileTree& out, const char* password = nullptr);

// The writers' forms by exporter format id: version 6, then version 5.
enum class Form { kBinary = 0, kAscii = 1, kEncrypted = 2, kV5Binary = 3, kV5Ascii = 4 };

// A writer driven as the exporter drives it: FileCreate, Write, FileClose. Progress reports
// are kept as "text" or the percentage's text.
struct WriteResult {
    bool created = false;
    bool written = false;
    bool closed = false;
    int error = -1;
    std::string errorText;
    std::string messages;
    std::vector<std::string> progress;
};
WriteResult WriteScene(RWyxObjectFactory& factory, RWyxScene* scene, const std::string& path, Form form,
                       RStreamOptions* options);
// With new default options.
WriteResult WriteScene(RWyxObjectFactory& factory, RWyxScene* scene, const std::string& path,
                       Form form = Form::kBinary);

// Keys on a curve at whole seconds.
void AddKeys(RFCurve& curve, const std::vector<std::pair<double, float>>& keys);

// Test fixture: a factory, a scene and a scratch folder; writes and reads back in one call.
class WriterTest : public ::testing::Test {
protected:
    RWyxNode* AddNode(const char* name, RWyxNode* parent = nullptr);
    // A mesh of count points (i, 0, 0) on a node below the root.
    RWyxMesh* AddMesh(const char* name, int count);
    // A mesh of three points with normals and a pivot that moves by 5 and scales by 2, and its
    // shapes: "Same" (the mesh's points), "Moved" (point 2 at y 1.5, normal 2 (0, 0, 1)) and
    // "Short" (two points, point 0 at x -4 with the normal (0, 1, 0)).
    RWyxMesh* AddMeshWithShapes();
    // Writes the scene and reads it back; fatal failures when either fails.
    FileTree WriteAndRead(Form form = Form::kBinary, RStreamOptions* options = nullptr);
    // New default options, destroyed with the fixture.
    RStreamOptionsWyx& Options();

    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    RWyxNode* root = nullptr;
    ScratchFolder folder;
    std::string path = folder.Join("scene.wyx");
    WriteResult lastWrite;

    void SetUp() override;

private:
    RStreamOptionsPtr options_;
};

}  // namespace writer_test

#endif
