#ifndef WYX_FORMATS_GEOMETRY_DXFPARSER_H
#define WYX_FORMATS_GEOMETRY_DXFPARSER_H

// Reads the bytes of an ASCII DXF file into a DxfDocument (see DxfDocument.h for the subset).
//
// Pairs are read line by line (LF, CR LF or CR), so an empty value line is a value and the
// codes stay in step. A group code that is not an integer, or the end of the bytes inside a
// pair, a section, a table, a block or an entity before ENTITIES has been read whole, fails
// the parse (the reason with its line on GetError()). Scanning stops at 0 "EOF"; the end of
// the bytes at the top level after the ENTITIES section is a clean end. Sections after
// ENTITIES are read for their blocks only; damage there ends the scan quietly.
//
// Values that should be numbers and are not are left at their defaults and counted as
// warnings. Entities of kinds the reader does not use are skipped; LWPOLYLINEs, which draw
// what a POLYLINE would, are counted in the document so that the reader can say it left
// them out.

#include "formats/geometry/DxfDocument.h"
#include "formats/geometry/GeometryText.h"

#include <string>
#include <string_view>

struct DxfPair {
    int code = 0;
    std::string_view value;
    int line = 0;
};

class DxfParser {
public:
    bool Parse(std::string_view bytes, DxfDocument& document);

    const std::string& GetError() const { return error_; }
    int GetWarningCount() const { return warningCount_; }

private:
    enum class Step { kPair, kEnd, kBroken };

    // The next pair; kEnd at the end of the bytes before a code, kBroken (error set) for a
    // code that is not a number or a code without its value line.
    Step Next(DxfPair& pair);
    bool Fail(int line, const std::string& text);
    // Reads to the 0 pair that ends the section (its value `end`); false when the bytes end.
    bool SkipTo(std::string_view end, DxfPair& pair);
    // Reads to the next 0 pair; false when the bytes end first.
    bool SkipToZero(DxfPair& pair);
    bool ReadTables(DxfPair& pair, DxfDocument& document);
    bool ReadBlocks(DxfPair& pair, DxfDocument& document);
    // Entities from the pair after the opening one up to the 0 pair `end` (ENDSEC or ENDBLK),
    // LWPOLYLINEs counted; pair is left at that 0 pair.
    bool ReadEntities(DxfPair& pair, std::string_view end, std::vector<DxfEntity>& entities, int& lwPolylines);
    // One entity's pairs after its 0 pair; pair is left at the next 0 pair.
    bool ReadEntityFields(DxfPair& pair, DxfEntity& entity, DxfVertex* vertex);
    void Number(const DxfPair& pair, double& out);
    void Integer(const DxfPair& pair, int& out);

    TextLines lines_{std::string_view()};
    std::string error_;
    int warningCount_ = 0;
};

#endif
