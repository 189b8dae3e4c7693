#include "tests/fileio/FrontEndTestSupport.h"

#include <memory>

namespace frontend_test {

namespace {

Probe* gProbe = nullptr;

std::string Form(const char* what, int form) { return std::string(what) + " form " + std::to_string(form); }

std::unique_ptr<RWyxReader> NewTestReader(RWyxObjectFactory* factory, int form) {
    return std::make_unique<TestReader>(factory, form);
}

std::unique_ptr<RWyxWriter> NewTestWriter(RWyxObjectFactory* factory, RWyxIO* owner, int form) {
    return std::make_unique<TestWriter>(factory, owner, form);
}

// Form 4 (version-5 ASCII) is not built.
std::unique_ptr<RWyxWriter> NewWyxTestWriter(RWyxObjectFactory* factory, RWyxIO* owner, int form) {
    return form == 4 ? nullptr : NewTestWriter(factory, owner, form);
}

// The answer's result; a failure leaves its error.
bool Answer(RError& error, const Probe::Answer& answer) {
    if (!answer.ok) {
        error.SetError(answer.code, answer.text.c_str());
    }
    return answer.ok;
}

RStreamOptionsPtr NewWyxOptions() { return RStreamOptionsPtr(RStreamOptionsWyx::Create()); }

const RWyxFormatRow kRows[] = {
    {"WYX", "wyx", 0, 3, 0, 5, &RecognizeWyxHeader, kWyxHeaderBytes, &NewTestReader, &NewWyxTestWriter, &NewWyxOptions},
    {"BVH", "bvh", 3, 1, 5, 1, nullptr, 0, &NewTestReader, &NewTestWriter, nullptr},
    {"OBJ", "obj", 16, 1, 18, 1, nullptr, 0, nullptr, nullptr, nullptr},
    {"WY2", "wy2", 20, 2, 0, 0, &RecognizeWyxHeader, kWyxHeaderBytes, &NewTestReader, nullptr, nullptr},
};

}  // namespace

Probe& CurrentProbe() { return *gProbe; }

void Probe::SeeOptions(RStreamOptions* given) {
    lastOptions = given;
    wyxFlags.clear();
    takeEntries.clear();
    if (given == nullptr || !given->Is(RStreamOptionsWyx::ClassId())) {
        return;
    }
    const auto* wyx = static_cast<const RStreamOptionsWyx*>(given);
    for (int i = 0; i < RStreamOptionsWyx::kFlagCount; ++i) {
        wyxFlags.push_back(wyx->GetFlag(i));
    }
    for (int i = 0; i < wyx->GetTakeCount(); ++i) {
        takeEntries.emplace_back(wyx->GetTake(i)->name.Buffer(), wyx->GetTake(i)->selected);
    }
}

// ---- the reader ---------------------------------------------------------------------------------

TestReader::TestReader(RWyxObjectFactory* factory, int form) : RWyxReader(factory) {
    gProbe->Record(Form("new reader", form));
}

TestReader::~TestReader() { gProbe->Record("~reader"); }

bool TestReader::FileOpen(const char* path) {
    gProbe->Record(std::string("FileOpen ") + (path != nullptr ? path : "null"));
    return Answer(GetError(), gProbe->open);
}

bool TestReader::FileClose() {
    gProbe->Record("FileClose");
    return true;
}

RStreamOptionsPtr TestReader::GetReadOptions(bool quiet) {
    gProbe->Record(quiet ? "GetReadOptions quiet" : "GetReadOptions");
    return Answer(GetError(), gProbe->options) ? RStreamOptionsPtr(CreatePlugObject<RStreamOptionsBase>(nullptr)) : nullptr;
}

bool TestReader::Read(RWyxScene* /*scene*/, RStreamOptions* options) {
    gProbe->Record("Read");
    gProbe->SeeOptions(options);
    MessageText() += "reader warning";
    return Answer(GetError(), gProbe->read);
}

bool TestReader::ReadHeader(RWyxFileHeaderSummary& header) {
    gProbe->Record("ReadHeader");
    if (!Answer(GetError(), gProbe->header)) {
        return false;
    }
    header.fileVersion = gProbe->fileVersion;
    for (RWyxTakeInfo& take : gProbe->takes) {
        header.takeInfos.push_back(&take);
    }
    return true;
}

// ---- the writer ---------------------------------------------------------------------------------

TestWriter::TestWriter(RWyxObjectFactory* factory, RWyxIO* owner, int form) : RWyxWriter(factory, owner) {
    gProbe->Record(Form("new writer", form));
    gProbe->writerOwner = owner;
}

TestWriter::~TestWriter() { gProbe->Record("~writer"); }

bool TestWriter::FileCreate(const char* path) {
    gProbe->Record(std::string("FileCreate ") + (path != nullptr ? path : "null"));
    return Answer(GetError(), gProbe->create);
}

bool TestWriter::FileClose() {
    gProbe->Record("FileClose");
    return Answer(GetError(), gProbe->close);
}

bool TestWriter::Write(RWyxScene* /*scene*/, RStreamOptions* options) {
    gProbe->Record("Write");
    gProbe->SeeOptions(options);
    MessageText() += "writer warning";
    ReportProgress(0, "Storing models", nullptr, 0.0f);
    ReportProgress(0, nullptr, nullptr, 50.0f);
    if (gProbe->writeErrorAfterSuccess >= 0) {
        GetError().SetErrorCode(gProbe->writeErrorAfterSuccess);
    }
    return Answer(GetError(), gProbe->write);
}

bool TestWriter::WriteScene(RWyxScene* scene, RStreamOptions* options, RWyxPropertyFile* file) {
    if (file == nullptr) {
        return Write(scene, options);
    }
    gProbe->Record("WriteScene into file");
    gProbe->SeeOptions(options);
    MessageText() += "nested warning";
    return Answer(GetError(), gProbe->write);
}

const RWyxFormatTable& TestFormatTable() {
    static const RWyxFormatTable table(kRows, static_cast<int>(sizeof kRows / sizeof kRows[0]));
    return table;
}

// ---- the fixture --------------------------------------------------------------------------------

ProbeTest::ProbeTest() {
    gProbe = &probe_;
    scene_ = factory_.CreateScene();
}

ProbeTest::~ProbeTest() {
    factory_.DestroyAll();  // the front ends' readers and writers go while the probe lives
    gProbe = nullptr;
}

RWyxFileImporter* ProbeTest::NewImporter(const std::string& path) {
    RWyxFileImporter* importer = factory_.CreateFileImporter();
    importer->SetFormatTable(&TestFormatTable());
    if (!path.empty()) {
        importer->Initialize(path.c_str());
    }
    return importer;
}

RWyxFileExporter* ProbeTest::NewExporter(const std::string& fileName, int formatId) {
    RWyxFileExporter* exporter = factory_.CreateFileExporter();
    exporter->SetFormatTable(&TestFormatTable());
    exporter->Initialize(fileName.c_str());
    exporter->SetFileFormat(formatId);
    return exporter;
}

std::string ProbeTest::WyxFile(const std::string& name, WyxForm form) {
    const std::string path = scratch_.Join(name);
    RWyxFile file;
    EXPECT_TRUE(CreateInForm(file, path, form));
    WriteSampleContent(file);
    EXPECT_TRUE(file.Close());
    return path;
}

std::string ProbeTest::Calls() {
    std::string joined;
    for (const std::string& call : probe_.calls) {
        joined += (joined.empty() ? "" : ", ") + call;
    }
    probe_.calls.clear();
    return joined;
}

}  // namespace frontend_test
