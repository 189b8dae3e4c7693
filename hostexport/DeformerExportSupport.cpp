#include "hostexport/DeformerExportSupport.h"

#include "hostexport/WyxVexaExportSession.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxNode.h"

RMatrix MatrixFromHost(const VMatrix& values) {
    RMatrix matrix;
    for (unsigned row = 0; row < 4; ++row) {
        for (unsigned column = 0; column < 4; ++column) matrix[row][column] = values(row, column);
    }
    return matrix;
}

RMatrix GlobalTransformOf(RWyxNode& node) {
    const RMatrix* global = node.GetPivotGlobalTransform(0, false);
    return global != nullptr ? *global : RMatrix();
}

RWyxNode* FindNodeForDagPath(const WyxVexaExportSession& session, const VDagPath& path) {
    if (RWyxNode* node = session.FindNodeForPath(path.fullPathName())) return node;
    VDagPath transform = path;
    if (path.length() < 2 || !transform.pop()) return nullptr;
    return session.FindNodeForPath(transform.fullPathName());
}
