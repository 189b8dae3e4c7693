#ifndef WYX_TESTS_SUPPORT_TESTSCENEREADER_H
#define WYX_TESTS_SUPPORT_TESTSCENEREADER_H

// A reader of files with the extension "wyxtest" whose scenes the test builds in memory: the
// import session reads them through its importer as it reads WYX files (header with take
// descriptions and file version, read options, takes selected or left out), so the whole
// import runs without files of the WYX format.
//
// A test sets the source (TestSceneSource): the scene builder, the takes the header lists, the
// file version, and whether the header or the read fails. TestFormatTable() holds the row;
// WyxVexaImportSession::SetFormatTable points new sessions at it.

#include "scene/RWyxTakeInfo.h"

#include <functional>
#include <string>
#include <vector>

class RWyxFormatTable;
class RWyxObjectFactory;
class RWyxScene;

struct TestSceneSource {
    // Makes a new scene of the factory (as sample::BuildCharacterScene does); null fails the read.
    std::function<RWyxScene*(RWyxObjectFactory&)> build;
    std::vector<RWyxTakeInfo> takes;
    int fileVersion = 6000;
    bool headerFails = false;
    // The read fails after the scene was filled (a file cut short).
    bool readFailsAfterBuild = false;
    // The text of a failed read or header.
    std::string failure = "File is corrupted: the test says so";
};

// The one source all test readers read from.
TestSceneSource& TestSource();

const RWyxFormatTable& TestFormatTable();

// A scene with one node (no attribute) of each given name below the root, in that order.
RWyxScene* BuildNamedNodes(RWyxObjectFactory& factory, const std::vector<std::string>& names);

#endif
