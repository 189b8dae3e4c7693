#ifndef WYX_TESTS_FILEIO_FRONTENDTESTSUPPORT_H
#define WYX_TESTS_FILEIO_FRONTENDTESTSUPPORT_H

// A reader and a writer that record every call the front ends make and answer as a test
// tells them, and a format table of their rows that the front ends are given in place of
// the SDK's:
//   WYX  "wyx"  importer ids 0-2 (told by the header), exporter ids 0-4, options of its own;
//               its writer factory answers null for form 4 (not built);
//   BVH  "bvh"  importer id 3, exporter id 5, no options of its own;
//   OBJ  "obj"  importer id 16, exporter id 18, neither reader nor writer built;
//   WY2  "wy2"  importer ids 20-21 told by a WYX header (so that an encrypted one is no form
//               of it), no exporter ids.

#include "tests/support/ScratchFolder.h"
#include "tests/support/WyxFileTestSupport.h"
#include "fileio/RStreamOptionsBase.h"
#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFileExporter.h"
#include "fileio/RWyxFileImporter.h"
#include "fileio/RWyxFormatTable.h"
#include "fileio/RWyxIO.h"
#include "fileio/RWyxReader.h"
#include "fileio/RWyxWriter.h"
#include "fileio/WyxHeaderForm.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace frontend_test {

// What the test reader and writer are to answer, and what they saw.
struct Probe {
    std::vector<std::string> calls;

    // An answer of one operation: the result and, when it fails, the error it leaves.
    struct Answer {
        bool ok = true;
        int code = -1;
        std::string text;
    };
    Answer open, header, options, read, create, write, close;
    // The writer leaves this error even when Write succeeds.
    int writeErrorAfterSuccess = -1;

    int fileVersion = 6000;
    std::vector<RWyxTakeInfo> takes;

    // What Read and Write were given.
    RStreamOptions* lastOptions = nullptr;
    std::vector<bool> wyxFlags;
    std::vector<std::pair<std::string, bool>> takeEntries;
    RWyxIO* writerOwner = nullptr;

    void Record(const std::string& call) { calls.push_back(call); }
    void SeeOptions(RStreamOptions* given);
};

// The probe of the running test (set by ProbeTest).
Probe& CurrentProbe();

class TestReader : public RWyxReader {
public:
    TestReader(RWyxObjectFactory* factory, int form);
    ~TestReader() override;
    bool FileOpen(const char* path) override;
    bool FileClose() override;
    bool IsFileOpen() const override { return true; }
    RStreamOptionsPtr GetReadOptions(bool quiet) override;
    bool Read(RWyxScene* scene, RStreamOptions* options) override;
    bool ReadHeader(RWyxFileHeaderSummary& header) override;
};

class TestWriter : public RWyxWriter {
public:
    TestWriter(RWyxObjectFactory* factory, RWyxIO* owner, int form);
    ~TestWriter() override;
    bool FileCreate(const char* path) override;
    bool FileClose() override;
    bool IsFileOpen() const override { return true; }
    RStreamOptionsPtr GetWriteOptions() override { return nullptr; }
    bool Write(RWyxScene* scene, RStreamOptions* options) override;
    bool WriteScene(RWyxScene* scene, RStreamOptions* options, RWyxPropertyFile* file) override;
};

const RWyxFormatTable& TestFormatTable();

// A fixture with a fresh probe, a factory with a scene, and files in a scratch folder.
class ProbeTest : public ::testing::Test {
protected:
    ProbeTest();
    ~ProbeTest() override;

    // An importer on the test table, given the file when a path is named.
    RWyxFileImporter* NewImporter(const std::string& path = "");
    RWyxFileExporter* NewExporter(const std::string& fileName, int formatId);
    // A WYX file of the form written by the container.
    std::string WyxFile(const std::string& name, WyxForm form);
    // A file with these bytes.
    std::string File(const std::string& name, const std::string& bytes = "content") {
        return scratch_.WriteFile(name, bytes);
    }
    // The calls since the last Calls(), joined by ", ".
    std::string Calls();

    Probe probe_;
    ScratchFolder scratch_;
    RWyxObjectFactory factory_;
    RWyxScene* scene_ = nullptr;
};

}  // namespace frontend_test

#endif
