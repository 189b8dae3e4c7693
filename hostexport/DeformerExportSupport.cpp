#include "hostexport/DeformerExportSupport.h"

#include "hostexport/WyxVexaExportSession.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxNode.h"

#include <vexa/VDoubleArray.h>
#include <vexa/VGlobal.h>
#include <vexa/VPlug.h>

RMatrix MatrixFromHost(const VMatrix& values) {
    RMatrix matrix;
    for (unsigned row = 0; row < 4; ++row) {
        for (unsigned column = 0; column < 4; ++column) matrix[row][column] = values(row, column);
    }
    return matrix;
}

bool ReadMatrixByScript(const VPlug& plug, RMatrix& matrix) {
    VStatus status;
    const VString name = plug.info(&status);
    VDoubleArray values;
    if (!status || !VGlobal::executeCommand("getAttr " + name, values) || values.length() < 16) return false;
    for (unsigned i = 0; i < 16; ++i) matrix[i / 4][i % 4] = values[i];
    return true;
}

RMatrix GlobalTransformOf(RWyxNode& node) {
    const RMatrix* global = node.GetPivotGlobalTransform(0, false);
    return global != nullptr ? *global : RMatrix();
}

RWyxNode* FindNodeForDagPath(const WyxVexaExportSession& session, const VDagPath& path) {
    if (RWyxNode* node = session.FindNodeFor(path)) return node;
    VDagPath transform = path;
    if (path.length() < 2 || !transform.pop()) return nullptr;
    return session.FindNodeFor(transform);
}
