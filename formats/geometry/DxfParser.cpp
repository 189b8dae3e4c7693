#include "formats/geometry/DxfParser.h"

namespace {

bool IsDrawingEntity(std::string_view type) {
    return type == "LINE" || type == "3DFACE" || type == "POLYLINE" || type == "INSERT";
}

DxfEntity::Kind KindOf(std::string_view type) {
    if (type == "LINE") return DxfEntity::kLine;
    if (type == "3DFACE") return DxfEntity::kFace;
    if (type == "POLYLINE") return DxfEntity::kPolyline;
    return DxfEntity::kInsert;
}

// The coordinate a code 10-13, 20-23 or 30-33 sets; null for other codes.
double* Coordinate(DxfPoint* points, int code) {
    if (code < 10 || code > 33 || code % 10 > 3) return nullptr;
    DxfPoint& point = points[code % 10];
    return code < 20 ? &point.x : code < 30 ? &point.y : &point.z;
}

}  // namespace

bool DxfParser::Fail(int line, const std::string& text) {
    if (error_.empty()) error_ = "line " + std::to_string(line) + ": " + text;
    return false;
}

DxfParser::Step DxfParser::Next(DxfPair& pair) {
    std::string_view codeLine;
    if (!lines_.Next(codeLine)) return Step::kEnd;
    const int line = lines_.GetLineNumber();
    int code = 0;
    if (!ParseInt(codeLine, code)) {
        Fail(line, "the group code \"" + std::string(TrimBlanks(codeLine).substr(0, 40)) + "\" is not a number");
        return Step::kBroken;
    }
    std::string_view value;
    if (!lines_.Next(value)) {
        Fail(line, "the group code " + std::to_string(code) + " has no value");
        return Step::kBroken;
    }
    pair.code = code;
    pair.value = TrimBlanks(value);
    pair.line = line;
    return Step::kPair;
}

void DxfParser::Number(const DxfPair& pair, double& out) {
    if (!ParseDouble(pair.value, out)) ++warningCount_;
}

void DxfParser::Integer(const DxfPair& pair, int& out) {
    if (!ParseLeadingInt(pair.value, out)) ++warningCount_;
}

bool DxfParser::SkipTo(std::string_view end, DxfPair& pair) {
    for (;;) {
        const Step step = Next(pair);
        if (step == Step::kEnd) return Fail(lines_.GetLineNumber(), "the file ends before " + std::string(end));
        if (step == Step::kBroken) return false;
        if (pair.code == 0 && pair.value == end) return true;
    }
}

bool DxfParser::Parse(std::string_view bytes, DxfDocument& document) {
    document = DxfDocument();
    lines_ = TextLines(bytes);
    error_.clear();
    warningCount_ = 0;
    DxfPair pair;
    for (;;) {
        if (Next(pair) != Step::kPair) break;
        if (pair.code == 0 && pair.value == "EOF") return true;
        if (pair.code != 0 || pair.value != "SECTION") continue;
        if (Next(pair) != Step::kPair) break;
        if (pair.code != 2) continue;
        bool read = true;
        if (pair.value == "TABLES") {
            read = ReadTables(pair, document);
        } else if (pair.value == "BLOCKS") {
            read = ReadBlocks(pair, document);
        } else if (pair.value == "ENTITIES" && !document.hasEntities) {
            read = Next(pair) == Step::kPair &&
                   ReadEntities(pair, "ENDSEC", document.entities, document.lwPolylines);
            document.hasEntities = read;
        } else {
            read = SkipTo("ENDSEC", pair);
        }
        if (!read) break;
    }
    // The bytes ended, or were damaged: a clean end once the entities are read.
    if (document.hasEntities) {
        error_.clear();
        return true;
    }
    return Fail(lines_.GetLineNumber(), "the file ends before its ENTITIES section");
}

bool DxfParser::ReadTables(DxfPair& pair, DxfDocument& document) {
    for (;;) {
        if (!SkipToZero(pair)) return false;
        if (pair.value == "ENDSEC") return true;
        if (pair.value != "TABLE") continue;
        if (Next(pair) != Step::kPair) return Fail(lines_.GetLineNumber(), "the file ends inside a table");
        if (pair.code != 2 || pair.value != "LAYER") {
            if (!SkipTo("ENDTAB", pair)) return false;
            continue;
        }
        DxfLayer* layer = nullptr;
        for (;;) {
            const Step step = Next(pair);
            if (step != Step::kPair) return Fail(lines_.GetLineNumber(), "the file ends inside the layer table");
            if (pair.code == 0) {
                if (layer != nullptr && layer->name.empty()) document.layers.pop_back();
                layer = nullptr;
                if (pair.value == "ENDTAB") break;
                if (pair.value == "LAYER") layer = &document.layers.emplace_back();
            } else if (layer != nullptr && pair.code == 2) {
                layer->name = std::string(pair.value);
            } else if (layer != nullptr && pair.code == 62) {
                Integer(pair, layer->colour);
            }
        }
    }
}

bool DxfParser::SkipToZero(DxfPair& pair) {
    for (;;) {
        const Step step = Next(pair);
        if (step == Step::kEnd) return Fail(lines_.GetLineNumber(), "the file ends inside a section");
        if (step == Step::kBroken) return false;
        if (pair.code == 0) return true;
    }
}

bool DxfParser::ReadBlocks(DxfPair& pair, DxfDocument& document) {
    if (!SkipToZero(pair)) return false;
    for (;;) {
        if (pair.value == "ENDSEC") return true;
        if (pair.value != "BLOCK") {
            if (!SkipToZero(pair)) return false;
            continue;
        }
        DxfBlock& block = document.blocks.emplace_back();
        for (;;) {
            if (Next(pair) != Step::kPair) return Fail(lines_.GetLineNumber(), "the file ends inside a block");
            if (pair.code == 0) break;
            if (pair.code == 2) block.name = std::string(pair.value);
            if (pair.code == 70) Integer(pair, block.flags);
            if (pair.code == 10 || pair.code == 20 || pair.code == 30) Number(pair, *Coordinate(&block.base, pair.code));
        }
        if (!ReadEntities(pair, "ENDBLK", block.entities, block.lwPolylines)) return false;
        if (pair.value == "ENDBLK" && !SkipToZero(pair)) return false;
    }
}

bool DxfParser::ReadEntities(DxfPair& pair, std::string_view end, std::vector<DxfEntity>& entities,
                             int& lwPolylines) {
    for (;;) {
        if (pair.code != 0 && !SkipToZero(pair)) return false;
        if (pair.value == end || pair.value == "ENDSEC" || pair.value == "EOF") return true;
        if (!IsDrawingEntity(pair.value)) {
            if (pair.value == "LWPOLYLINE") ++lwPolylines;
            if (!SkipToZero(pair)) return false;
            continue;
        }
        DxfEntity entity;
        entity.kind = KindOf(pair.value);
        entity.line = pair.line;
        if (!ReadEntityFields(pair, entity, nullptr)) return false;
        while (entity.kind == DxfEntity::kPolyline && pair.value == "VERTEX") {
            DxfVertex& vertex = entity.vertices.emplace_back();
            if (!ReadEntityFields(pair, entity, &vertex)) return false;
        }
        entities.push_back(std::move(entity));
    }
}

bool DxfParser::ReadEntityFields(DxfPair& pair, DxfEntity& entity, DxfVertex* vertex) {
    for (;;) {
        const Step step = Next(pair);
        if (step == Step::kEnd) return Fail(lines_.GetLineNumber(), "the file ends inside an entity");
        if (step == Step::kBroken) return false;
        const int code = pair.code;
        if (code == 0) return true;
        if (vertex != nullptr) {
            if (code == 62) {
                Integer(pair, vertex->colour);
                vertex->hasColour = true;
            } else if (code == 70) {
                Integer(pair, vertex->flags);
            } else if (code >= 71 && code <= 74) {
                Integer(pair, vertex->corners[code - 71]);
            } else if (code == 10 || code == 20 || code == 30) {
                Number(pair, *Coordinate(&vertex->point, code));
            }
            continue;
        }
        if (code == 8) {
            entity.layer = std::string(pair.value);
        } else if (code == 62) {
            Integer(pair, entity.colour);
            entity.hasColour = true;
        } else if (code == 70) {
            Integer(pair, entity.flags);
        } else if (entity.kind == DxfEntity::kInsert) {
            if (code == 2) entity.block = std::string(pair.value);
            if (code >= 41 && code <= 43) Number(pair, entity.scale[code - 41]);
            if (code == 50) Number(pair, entity.angle);
            if (code == 10 || code == 20 || code == 30) Number(pair, *Coordinate(&entity.insertion, code));
        } else if (entity.kind != DxfEntity::kPolyline) {
            if (double* coordinate = Coordinate(entity.points, code)) Number(pair, *coordinate);
        }
    }
}
