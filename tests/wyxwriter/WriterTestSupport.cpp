#include "tests/wyxwriter/WriterTestSupport.h"

#include "attributes/RWyxMesh.h"
#include "attributes/RWyxShape.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace writer_test {

namespace {

std::string NumberText(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

std::string ValueText(RWyxFile& file) {
    switch (file.FieldReadValueType()) {
    case 'I':
    case 'L':
        return std::to_string(file.FieldReadLong());
    case 'D':
    case 'F':
        return NumberText(file.FieldReadDouble());
    case 'C':
        return std::string(1, file.FieldReadChar());
    default:
        return file.FieldReadString().Buffer();
    }
}

void ReadLevel(RWyxFile& file, Record& parent) {
    const int count = file.FieldGetCount();
    for (int i = 0; i < count; ++i) {
        if (!file.FieldReadBeginAt(i)) continue;
        Record record;
        record.name = file.FieldGetCurrentName().Buffer();
        while (file.FieldReadValuesLeft() > 0) record.values.push_back(ValueText(file));
        if (file.FieldReadBlockBegin()) {
            record.hasBlock = true;
            ReadLevel(file, record);
            file.FieldReadBlockEnd();
        }
        file.FieldReadEnd();
        parent.children.push_back(std::move(record));
    }
}

}  // namespace

const Record* Record::Find(const std::string& childName, int occurrence) const {
    for (const Record& child : children) {
        if (child.name == childName && occurrence-- == 0) return &child;
    }
    return nullptr;
}

const Record& Record::Child(const std::string& childName, int occurrence) const {
    static const Record kMissing;
    const Record* found = Find(childName, occurrence);
    if (found == nullptr) {
        ADD_FAILURE() << "no field " << childName << " #" << occurrence << " in " << name;
        return kMissing;
    }
    return *found;
}

std::vector<const Record*> Record::All(const std::string& childName) const {
    std::vector<const Record*> found;
    for (const Record& child : children) {
        if (child.name == childName) found.push_back(&child);
    }
    return found;
}

std::vector<std::string> Record::Names() const {
    std::vector<std::string> names;
    for (const Record& child : children) names.push_back(child.name);
    return names;
}

std::vector<std::string> Record::NamesWithValue() const {
    std::vector<std::string> names;
    for (const Record& child : children) {
        names.push_back(child.values.empty() ? child.name : child.name + ":" + child.values[0]);
    }
    return names;
}

double Record::Number(std::size_t i) const {
    if (i >= values.size()) {
        ADD_FAILURE() << name << " has no value " << i;
        return std::nan("");
    }
    return std::strtod(values[i].c_str(), nullptr);
}

std::vector<double> Record::Numbers() const {
    std::vector<double> numbers;
    for (std::size_t i = 0; i < values.size(); ++i) numbers.push_back(Number(i));
    return numbers;
}

bool Record::operator==(const Record& other) const {
    return name == other.name && values == other.values && hasBlock == other.hasBlock && children == other.children;
}

namespace {

void PrintRecord(const Record& record, int depth, std::ostream& out) {
    out << "\n" << std::string(static_cast<std::size_t>(depth) * 2, ' ') << record.name << ":";
    for (const std::string& value : record.values) out << " " << value;
    for (const Record& child : record.children) PrintRecord(child, depth + 1, out);
}

}  // namespace

void PrintTo(const Record& record, std::ostream* out) { PrintRecord(record, 0, *out); }

bool ReadTree(const std::string& path, FileTree& out, const char* password) {
    RWyxFile file;
    if (!file.Open(path.c_str(), password)) return false;
    out = FileTree();
    if (file.ProjectOpenSection(RWyxFile::kMainSection)) ReadLevel(file, out.main);
    out.hasExtension = file.ProjectOpenSection(RWyxFile::kExtensionSection);
    if (out.hasExtension) ReadLevel(file, out.extension);
    (void)file.Close();
    return true;
}

WriteResult WriteScene(RWyxObjectFactory& factory, RWyxScene* scene, const std::string& path, Form form,
                       RStreamOptions* options) {
    WriteResult result;
    RWyxIO owner(&factory);
    owner.SetProgressHandler([&result](int, const char* text, const char*, float percent) {
        result.progress.push_back(text != nullptr ? std::string(text) : std::to_string(percent));
    });
    std::unique_ptr<RWyxWriterWyx> made;
    if (form == Form::kV5Binary || form == Form::kV5Ascii) {
        made = std::make_unique<RWyxWriterWyx5>(&factory, &owner);
    } else {
        made = std::make_unique<RWyxWriterWyx6>(&factory, &owner);
    }
    RWyxWriterWyx& writer = *made;
    writer.SetFileMode(form == Form::kAscii || form == Form::kV5Ascii ? 0 : form == Form::kEncrypted ? 2 : 1);
    result.created = writer.FileCreate(path.c_str());
    if (result.created) {
        result.written = writer.Write(scene, options);
        if (result.written) result.closed = writer.FileClose();
    }
    result.error = writer.GetLastErrorCode();
    result.errorText = writer.GetLastErrorString();
    result.messages = writer.GetMessageText().Buffer();
    return result;
}

WriteResult WriteScene(RWyxObjectFactory& factory, RWyxScene* scene, const std::string& path, Form form) {
    RStreamOptionsPtr options(RStreamOptionsWyx::Create());
    return WriteScene(factory, scene, path, form, options.get());
}

void AddKeys(RFCurve& curve, const std::vector<std::pair<double, float>>& keys) {
    for (const auto& [seconds, value] : keys) {
        const RTime time(static_cast<std::int64_t>(std::llround(seconds * RTime::kTicksPerSecond)));
        curve.AddKey(time, RCurveKey::Plain(time, value, RCurveKey::Linear));
    }
}

void WriterTest::SetUp() { root = scene->GetRootNode(); }

RWyxNode* WriterTest::AddNode(const char* name, RWyxNode* parent) {
    RWyxNode* node = factory.CreateNode(name);
    (parent != nullptr ? parent : root)->AddChild(node);
    return node;
}

RWyxMesh* WriterTest::AddMesh(const char* name, int count) {
    RWyxMesh* mesh = factory.CreateMesh();
    mesh->InitControlPoints(count);
    for (int i = 0; i < count; ++i) mesh->GetControlPoints()[i] = RVector4(i, 0, 0, 1);
    AddNode(name)->SetNodeAttribute(mesh);
    return mesh;
}

RWyxMesh* WriterTest::AddMeshWithShapes() {
    RWyxMesh* mesh = AddMesh("Mesh", 3);
    mesh->InitNormals(0);
    mesh->SetPivot(RMatrix::ConstructFromTRS(RVector4(5, 5, 5, 0), RVector4(), RVector4(2, 2, 2, 0)));
    auto addShape = [&](const char* name, int count) {
        RWyxShape* shape = factory.CreateShape();
        shape->InitControlPoints(count);
        for (int i = 0; i < count && i < 3; ++i) shape->GetControlPoints()[i] = mesh->GetControlPoints()[i];
        EXPECT_GE(mesh->AddShape(shape, name), 0);
        return shape;
    };
    addShape("Same", 3);
    RWyxShape* moved = addShape("Moved", 3);
    moved->GetControlPoints()[2].y = 1.5;
    moved->InitNormals(0);
    moved->GetNormals()[2] = RVector4(0, 0, 1, 0);
    // Point 0 and its normal moved too: a shape that does not fit is written without change
    // all the same.
    RWyxShape* shortShape = addShape("Short", 2);
    shortShape->GetControlPoints()[0].x = -4.0;
    shortShape->InitNormals(0);
    shortShape->GetNormals()[0] = RVector4(0, 1, 0, 0);
    return mesh;
}

RStreamOptionsWyx& WriterTest::Options() {
    if (options_ == nullptr) options_.reset(RStreamOptionsWyx::Create());
    return static_cast<RStreamOptionsWyx&>(*options_);
}

FileTree WriterTest::WriteAndRead(Form form, RStreamOptions* options) {
    lastWrite = WriteScene(factory, scene, path, form, options != nullptr ? options : &Options());
    EXPECT_TRUE(lastWrite.written && lastWrite.closed) << lastWrite.errorText;
    FileTree tree;
    EXPECT_TRUE(ReadTree(path, tree)) << "the file does not open";
    return tree;
}

}  // namespace writer_test
