#include "formats/geometry/ObjParser.h"

#include "formats/geometry/GeometryText.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// A one-based or negative (counting back from the end) reference against the count read so
// far; -1 for 0 and anything outside.
int ResolveIndex(int index, std::size_t count) {
    const long long n = static_cast<long long>(count);
    const long long i = index;
    if (i >= 1 && i <= n) return static_cast<int>(i - 1);
    if (i <= -1 && i >= -n) return static_cast<int>(n + i);
    return -1;
}

// Up to `max` numbers from the start of rest; answers how many were read.
int ReadNumbers(std::string_view rest, double* values, int max) {
    int count = 0;
    while (count < max) {
        const std::string_view word = NextWord(rest);
        if (word.empty() || !ParseDouble(word, values[count])) break;
        ++count;
    }
    return count;
}

struct CornerWord {
    int position = 0;
    int uv = 0;
    int normal = 0;
};

// Splits p, p/t, p/t/n or p//n; a missing or unreadable part is 0. False when the position
// is 0 or unreadable.
bool SplitCorner(std::string_view word, CornerWord& corner) {
    const std::size_t firstSlash = word.find('/');
    if (!ParseLeadingInt(word.substr(0, firstSlash), corner.position) || corner.position == 0) return false;
    if (firstSlash == std::string_view::npos) return true;
    std::string_view rest = word.substr(firstSlash + 1);
    if (!rest.empty() && rest[0] == '/') {
        ParseLeadingInt(rest.substr(1), corner.normal);
        return true;
    }
    const std::size_t secondSlash = rest.find('/');
    ParseLeadingInt(rest.substr(0, secondSlash), corner.uv);
    if (secondSlash != std::string_view::npos) ParseLeadingInt(rest.substr(secondSlash + 1), corner.normal);
    return true;
}

bool EndsInBackslash(std::string_view text) { return !text.empty() && text.back() == '\\'; }

}  // namespace

// ---- statements ------------------------------------------------------------------------------

bool ObjStatementReader::Continue(std::string_view& rest) {
    if (!EndsInBackslash(rest)) return true;
    joined_.assign(rest.data(), rest.size());
    bool fits = true;
    std::string_view next;
    while (EndsInBackslash(joined_)) {
        joined_.back() = ' ';
        if (!lines_.Next(next)) break;
        if (fits && joined_.size() + next.size() > kMaxStatementLength) fits = false;
        if (fits) {
            joined_.append(next.data(), next.size());
        } else {
            joined_.assign(EndsInBackslash(TrimBlanks(next)) ? "\\" : "");  // keep consuming
            continue;
        }
        while (!joined_.empty() && IsBlank(joined_.back())) joined_.pop_back();
    }
    rest = joined_;
    return fits;
}

bool ObjStatementReader::Next(ObjStatement& out) {
    std::string_view line;
    while (lines_.Next(line)) {
        const int first = lines_.GetLineNumber();
        std::string_view text = TrimBlanks(line);
        if (text.empty()) continue;
        std::size_t keywordEnd = 0;
        while (keywordEnd < text.size() && !IsBlank(text[keywordEnd])) ++keywordEnd;
        const std::size_t keywordLength = std::min<std::size_t>(keywordEnd, kMaxKeywordLength);
        std::string_view rest = TrimBlanks(text.substr(keywordLength));
        if (text.size() > kMaxStatementLength || !Continue(rest)) {
            ++overlong_;
            continue;
        }
        if (text[0] == '#') continue;
        out.keyword = text.substr(0, keywordLength);
        out.rest = rest;
        out.line = first;
        return true;
    }
    return false;
}

// ---- the OBJ parser ------------------------------------------------------------------------

struct ObjParser::State {
    std::string group = "default";
    int smoothingGroup = 0;
    int material = -1;
    int basis = ObjSurface::kBasisNone;
    bool rational = false;
    int uDegree = 0;
    int vDegree = 0;
    std::unordered_map<std::string, int> groupIndex;     // lower-case name -> group
    std::unordered_map<std::string, int> materialIndex;  // lower-case name -> material
    int currentGroup = -1;                               // cached index of `group`, -1 unknown
    std::vector<CornerWord> words;                       // scratch for faces
};

bool ObjParser::Fail(int line, const std::string& text) {
    error_ = "line " + std::to_string(line) + ": " + text;
    return false;
}

void ObjParser::Warn(const std::string& text) {
    ++warningCount_;
    warnings_ += text;
}

void ObjParser::WarnUnsupported(std::string_view keyword) {
    ++warningCount_;
    for (const std::string& seen : unsupportedSeen_) {
        if (seen == keyword) return;
    }
    unsupportedSeen_.emplace_back(keyword);
    warnings_ += "Object not supported : ";
    warnings_.append(keyword.data(), keyword.size());
    warnings_ += "\n";
}

bool ObjParser::Parse(std::string_view bytes, ObjDocument& document) {
    document = ObjDocument();
    document_ = &document;
    error_.clear();
    warnings_.clear();
    warningCount_ = 0;
    unsupportedSeen_.clear();
    droppedFaces_ = 0;
    State state;
    ObjStatementReader reader(bytes);
    ObjStatement statement;
    bool ok = true;
    while (ok && reader.Next(statement)) {
        ok = Statement(statement, state, reader);
    }
    if (droppedFaces_ > 0) {
        Warn(std::to_string(droppedFaces_) + " face(s) with fewer than three usable corners dropped\n");
        warningCount_ += droppedFaces_ - 1;
    }
    if (reader.GetOverlongCount() > 0) {
        Warn(std::to_string(reader.GetOverlongCount()) + " statement(s) longer than " +
             std::to_string(kMaxStatementLength) + " bytes skipped\n");
    }
    document_ = nullptr;
    return ok;
}

bool ObjParser::Statement(const ObjStatement& statement, State& state, ObjStatementReader& reader) {
    const std::string_view keyword = statement.keyword;
    if (keyword == "v") return ReadVertex(statement, 3);
    if (keyword == "vt" || keyword == "vp") return ReadVertex(statement, 1);
    if (keyword == "vn") return ReadVertex(statement, 3);
    if (keyword == "f") {
        ReadFace(statement.rest, state);
    } else if (keyword == "g") {
        SetGroup(statement.rest, state);
    } else if (keyword == "s") {
        std::string_view rest = statement.rest;
        const std::string_view word = NextWord(rest);
        int group = 0;
        if (word == "off") {
            state.smoothingGroup = 0;
        } else if (ParseLeadingInt(word, group)) {
            state.smoothingGroup = group;
        }
    } else if (keyword == "usemtl") {
        SetMaterial(statement.rest, state);
    } else if (keyword == "mtllib") {
        document_->libraryNamed = true;
        std::string_view rest = statement.rest;
        for (std::string_view name = NextWord(rest); !name.empty(); name = NextWord(rest)) {
            document_->libraries.emplace_back(name);
        }
    } else if (keyword == "cstype") {
        SetCurveType(statement.rest, state);
    } else if (keyword == "deg") {
        std::string_view rest = statement.rest;
        if (ParseLeadingInt(NextWord(rest), state.uDegree)) ParseLeadingInt(NextWord(rest), state.vDegree);
    } else if (keyword == "surf") {
        return ReadSurface(statement, state, reader);
    } else if (keyword == "curv" || keyword == "curv2") {
        ObjStatement inner;
        while (reader.Next(inner) && inner.keyword != "end") {
        }
    } else if (keyword != "mg" && keyword != "o" && keyword != "bmat" && keyword != "step") {
        WarnUnsupported(keyword);
    }
    return true;
}

bool ObjParser::ReadVertex(const ObjStatement& statement, int minimum) {
    double values[3] = {0.0, 0.0, 0.0};
    const int read = ReadNumbers(statement.rest, values, 3);
    if (read < minimum) {
        return Fail(statement.line, "\"" + std::string(statement.keyword) + "\" needs " + std::to_string(minimum) +
                                        " number(s), has " + std::to_string(read));
    }
    const std::string_view keyword = statement.keyword;
    if (keyword == "v") {
        double w = 1.0;
        std::string_view rest = statement.rest;
        for (int i = 0; i < 3; ++i) NextWord(rest);
        ParseDouble(NextWord(rest), w);
        document_->positions.emplace_back(values[0], values[1], values[2], w);
    } else if (keyword == "vn") {
        document_->normals.emplace_back(values[0], values[1], values[2], 0.0);
    } else if (keyword == "vt") {
        document_->uvs.emplace_back(values[0], read > 1 ? values[1] : 0.0);
    } else {
        document_->parameters.emplace_back(values[0], read > 1 ? values[1] : 0.0, read > 2 ? values[2] : 1.0, 0.0);
    }
    return true;
}

int ObjParser::FindGroup(State& state) {
    if (state.currentGroup >= 0) return state.currentGroup;
    auto found = state.groupIndex.emplace(Lower(state.group), static_cast<int>(document_->groups.size()));
    if (found.second) {
        document_->groups.emplace_back();
        document_->groups.back().name = state.group;
    }
    state.currentGroup = found.first->second;
    return state.currentGroup;
}

void ObjParser::ReadFace(std::string_view rest, State& state) {
    // A comment ends the face's corners, as other readers take it.
    rest = rest.substr(0, rest.find('#'));
    std::vector<CornerWord>& words = state.words;
    words.clear();
    for (std::string_view word = NextWord(rest); !word.empty(); word = NextWord(rest)) {
        CornerWord corner;
        if (!SplitCorner(word, corner)) {
            ++droppedFaces_;  // a corner without a usable position drops its face
            return;
        }
        words.push_back(corner);
    }
    ObjDocument& document = *document_;
    const int groupIndex = FindGroup(state);
    ObjGroup& group = document.groups[static_cast<std::size_t>(groupIndex)];
    ObjFace face{state.smoothingGroup, state.material, static_cast<int>(group.corners.size()), 0, true};
    for (const CornerWord& word : words) {
        const ObjCorner corner{ResolveIndex(word.position, document.positions.size()),
                               ResolveIndex(word.uv, document.uvs.size()),
                               ResolveIndex(word.normal, document.normals.size())};
        if (corner.position < 0) continue;
        if (corner.normal < 0) face.hasNormals = false;
        group.corners.push_back(corner);
        ++face.cornerCount;
    }
    if (face.cornerCount < 3) {
        group.corners.resize(static_cast<std::size_t>(face.firstCorner));
        ++droppedFaces_;  // fewer than three corners with a position
        return;
    }
    if (!face.hasNormals) group.allNormals = false;
    group.faces.push_back(face);
}

void ObjParser::SetGroup(std::string_view rest, State& state) {
    std::string name(rest);
    const std::size_t blank = name.find_first_of(" \t");
    if (blank != std::string::npos) name[blank] = '_';
    if (name.empty()) name = "default";
    state.group = name;
    state.currentGroup = -1;
}

void ObjParser::SetMaterial(std::string_view rest, State& state) {
    const std::string_view name = NextWord(rest);
    if (name.empty()) return;
    const auto found = state.materialIndex.emplace(Lower(name), static_cast<int>(document_->materialNames.size()));
    if (found.second) document_->materialNames.emplace_back(name);
    state.material = found.first->second;
}

void ObjParser::SetCurveType(std::string_view rest, State& state) {
    std::string_view word = NextWord(rest);
    if (word == "rat") {
        state.rational = true;
        word = NextWord(rest);
    }
    static constexpr const char* kTypes[] = {"bmatrix", "bezier", "bspline", "cardinal", "taylor"};
    for (int i = 0; i < 5; ++i) {
        if (word == kTypes[i]) state.basis = i + 1;
    }
}

bool ObjParser::ReadSurface(const ObjStatement& statement, State& state, ObjStatementReader& reader) {
    if (state.basis == ObjSurface::kBasisNone) return Fail(statement.line, "\"surf\" before any \"cstype\"");
    ObjSurface surface;
    surface.line = statement.line;
    surface.group = state.group;
    surface.basis = state.basis;
    surface.rational = state.rational;
    surface.uDegree = state.uDegree;
    surface.vDegree = state.vDegree;
    surface.material = state.material;
    std::string_view rest = statement.rest;
    double range[4];
    if (ReadNumbers(rest, range, 4) == 4) {
        surface.hasRange = true;
        surface.s0 = range[0];
        surface.s1 = range[1];
        surface.t0 = range[2];
        surface.t1 = range[3];
        for (int i = 0; i < 4; ++i) NextWord(rest);
        for (std::string_view word = NextWord(rest); !word.empty(); word = NextWord(rest)) {
            CornerWord corner;
            if (!SplitCorner(word, corner)) break;
            const int position = ResolveIndex(corner.position, document_->positions.size());
            if (position >= 0) surface.controlVertices.push_back(position);
        }
    }
    ObjStatement inner;
    while (reader.Next(inner) && inner.keyword != "end") {
        if (inner.keyword != "parm") continue;
        std::string_view parm = inner.rest;
        const std::string_view direction = NextWord(parm);
        if (direction.empty() || (direction[0] != 'u' && direction[0] != 'v')) continue;
        std::vector<double>& knots = direction[0] == 'u' ? surface.uKnots : surface.vKnots;
        double knot = 0.0;
        for (std::string_view word = NextWord(parm); !word.empty() && ParseDouble(word, knot); word = NextWord(parm)) {
            knots.push_back(knot);
        }
    }
    document_->surfaces.push_back(std::move(surface));
    return true;
}

// ---- MTL -----------------------------------------------------------------------------------

const MtlMaterial* MtlLibrary::Find(std::string_view name) const {
    // An index longer than the list is stale (the list was emptied): scan it all.
    const bool indexed = indexed_ <= materials.size();
    if (indexed) {
        const auto found = byName_.find(name);
        if (found != byName_.end()) return &materials[found->second];
    }
    // Those added since the index was made.
    for (std::size_t i = indexed ? indexed_ : 0; i < materials.size(); ++i) {
        if (materials[i].name == name) return &materials[i];
    }
    return nullptr;
}

void MtlLibrary::Index() {
    byName_.clear();
    // emplace keeps the first of namesakes.
    for (std::size_t i = 0; i < materials.size(); ++i) byName_.emplace(materials[i].name, i);
    indexed_ = materials.size();
}

namespace {

// Three numbers exactly, each clamped to [0, 1]; false otherwise.
bool ReadColor(std::string_view rest, double* color) {
    double values[4];
    if (ReadNumbers(rest, values, 4) != 3) return false;
    for (int i = 0; i < 3; ++i) color[i] = std::clamp(values[i], 0.0, 1.0);
    return true;
}

bool ReadOne(std::string_view rest, double& value) { return ReadNumbers(rest, &value, 1) == 1; }

}  // namespace

void ObjParser::ParseMaterialLibrary(std::string_view bytes, MtlLibrary& library) {
    library.materials.clear();
    ObjStatementReader reader(bytes);
    ObjStatement statement;
    MtlMaterial* current = nullptr;
    while (reader.Next(statement)) {
        const std::string_view key = statement.keyword;
        std::string_view rest = statement.rest;
        if (key == "newmtl") {
            library.materials.emplace_back();
            current = &library.materials.back();
            current->name = std::string(NextWord(rest));
        } else if (current == nullptr) {
            continue;
        } else if (key == "Ka") {
            current->hasAmbient = ReadColor(rest, current->ambient) || current->hasAmbient;
        } else if (key == "Kd") {
            current->hasDiffuse = ReadColor(rest, current->diffuse) || current->hasDiffuse;
        } else if (key == "Ks") {
            current->hasSpecular = ReadColor(rest, current->specular) || current->hasSpecular;
        } else if (key == "illum") {
            ParseLeadingInt(NextWord(rest), current->illumination);
        } else if (key == "Ns") {
            current->hasShininess = ReadOne(rest, current->shininess) || current->hasShininess;
        } else if (key == "d") {
            current->hasDissolve = ReadOne(rest, current->dissolve) || current->hasDissolve;
        } else if (key == "Tr") {
            current->hasTransparency = ReadOne(rest, current->transparency) || current->hasTransparency;
        } else if (key == "map_Kd") {
            current->diffuseMap = std::string(TrimBlanks(rest));
        }
    }
    library.Index();
}
