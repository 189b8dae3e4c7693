#ifndef WYX_BENCH_WYXBENCHSCENE_H
#define WYX_BENCH_WYXBENCHSCENE_H

// What the WYX writer and reader benchmarks share: the large scene both measure (one mesh of a
// million quads: a million control points with normals, UVs by polygon vertex, two materials by
// polygon; a hundred nodes with ten channels of a thousand cubic keys each, in "Take 001"),
// writing it and reading a file back as the front ends do,
// and a file's fields as the container alone reads and writes them (name, runs of values of one
// type, block), so that a benchmark can set its reader or writer against the container doing
// the same work.

#include "core/RTime.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxObjectFactory.h"

#include <cstdint>
#include <string>
#include <vector>

class RWyxNode;
class RWyxObjectFactory;
class RWyxScene;
class RWyxWriterWyx;

namespace wyx_bench {

constexpr std::int64_t kFrame = RTime::kTicksPerSecond / 30;

// The scene, made once for the program.
struct BigScene {
    BigScene();
    RWyxObjectFactory factory;
    RWyxScene* scene = nullptr;
};
BigScene& Scene();

// A thousand cubic keys with user tangents, 30 a second, in "Take 001" on the node's first
// `channels` channels: translation, rotation and scaling X, Y, Z, then visibility.
void Animate(RWyxNode& node, int seed, int channels);

// The scene written to the path by the writer, binary or ASCII; WriteBigScene writes the big one.
bool WriteSceneWith(RWyxWriterWyx& writer, RWyxScene* scene, const std::string& path, bool binary);
bool WriteBigScene(RWyxWriterWyx& writer, const std::string& path, bool binary);
// The file read into a new scene of the factory as the importer reads it: false when it could
// not be read or the reader warned.
bool ReadWithReader(RWyxObjectFactory& factory, const std::string& path);

// A run of values of one type letter.
struct ValueRun {
    char type;
    int count;
};
struct FieldShape {
    std::string name;
    std::vector<ValueRun> values;
    bool hasBlock = false;
    std::vector<FieldShape> children;
};
// Both sections of a file.
struct FileShape {
    std::vector<FieldShape> main;
    std::vector<FieldShape> extension;
};

// The fields of the file at the path (empty when it does not open).
FileShape ReadFileShape(const std::string& path);
// Reads the fields of the level (and of their blocks) with the container alone, each value by
// the call for its type, as the shape lists them; answers the number of values read.
std::int64_t ReadShapeValues(RWyxFile& file, const std::vector<FieldShape>& fields);

}  // namespace wyx_bench

#endif
