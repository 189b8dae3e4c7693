#ifndef WYX_FILEIO_RWYXPROPERTYFILE_H
#define WYX_FILEIO_RWYXPROPERTYFILE_H

// The WYX file as the scene writers and readers use it: the container file together with
// the property blocks, which store the properties of an object one record each.
//
// Design note
// -----------
// A property block is a field with a block that holds one "Property" field per property,
// in the order given. The block is named "Properties60", or "Properties" in the version-5
// property format. Both formats share the record below except for the type.
//
//   Property: name, type code, data type, flags, value..., [label, minimum, maximum]
//
//   name       the property's name (string).
//   type code  the type code's name: "int", "bool", "double", "RTime", "Vector3D" ... (string).
//   data type  the data type's name; "" when the property has none (string).
//   flags      a letter for each saved info flag: "A" animatable, "U" user property, "X" the
//              further user flag; "" for none (string).
//   value      by type code: int and enum one int; bool and Action one int, 0 or 1; float and
//              double one double; RTime one time (seconds before file version 2001, ticks
//              from it on); charptr and RString one string; Vector3D and ColorRGB three
//              doubles; Vector4D and ColorRGBA four doubles.
//   label, minimum, maximum
//              user properties ("U") only: a string and two doubles (infinite for no bound).
//
// Version-5 record: Property: name, type, flags, value..., [label, minimum, maximum]. The one
//   type is the data type's name when the type code follows from that data type, else the
//   type code's name; reading takes a data type that gives a type code, else a type code name.
//
// Object references (types "object" and "Reference") are records without a value: they are
// connections, stored by the writers with the other connections. The record keeps the
// property itself, so that a user property of such a type is made again on reading and the
// connections find it. Types without a value of their own ("unknown", "event",
// "stringlist", "VectorElement") are not written, nor are properties marked not saved
// (RProperty::kStateNotSaved).
//
// Reading a block onto objects: each record is matched by name with the objects' properties,
// the first object first. A property of the same type code takes the value (read-only
// properties keep theirs); a user property also takes label and range. A user record with no
// such property makes one on the first object, with the record's type code, data type,
// flags, range and label, and when a scene object is given it gets that property's user
// property (already wrapping it) in its list. A record is skipped with a warning in the
// message text when its type or data type is unknown, its values do not match its type in
// number or kind, its flags are not ours, its name clashes with a property of another type
// code, or it names no property and is not a user property.

#include "core/RProperty.h"
#include "core/RString.h"
#include "fileio/RWyxFile.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class RObject;
class RWyxSceneObject;

class RWyxPropertyFile {
public:
    static constexpr const char* kBlockName = "Properties60";
    static constexpr const char* kV5BlockName = "Properties";
    static constexpr const char* kRecordName = "Property";

    static std::unique_ptr<RWyxPropertyFile> Create();

    RWyxPropertyFile() = default;
    RWyxPropertyFile(const RWyxPropertyFile&) = delete;
    RWyxPropertyFile& operator=(const RWyxPropertyFile&) = delete;

    // The container file every field goes through.
    RWyxFile& GetFile() { return file_; }
    const RWyxFile& GetFile() const { return file_; }

    // Chooses the version-5 "Properties" block instead of "Properties60".
    void SetV5PropertyFormat(bool on) {
        // A type name stands for another type in the other format.
        if (on != v5Format_) {
            typeMemos_.clear();
            shapes_.clear();
        }
        v5Format_ = on;
    }
    bool IsV5PropertyFormat() const { return v5Format_; }
    // The block name of the current format.
    const char* GetBlockName() const { return v5Format_ ? kV5BlockName : kBlockName; }

    // Writes the block of the properties as a field at the current level (null entries and
    // properties not saved are left out). False when the file keeps an error afterwards.
    bool WritePropertyBlock(const std::vector<RProperty*>& properties);

    // Reads the next block of the current format at the current level onto the objects (see
    // the design note); user properties made go to userPropertyOwner's list when given.
    // False when there is no such block; records skipped are told in the message text.
    bool ReadPropertyBlock(const std::vector<RObject*>& targets, RWyxSceneObject* userPropertyOwner = nullptr);
    bool ReadPropertyBlock(RObject& target, RWyxSceneObject* userPropertyOwner = nullptr) {
        return ReadPropertyBlock(std::vector<RObject*>{&target}, userPropertyOwner);
    }

    // Warnings of the reading, one line each; kept until cleared.
    const RString& GetMessageText() const { return messageText_; }
    void ClearMessageText() { messageText_.Clear(); }

private:
    // A record as read, before it is matched with a property. The name is a view of the
    // file or of the property file's name buffer, valid until the next record.
    struct Record {
        explicit Record(std::string_view text) : name(text) {}

        std::string_view name;
        int typeCode = kPropertyTypeUnknown;
        const RDataType* dataType = nullptr;
        std::uint32_t flags = 0;
        RPropertyValue value;
        double minimum = 0.0;
        double maximum = 0.0;
    };

    // A type or data type name read before, with what it stood for.
    struct TypeMemo {
        std::string name;
        int typeCode;
        const RDataType* dataType;
    };

    // What a record at a block's place stood for when it was last read there in a binary file:
    // a later record of the same leading bytes there (the objects of a class write their
    // properties alike) stands for the same, and is read without its texts and lookups.
    struct RecordShape {
        // The record's own name and its leading values (name, types, flags) as the file's bytes,
        // which lie next to each other there: the first leadSize bytes of lead. Kept in the
        // shape, so that a record's check looks at the one place; longer leads get no shape.
        static constexpr std::size_t kLeadRoom = 144;
        std::uint32_t leadSize = 0;
        std::uint32_t valueCount = 0;  // every value of the record
        std::uint32_t valueBytes = 0;  // the bytes of every value, the last in the form decoded
        std::uint32_t nameOffset = 0;  // where the property name's text lies in the lead
        std::uint32_t nameLength = 0;
        int typeCode = kPropertyTypeUnknown;
        // The first object's property it went to: its description (a class's row, kept for the
        // process's life), the hash of that row's name, and its list place. No description: no shape.
        int place = 0;
        const RPropertyInfo* description = nullptr;
        std::size_t nameHash = 0;
        char lead[kLeadRoom];
    };

    // The records of the block being read as the binary file holds them, looked up once a block.
    struct BlockView {
        const RWyxRecord* records = nullptr;
        std::uint32_t count = 0;
        const char* bytes = nullptr;
    };

    void WriteRecord(const RProperty& property);
    void WriteTypes(const RProperty& property);
    void WriteValue(const RProperty& property);

    void ReadRecord(const std::vector<RObject*>& targets, RWyxSceneObject* userPropertyOwner, int place);
    // The records of the block from that place on read by their shapes onto the first object,
    // while each has the shape of the record read at its place before; answers the place of
    // the first that has not (read in full then, nothing of it read here), or the end.
    int ReadShapedRecords(const BlockView& block, RObject& first, int from);
    // Keeps the shape of a record read in full whose value and property allow one.
    void RememberShape(int place, const Record& record, const RObject& object, const RProperty& property);
    bool ReadTypes(Record& record);
    bool ReadValues(Record& record);
    void ApplyRecord(const Record& record, RProperty& property);
    // The value of a record (none: monostate) into its property, unless that is read-only.
    void ApplyValue(std::string_view name, const RPropertyValue& value, RProperty& property);
    // A value into its property, unless that is read-only. Inline: nearly every record ends here.
    void StoreValue(std::string_view name, const RPropertyValue& value, RProperty& property) {
        if (!property.HasStateFlags(RProperty::kStateReadOnly) && !property.SetValue(value)) {
            Warn(name, "the property refused the value");
        }
    }
    RProperty* CreateUserProperty(const Record& record, RObject& target, RWyxSceneObject* userPropertyOwner);
    void Warn(std::string_view name, const RString& text);

    // The next of the record's leading texts (name, types, flags): from header_ while it holds
    // them, else read from the file. Inline: a record takes three or four.
    std::string_view NextHeaderText() {
        return headerNext_ < headerTaken_ ? header_[headerNext_++] : file_.FieldReadStringView();
    }
    // Records share a few types: each name is looked up once (the data types are a fixed table).
    // Inline: it runs twice a record.
    static const TypeMemo* FindMemo(const std::vector<TypeMemo>& memos, std::string_view name) {
        for (const TypeMemo& memo : memos) {
            // The first bytes tell most names of a length apart without a call.
            if (memo.name.size() == name.size() && (name.empty() || memo.name[0] == name[0]) &&
                std::memcmp(memo.name.data(), name.data(), name.size()) == 0) {
                return &memo;
            }
        }
        return nullptr;
    }
    static void Remember(std::vector<TypeMemo>& memos, std::string_view name, int typeCode,
                         const RDataType* dataType);

    RWyxFile file_;
    std::string recordName_;  // the name of the record being read, its storage kept between records
    RString recordLabel_;     // the label of the user record being read, its storage kept likewise
    std::string_view header_[4];  // the record's leading texts, when taken in one step
    std::vector<TypeMemo> typeMemos_;      // type names read: type code (version 5: data type)
    std::vector<TypeMemo> dataTypeMemos_;  // data type names read
    std::vector<int> findHints_;           // per target object: the list place its next property is looked for at
    std::vector<RecordShape> shapes_;      // by place in the block
    int headerTaken_ = 0;
    int headerNext_ = 0;
    bool v5Format_ = false;
    RString messageText_;
};

#endif
