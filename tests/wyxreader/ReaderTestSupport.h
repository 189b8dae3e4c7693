#ifndef WYX_TESTS_WYXREADER_READERTESTSUPPORT_H
#define WYX_TESTS_WYXREADER_READERTESTSUPPORT_H

// Shared by the reader tests: a file read as the importer reads it, a file written and read
// again, a scene holding an object of every kind, and files written field by field for the
// cases the writer never makes.

#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxObjectFactory.h"

#include <functional>
#include <string>
#include <variant>
#include <vector>

class RFCurve;
class RWyxNode;
class RWyxScene;

namespace reader_test {

// What a read gave.
struct ReadResult {
    bool opened = false;
    bool read = false;
    int error = -1;
    std::string errorText;
    int warnings = 0;
    std::string warningText;
    RWyxScene* scene = nullptr;  // the factory's
};

// A new scene of the factory read from the file as the importer does it: FileOpen,
// ReadHeader, GetReadOptions (then `adjust` on them), Read.
ReadResult ReadFile(RWyxObjectFactory& factory, const std::string& path,
                    const std::function<void(RStreamOptionsWyx&)>& adjust = {});
// The same from bytes in memory.
ReadResult ReadBytes(RWyxObjectFactory& factory, const std::string& bytes,
                     const std::function<void(RStreamOptionsWyx&)>& adjust = {});

// The writer's forms (exporter format ids).
enum class Form { kBinary = 0, kAscii = 1, kEncrypted = 2 };
// Writes the scene with default options (or `options`); true when the file was put in place.
bool Write(RWyxObjectFactory& factory, RWyxScene* scene, const std::string& path, Form form,
           RStreamOptionsWyx* options = nullptr);

// A scene with an object of every kind the version-6 writer writes (see the source).
RWyxScene* BuildEveryKindScene(RWyxObjectFactory& factory);

// A file written field by field: ASCII, version 6000 (or the one given), the main section built
// by `fill`.
std::string WriteAsciiFile(const std::string& path, const std::function<void(RWyxFile&)>& fill, int version = 6000);
// The same in the binary form.
std::string WriteBinaryFile(const std::string& path, const std::function<void(RWyxFile&)>& fill, int version = 6000);

// A document written field by field, for the files the writer never makes.
class Document {
public:
    using Value = std::variant<int, double, const char*>;
    using Inner = std::function<void()>;

    explicit Document(RWyxFile& file) : file_(file) {}

    void Field(const char* name, const std::vector<Value>& values = {});
    void Block(const char* name, const std::vector<Value>& values, const Inner& inner);
    // A "Model" record with the given fields in its block.
    void Model(
        const char* name, const char* type, const Inner& inner = [] {}) {
        Block("Model", {name, type}, inner);
    }
    // "Connect": "OO" (no property) or "OP".
    void Connect(const char* source, const char* destination, const char* property = nullptr);

private:
    void Begin(const char* name, const std::vector<Value>& values);

    RWyxFile& file_;
};

// The node of that name below the root; null when none.
RWyxNode* FindModel(RWyxScene& scene, const char* name);
// Adds a key (seconds, value) to a curve, cubic.
void AddKey(RFCurve* curve, double seconds, float value);

// The first line of the warnings that holds the text; empty when none does.
std::string WarningWith(const ReadResult& result, const std::string& text);
// Test assertions: as many warnings as texts, and a line holding each text.
void ExpectWarnings(const ReadResult& result, const std::vector<std::string>& texts);
// Test assertions on a file whose models "Model::Bare" (a mesh of two polygons), "Model::Sheet"
// (NURBS) and "Model::Quilt" (patch) lack their Vertices or Dimensions field, or hold it empty:
// the warnings of the dropped polygons and surfaces and those of the mesh's other fields, a
// mesh of nothing, and the same warnings for a missing field as for an empty one (the read of
// the empty one, which comes first, keeps its text in emptyWarnings).
void ExpectBareGeometry(const ReadResult& result, bool empty, std::vector<std::string> meshWarnings,
                        std::string& emptyWarnings);

}  // namespace reader_test

#endif
