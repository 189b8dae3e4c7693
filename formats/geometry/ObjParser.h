#ifndef WYX_FORMATS_GEOMETRY_OBJPARSER_H
#define WYX_FORMATS_GEOMETRY_OBJPARSER_H

// Reads the bytes of an OBJ file, or of an MTL material library, into records shaped like the
// format (ObjDocument.h, MtlLibrary). Nothing of the scene is made here.
//
// Statements: a keyword (the first word, at most kMaxKeywordLength characters: a longer word
// is cut and its rest belongs to the line), then the rest of the line, trimmed; while the rest
// ends in a backslash, the backslash becomes a blank and the next line is appended. Lines end
// in LF, CR or CR LF. A statement longer than kMaxStatementLength (continuations included) is
// skipped with a warning, so that no single statement holds more memory than that.
//
// Failures (Parse answers false, the reason with its line number on GetError()): a "v", "vn",
// "vt" or "vp" statement with too few numbers; a "surf" before any "cstype". Everything else
// that cannot be used is dropped and counted as a warning: faces left with fewer than three
// corners, corners whose position is 0 or not a number (the face goes), references outside
// their arrays (they become "none"), unknown keywords (each named once in the warning text).
// A "#" in a face line ends its corners: what follows is a comment.

#include "formats/geometry/GeometryText.h"
#include "formats/geometry/ObjDocument.h"

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int kMaxKeywordLength = 20;
inline constexpr std::size_t kMaxStatementLength = std::size_t{16} << 20;

// One statement of an OBJ or MTL file.
struct ObjStatement {
    std::string_view keyword;
    std::string_view rest;
    int line = 0;
};

// Splits bytes into statements; the views stay valid until the next call of Next.
class ObjStatementReader {
public:
    explicit ObjStatementReader(std::string_view bytes) : lines_(bytes) {}

    // The next statement (blank lines and comments skipped); false at the end.
    bool Next(ObjStatement& out);
    int GetOverlongCount() const { return overlong_; }

private:
    // Appends continuation lines to rest while it ends in a backslash; false when the
    // statement grows past the limit (its remaining lines are consumed).
    bool Continue(std::string_view& rest);

    TextLines lines_;
    int overlong_ = 0;
    std::string joined_;
};

// A material of an MTL library as written there.
struct MtlMaterial {
    std::string name;
    bool hasAmbient = false, hasDiffuse = false, hasSpecular = false;
    double ambient[3] = {0, 0, 0};
    double diffuse[3] = {0, 0, 0};
    double specular[3] = {0, 0, 0};
    int illumination = 2;
    bool hasShininess = false;
    double shininess = 0.0;  // "Ns"
    bool hasDissolve = false;
    double dissolve = 1.0;  // "d"
    bool hasTransparency = false;
    double transparency = 1.0;  // "Tr", as an opacity
    std::string diffuseMap;     // "map_Kd", empty when none
};

struct MtlLibrary {
    std::vector<MtlMaterial> materials;
    // The first material of that exact name; null when none.
    const MtlMaterial* Find(std::string_view name) const;
    // Indexes the materials by name, so that Find need not scan them; ParseMaterialLibrary
    // does it. Materials added later are still found (by a scan of those alone) and a list
    // emptied since is scanned whole; a list changed otherwise must be indexed again.
    void Index();

private:
    // Name -> position of its first material, for materials[0, indexed_).
    std::map<std::string, std::size_t, std::less<>> byName_;
    std::size_t indexed_ = 0;
};

class ObjParser {
public:
    // Reads an OBJ file's bytes into the document (emptied first).
    bool Parse(std::string_view bytes, ObjDocument& document);
    // Reads an MTL library's bytes; never fails (unknown statements are ignored).
    static void ParseMaterialLibrary(std::string_view bytes, MtlLibrary& library);

    const std::string& GetError() const { return error_; }
    const std::string& GetWarnings() const { return warnings_; }
    int GetWarningCount() const { return warningCount_; }

private:
    struct State;

    bool Statement(const ObjStatement& statement, State& state, ObjStatementReader& reader);
    bool ReadVertex(const ObjStatement& statement, int minimum);
    void ReadFace(std::string_view rest, State& state);
    bool ReadSurface(const ObjStatement& statement, State& state, ObjStatementReader& reader);
    void SetGroup(std::string_view rest, State& state);
    void SetMaterial(std::string_view rest, State& state);
    void SetCurveType(std::string_view rest, State& state);
    int FindGroup(State& state);
    bool Fail(int line, const std::string& text);
    void Warn(const std::string& text);
    void WarnUnsupported(std::string_view keyword);

    ObjDocument* document_ = nullptr;
    std::string error_;
    std::string warnings_;
    int warningCount_ = 0;
    int droppedFaces_ = 0;
    std::vector<std::string> unsupportedSeen_;
};

#endif
