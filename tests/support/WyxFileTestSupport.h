#ifndef WYX_TESTS_SUPPORT_WYXFILETESTSUPPORT_H
#define WYX_TESTS_SUPPORT_WYXFILETESTSUPPORT_H

// Shared by the container tests and the fuzzer: the three forms, a sample file that holds
// every value type, nested and empty blocks and an extension section, and a walker that
// reads everything a file holds through every reading operation.

#include "fileio/RWyxFile.h"

#include <cstdint>
#include <string>

enum class WyxForm { kBinary, kAscii, kEncrypted };

inline const char* FormName(WyxForm form) {
    switch (form) {
    case WyxForm::kBinary:
        return "Binary";
    case WyxForm::kAscii:
        return "Ascii";
    default:
        return "Encrypted";
    }
}

inline bool CreateInForm(RWyxFile& file, const std::string& path, WyxForm form, int version = 6000) {
    RWyxFileHeaderInfo info;
    info.fileVersion = version;
    return file.Create(path.c_str(), form != WyxForm::kAscii, form == WyxForm::kEncrypted, info);
}

// Writes the sample content into a created file (without closing it).
inline void WriteSampleContent(RWyxFile& file) {
    file.FieldWriteComment("sample");
    file.FieldWriteBegin("Header");
    file.FieldWriteInt(6000);
    file.FieldWriteLong(-1234567890123LL);
    file.FieldWriteDouble(0.25);
    file.FieldWriteFloat(1.5f);
    file.FieldWriteChar('U');
    file.FieldWriteString("text with \"quotes\", commas\nand a line");
    file.FieldWriteTime(RTime(RTime::kTicksPerSecond * 3));
    file.FieldWriteEnd();
    file.FieldWriteBegin("Objects");
    file.FieldWriteBlockBegin();
    for (int i = 0; i < 3; ++i) {
        file.FieldWriteBegin("Model");
        file.FieldWriteString("Model::Node");
        file.FieldWriteInt(i);
        file.FieldWriteBlockBegin();
        file.FieldWriteBegin("Version");
        file.FieldWriteInt(232);
        file.FieldWriteEnd();
        file.FieldWriteBegin("Empty");
        file.FieldWriteBlockBegin();
        file.FieldWriteBlockEnd();
        file.FieldWriteEnd();
        file.FieldWriteBlockEnd();
        file.FieldWriteEnd();
    }
    file.FieldWriteBlockEnd();
    file.FieldWriteEnd();
    file.FieldWriteBegin("NoValues");
    file.FieldWriteEnd();
    if (file.ProjectCreateExtensionSection(true)) {
        file.FieldWriteBegin("Summary");
        file.FieldWriteBlockBegin();
        file.FieldWriteBegin("Version");
        file.FieldWriteInt(101);
        file.FieldWriteEnd();
        file.FieldWriteBlockEnd();
        file.FieldWriteEnd();
    }
}

// Reads every field and value of the current level and below, each value through another
// reading operation; answers the number of fields seen.
inline int WalkLevel(RWyxFile& file, int depth = 0) {
    int seen = 0;
    const int count = file.FieldGetCount();
    for (int i = 0; i < count; ++i) {
        if (!file.FieldReadBeginAt(i)) {
            continue;
        }
        ++seen;
        (void)file.FieldGetCurrentName();
        int turn = i;
        while (file.FieldReadValuesLeft() > 0) {
            (void)file.FieldReadValueType();
            const char* bytes = nullptr;
            std::uint32_t size = 0;
            switch (turn++ % 8) {
            case 0:
                (void)file.FieldReadDouble();
                break;
            case 1:
                (void)file.FieldReadInt();
                break;
            case 2:
                (void)file.FieldReadLong();
                break;
            case 3:
                (void)file.FieldReadChar();
                break;
            case 4:
                (void)file.FieldReadString();
                break;
            case 5:
                (void)file.FieldReadTime();
                break;
            case 6:
                if (file.FieldReadRaw(bytes, size) && size > 0) {
                    volatile char last = bytes[size - 1];
                    (void)last;
                } else {
                    file.FieldReadSkipValue();
                }
                break;
            default:
                file.FieldReadSkipValue();
                break;
            }
        }
        if (file.FieldReadBlockBegin()) {
            seen += WalkLevel(file, depth + 1);
            file.FieldReadBlockEnd();
        }
        file.FieldReadEnd();
    }
    (void)file.FieldReadIntByName("Version", -1);
    (void)file.FieldReadStringByName("Model", "none");
    return seen;
}

// Walks both sections of an open file.
inline int WalkFile(RWyxFile& file) {
    int seen = 0;
    if (file.ProjectOpenSection(RWyxFile::kMainSection)) {
        seen += WalkLevel(file);
    }
    if (file.ProjectOpenSection(RWyxFile::kExtensionSection)) {
        seen += WalkLevel(file);
    }
    return seen;
}

#endif
