#ifndef WYX_CURVES_RFCURVENODERECORDS_H
#define WYX_CURVES_RFCURVENODERECORDS_H

// A curve-node tree stored in a WYX file: one field per node, named by the caller for the
// top node, "Channel" for every child and "LayerChannel" for a next layer. The field's value
// is the node's name; its block holds, in this order:
//   "UserName"    when it differs from the name (unless user names are omitted)
//   "TimeWarpID"  the id of the node's time warp in the time-warp registry
//   the curve     "Default", "KeyVer", ... (see RFCurveRecords)
//   "Channel"     one per child, in child order
//   "LayerID", "LayerType"  when not 0
//   "LayerChannel"          the next layer (not when writing defaults only)
//
// A node that already had its curve keeps its shape: channels it does not know are passed. A
// node whose curve and channels both come from the file keeps both.
//
// A file is untrusted input: layer ids must be 0 or more and rise along a layer chain (a
// layer that breaks the order is dropped), layer types lie in 0 to 4 and a rotation or
// quaternion layer type needs its three or four channels, a layer holds only the channels
// of the node it was copied from, and nodes nest at most kMaxNesting deep (deeper channels
// and layers are not read).

#include "curves/RFCurveRecords.h"

class RFCurveNode;
class RWyxFile;

class RFCurveNodeRecords {
public:
    static constexpr int kMaxNesting = 256;

    // Writes the node as the field fieldName at the file's current level. letterNames names
    // translation, rotation and scaling nodes "T", "R" and "S"; omitUserName leaves user
    // names out. The curves are written with RFCurveRecords::Write (defaultOnly, withColor,
    // autoSlopes); children get the same options as "Channel"; the next layer is written
    // as "LayerChannel" with defaultOnly and withColor off. False when the file holds an
    // error after writing.
    static bool Write(const RFCurveNode& node, RWyxFile& file, bool defaultOnly, bool letterNames,
                      bool omitUserName, const char* fieldName, bool withColor, bool autoSlopes);
    // Reads the block of the current field into the node: user name, curve, layer settings,
    // children, next layer and time warp; then repairs the layer type by channel kind.
    static void Read(RFCurveNode& node, RWyxFile& file, bool defaultOnly, bool createMissing,
                     bool withColor);
    // Reads the next "Channel" field into the parent's child of that name ("T", "R", "S"
    // also find the child of the transform data type; "X (note)" finds "X"), created and
    // appended when missing, the parent has no curve and createMissing is set; channels
    // that match nothing are passed. Answers the child, or null when no "Channel" field is
    // left. Without a parent a created node belongs to the caller (RFCurveNode::Destroy).
    // What the curves' reads leave out is added to losses when given.
    static RFCurveNode* ReadChannel(RWyxFile& file, RFCurveNode* parent, bool defaultOnly,
                                    bool createMissing, bool withColor,
                                    RFCurveRecords::Losses* losses = nullptr);
    // ReadChannel without a parent, creating the node: a take node's curve tree.
    static RFCurveNode* ReadTopChannel(RWyxFile& file, bool defaultOnly, bool withColor);
    // When a "LayerChannel" field is found: reads a layer copy of the node and makes it the
    // node's next layer (replacing the old chain). Answers the layer, or null.
    static RFCurveNode* ReadLayerChannel(RWyxFile& file, RFCurveNode& node, bool defaultOnly);
};

#endif
